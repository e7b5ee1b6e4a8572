#include "services/invites/invitations.hpp"

#include <asio/post.hpp>
#include <memory>
#include <random>

#include "core/uuid.hpp"
#include "services/invites/invite_sender.hpp"
#include "services/invites/rsvp_service.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"
#include "text/icalendar.hpp"
#include "text/rsvp_token.hpp"

namespace talewick::invites {

namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The address of a "mailto:" participant; nullopt for anything else (a bare name, a URL).
std::optional<std::string> addressOf(const Participant& participant) {
  const std::string_view url = text::trim(participant.url);
  if (url.size() <= 7 || lowerAscii(std::string(url.substr(0, 7))) != "mailto:") {
    return std::nullopt;
  }
  const std::string address(url.substr(7));
  const std::size_t at = address.find('@');
  if (at == 0 || at == std::string::npos || at + 1 == address.size() ||
      address.find_first_of(" \t\r\n<>,;\"") != std::string::npos) {
    return std::nullopt;
  }
  return address;
}

// The host of an http(s) URL, port and credentials aside.
std::string hostOf(const std::string& url) {
  const std::size_t scheme = url.find("://");
  std::string rest = scheme == std::string::npos ? url : url.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == '[') return rest.substr(0, rest.find(']') + 1);
  return rest.substr(0, rest.find(':'));
}

// Draws from the system's secure source: the token guards the invitation's answers.
double secureUnit() {
  static thread_local std::random_device device;
  return static_cast<double>(device()) / 4294967296.0;
}

std::string failure(const std::string& message) {
  return Loc::string("invite.status.failed", "Échec de l'envoi de l'invitation : ") + message;
}

}  // namespace

Invitations::Invitations(Preferences& preferences, backend::BackendConnection& backend,
                         HttpClient& http, RunLoop& loop, InviteRegistry& registry, Clock clock)
    : preferences_(preferences),
      backend_(backend),
      http_(http),
      loop_(loop),
      registry_(registry),
      clock_(std::move(clock)) {}

RSVPRecord Invitations::answersOf(const InviteRecord& record) {
  std::vector<RSVPEntry> invited;
  for (const SentInvitee& guest : record.sentInvitees) {
    invited.push_back({guest.email, guest.name, RSVPStatus::needsAction, {}, {}});
  }
  // The guests sent to, then what the relay answered for them.
  return RSVPRecord{record.uid, record.sequence, invited}.merged(record.rsvp, {});
}

void Invitations::send(const CalendarEvent& event, const std::string& questID,
                       std::function<void(std::vector<std::string>)> done) {
  std::vector<CalendarInvitee> guests;
  bool someWithoutAddress = false;
  for (const Participant& attendee : event.attendees) {
    if (attendee.isCurrentUser) continue;
    if (const std::optional<std::string> address = addressOf(attendee)) {
      guests.push_back({*address, attendee.name});
    } else {
      someWithoutAddress = true;
    }
  }
  std::vector<std::string> lines;
  if (someWithoutAddress) {
    lines.push_back(Loc::string("invite.status.invalidEmail",
                                "E-mail invalide — les invitations ne partiront pas."));
  }
  if (guests.empty()) return done(lines);

  const InviteConfig config = InviteConfig::read(preferences_, backend_.root());
  std::optional<std::string> organizer = config.organizerEmail;
  if (!organizer) {
    const std::vector<std::string> own = preferences_.stringList("identity.emails");
    if (!own.empty()) organizer = own.front();
  }
  if (!config.endpoint || !organizer) {
    lines.insert(
        lines.begin(),
        failure(!config.endpoint ? Loc::string("invite.error.noRelay",
                                               "aucun relais configuré (préférence invite.endpoint "
                                               "ou talewick backend).")
                                 : Loc::string("invite.error.noOrganizer",
                                               "aucune adresse d'organisateur (préférence "
                                               "invite.organizerEmail).")));
    return done(lines);
  }

  // Quest identifiers of this program already start with "quest_".
  const std::string fallbackKey = questID.starts_with("quest_") ? questID : "quest_" + questID;
  const std::optional<InviteRecord> known = registry_.record(event.eventIdentifier, fallbackKey);
  InviteRecord record;
  if (known) {
    record = *known;
    ++record.sequence;
  } else {
    record.uid = RSVPToken::newUID(lowerAscii(randomUUID()));
    record.token = RSVPToken::newToken(TOKEN_LENGTH, secureUnit);
  }
  record.eventIdentifier = event.eventIdentifier;
  record.title = event.title;
  record.fallbackKey = fallbackKey;
  record.sentInvitees.clear();
  for (const CalendarInvitee& guest : guests)
    record.sentInvitees.push_back({guest.email, guest.name});

  const std::string mailDomain(text::trim(preferences_.string(MAIL_DOMAIN_KEY).value_or("")));
  CalendarInvite invite;
  invite.uid = record.uid;
  invite.title = event.title.value_or("");
  invite.start = event.start;
  invite.end = event.end;
  invite.isAllDay = event.allDay;
  invite.location = event.location;
  invite.organizerName = config.organizerName;
  invite.organizerEmail =
      "rsvp+" + record.token + "@" + (mailDomain.empty() ? hostOf(*config.endpoint) : mailDomain);
  invite.organizerSentBy = organizer;
  invite.invitees = guests;
  invite.sequence = record.sequence;
  const InviteTexts texts{record.token, ICalendar::request(invite, clock_()),
                          frenchWhen(event.start, event.end, event.allDay)};
  Json payload = sendPayload(invite, texts, *organizer, config.organizerName);

  // The backend's key goes to the backend only: a relay elsewhere is not given it.
  const std::optional<std::string> root = backend_.root();
  const bool withKey = root && config.endpoint->starts_with(*root + "/");
  post(*config.endpoint, std::move(payload), withKey,
       [this, record, lines, done = std::move(done)](std::optional<std::string> error) mutable {
         if (error) {
           lines.insert(lines.begin(), failure(*error));
           return done(lines);
         }
         std::string status =
             record.sentInvitees.size() == 1
                 ? Loc::string("invite.status.sentOne", "Invitation envoyée à ") +
                       record.sentInvitees.front().name.value_or(record.sentInvitees.front().email)
                 : Loc::format(Loc::string("invite.status.sentMany",
                                           "Invitations envoyées à %@ personnes."),
                               {std::to_string(record.sentInvitees.size())});
         lines.insert(lines.begin(), std::move(status));
         try {
           registry_.put(record);
         } catch (const FileError& e) {
           lines.emplace_back(e.what());
         }
         done(lines);
       });
}

void Invitations::post(const std::string& endpoint, Json payload, bool withKey,
                       std::function<void(std::optional<std::string>)> done) {
  auto exchange = [this, endpoint, payload = std::move(payload),
                   done = std::move(done)](std::optional<std::string> apiKey) mutable {
    loop_.serialQueue(QUEUE).async([this, endpoint, payload = std::move(payload), apiKey,
                                    done = std::move(done)]() mutable {
      std::optional<std::string> error = postInvite(http_, endpoint, payload, apiKey);
      asio::post(loop_.main(), [done = std::move(done), error = std::move(error)] { done(error); });
    });
  };
  if (!withKey) return exchange(std::nullopt);
  backend_.backendAuth(
      [exchange = std::move(exchange)](backend::Outcome<backend::BackendAuth> auth) mutable {
        if (auth.ok()) return exchange(auth.get().apiKey);
        // Without a key the relay refuses; its refusal says why better than a guess.
        exchange(std::nullopt);
      });
}

void Invitations::refreshAll(bool force, std::function<void(std::vector<AnswerNews>)> done) {
  const InviteConfig config = InviteConfig::read(preferences_, backend_.root());
  const Date now = clock_();
  std::vector<InviteRecord> due;
  if (config.endpoint) {
    for (const auto& [uid, record] : registry_.records()) {
      if (fetching_.contains(uid) || !dueForRefresh(record.lastFetched, now, force)) continue;
      due.push_back(record);
    }
  }
  if (due.empty()) return done({});
  const std::string readEndpoint = rsvpReadEndpoint(*config.endpoint);
  struct Round {
    std::size_t waiting;
    std::vector<AnswerNews> news;
    std::function<void(std::vector<AnswerNews>)> done;
  };
  auto round = std::make_shared<Round>(Round{due.size(), {}, std::move(done)});
  for (const InviteRecord& record : due) {
    fetching_.insert(record.uid);
    loop_.serialQueue(QUEUE).async([this, record, readEndpoint, round] {
      std::optional<RSVPRecord> fetched =
          fetchAnswers(http_, readEndpoint, record.uid, record.token);
      asio::post(loop_.main(), [this, record, round, fetched = std::move(fetched)] {
        fetching_.erase(record.uid);
        if (fetched) {
          for (const RSVPEntry& entry : fetched->invitees) {
            if (!hasResponded(entry.status)) continue;
            bool known = false;
            for (const RSVPEntry& before : record.rsvp) {
              known = known || (lowerAscii(before.email) == lowerAscii(entry.email) &&
                                before.status == entry.status);
            }
            if (known) continue;
            round->news.push_back({entry.name.value_or(entry.email), entry.status,
                                   record.title.value_or(""),
                                   record.uid + "|" + lowerAscii(entry.email)});
          }
          try {
            registry_.applyRSVP(record.uid, fetched->invitees, fetched->sequence, clock_());
          } catch (const FileError&) {
            // Said by the registry's file on its diagnostics; the answers are read next time.
          }
        }
        if (--round->waiting == 0) round->done(std::move(round->news));
      });
    });
  }
}

}  // namespace talewick::invites
