#include "services/guild/guild_service.hpp"

#include <algorithm>

#include "services/backend/mapped_call.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "together/guild_contribution.hpp"

namespace talewick::together {
namespace {

using GuildWire::Err;

template <class T>
Outcome<T> failed(Err err) {
  return {std::nullopt, std::make_exception_ptr(GuildFailure(std::move(err)))};
}

Err errWithKind(Err::Kind kind) {
  Err err;
  err.kind = kind;
  return err;
}

// The answer's JSON object; a server error when the backend sent something else.
Json objectOf(const std::string& body) {
  Json parsed = Json::parse(body, nullptr, false);
  if (!parsed.is_object()) throw GuildFailure(Err::server("réponse illisible"));
  return parsed;
}

std::optional<std::string> textAt(const Json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::string lowerTrimmed(std::string_view text) {
  std::string out = std::string(text::trim(text));
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

GuildService::GuildService(backend::BackendConnection& backend, HttpClient& http,
                           Preferences& preferences, SecretsStore& secrets, RunLoop& loop,
                           Clock clock, std::function<std::vector<std::string>()> identityEmails)
    : backend_(backend),
      http_(http),
      preferences_(preferences),
      secrets_(secrets),
      loop_(loop),
      clock_(std::move(clock)),
      identityEmails_(std::move(identityEmails)),
      ledger_(preferences, "guild") {}

std::optional<std::string> GuildService::apiKey() const {
  if (!apiKey_) {
    std::optional<std::string> stored = secrets_.get(API_KEY_ITEM);
    if (stored && !stored->empty()) apiKey_ = stored;
  }
  return apiKey_;
}

std::optional<GuildMembership> GuildService::membership() const {
  if (!isMember()) return std::nullopt;
  return GuildMembership{
      preferences_.string(MEMBER_ID_KEY).value_or(""), preferences_.string(EMAIL_KEY).value_or(""),
      preferences_.string(DOMAIN_KEY).value_or(""), preferences_.string(NAME_KEY).value_or(""),
      preferences_.string(EMBLEM_KEY)};
}

bool GuildService::sharesIdentity() const {
  const std::optional<Json> value = preferences_.value(SHARE_IDENTITY_KEY);
  return value && value->is_boolean() && value->get<bool>();
}

void GuildService::setShareIdentity(bool on) { preferences_.set(SHARE_IDENTITY_KEY, on); }

std::vector<std::string> GuildService::identityKeys() const {
  const std::string domain = lowerTrimmed(preferences_.string(DOMAIN_KEY).value_or(""));
  std::vector<std::string> keys;
  if (domain.empty()) return keys;
  std::vector<std::string> addresses =
      identityEmails_ ? identityEmails_() : std::vector<std::string>{};
  addresses.push_back(preferences_.string(EMAIL_KEY).value_or(""));
  for (const std::string& address : addresses) {
    const std::string key = lowerTrimmed(address);
    const std::size_t at = key.rfind('@');
    if (at == std::string::npos || at == 0 || key.substr(at + 1) != domain) continue;
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  }
  return keys;
}

void GuildService::call(const std::string& method, const std::string& path,
                        const std::optional<Json>& body, bool withSignup,
                        std::function<void(Outcome<std::string>)> done) {
  backend::credentialedCall<GuildFailure, Err>(
      backend_, secrets_, http_, loop_, QUEUE, {method, path, body, withSignup, CALL_TIMEOUT},
      withSignup ? std::nullopt : apiKey(), Err::Kind::notMember,
      [](std::string_view answer, int64_t status) { return GuildWire::error(answer, status); },
      std::move(done));
}

void GuildService::join(const std::string& email, std::function<void(Outcome<bool>)> done) {
  const std::string address = std::string(text::trim(email));
  call("POST", "api/guilds/join", Json{{"email", address}}, true,
       [this, address, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         try {
           preferences_.set(EMAIL_KEY, address);
         } catch (const std::exception& e) {
           return done(failed<bool>(Err::server(e.what())));
         }
         done({true, nullptr});
       });
}

void GuildService::verify(const std::string& code,
                          std::function<void(Outcome<GuildMembership>)> done) {
  const std::optional<std::string> email = preferences_.string(EMAIL_KEY);
  if (!email || email->empty()) {
    return done(failed<GuildMembership>(errWithKind(Err::Kind::invalidEmail)));
  }
  call("POST", "api/guilds/verify",
       Json{{"email", *email}, {"code", std::string(text::trim(code))}}, true,
       [this, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         Outcome<GuildMembership> outcome;
         try {
           const Json object = objectOf(*answer.value);
           const std::optional<std::string> key = textAt(object, "apiKey");
           const std::optional<std::string> memberId = textAt(object, "memberId");
           const auto guild = object.find("guild");
           if (!key || key->empty() || !memberId || guild == object.end() || !guild->is_object()) {
             throw GuildFailure(Err::server("réponse illisible"));
           }
           // The key first: without it nothing else makes a member, and a failure leaves none.
           secrets_.set(API_KEY_ITEM, *key);
           apiKey_ = *key;
           preferences_.set(MEMBER_ID_KEY, *memberId);
           preferences_.set(DOMAIN_KEY, textAt(*guild, "domain").value_or(""));
           preferences_.set(NAME_KEY, textAt(*guild, "name").value_or(""));
           if (auto emblem = textAt(*guild, "emblem")) {
             preferences_.set(EMBLEM_KEY, *emblem);
           } else {
             preferences_.remove(EMBLEM_KEY);
           }
           outcome.value = membership();
         } catch (const GuildFailure&) {
           outcome.failure = std::current_exception();
         } catch (const std::exception& e) {
           outcome = failed<GuildMembership>(Err::server(e.what()));
         }
         done(std::move(outcome));
       });
}

void GuildService::fetchBoard(std::function<void(Outcome<GuildWire::Board>)> done) {
  call("GET", "api/guilds/board?today=" + LocalCalendar::dayKey(clock_()), std::nullopt, false,
       [this, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         Outcome<GuildWire::Board> outcome;
         try {
           outcome.value = objectOf(*answer.value).get<GuildWire::Board>();
         } catch (const GuildFailure&) {
           return done({std::nullopt, std::current_exception()});
         } catch (const std::exception&) {
           return done(failed<GuildWire::Board>(Err::server("réponse illisible")));
         }
         latestBoard_ = outcome.value;
         currentSeason_ = outcome.value->season;
         fetchedAt_ = clock_();
         done(std::move(outcome));
       });
}

void GuildService::refreshSeasonIfStale(std::function<void(Outcome<bool>)> done) {
  if (!isMember() || (fetchedAt_ && clock_() - *fetchedAt_ < SEASON_STALE_SECONDS)) {
    return done({false, nullptr});
  }
  fetchBoard([done = std::move(done)](Outcome<GuildWire::Board> board) {
    if (!board.ok()) return done({std::nullopt, board.failure});
    done({true, nullptr});
  });
}

void GuildService::pushDailyStatsIfNeeded(const GuildDailyStats& stats,
                                          std::function<void(Outcome<bool>)> done) {
  if (!isMember()) return done({false, nullptr});
  const Date now = clock_();
  const std::string day = LocalCalendar::dayKey(now);
  int64_t xp = 0;
  try {
    xp = GuildContribution::capXp(ledger_.dayXp(now, stats.totalXp));
  } catch (const std::exception& e) {
    return done(failed<bool>(Err::server(e.what())));
  }
  if (ledger_.pushedOn(day) && ledger_.pushedXp(day) == xp) return done({false, nullptr});

  GuildContribution::DailyAggregate aggregate{
      day, xp, stats.questsDoneToday, stats.streak, stats.heroName, stats.mode, stats.vocation};
  GuildContribution::Extras extras{stats.totalXp, stats.level, stats.avatar, std::nullopt};
  if (sharesIdentity()) extras.identityKeys = identityKeys();
  call("POST", "api/guilds/stats", GuildContribution::networkBody(aggregate, extras), false,
       [this, day, xp, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         try {
           ledger_.recordPush(day, xp);
         } catch (const std::exception& e) {
           return done(failed<bool>(Err::server(e.what())));
         }
         done({true, nullptr});
       });
}

void GuildService::forgetMembership() {
  apiKey_.reset();
  secrets_.remove(API_KEY_ITEM);
  for (const char* key : {MEMBER_ID_KEY, EMAIL_KEY, DOMAIN_KEY, NAME_KEY, EMBLEM_KEY}) {
    preferences_.remove(key);
  }
  ledger_.clear();
  latestBoard_.reset();
  currentSeason_.reset();
  fetchedAt_.reset();
}

void GuildService::leave(std::function<void(Outcome<bool>)> done) {
  call("DELETE", "api/guilds/member", std::nullopt, false,
       [this, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         try {
           forgetMembership();
         } catch (const std::exception& e) {
           return done(failed<bool>(Err::server(e.what())));
         }
         done({true, nullptr});
       });
}

void GuildService::rename(const std::string& name, std::function<void(Outcome<std::string>)> done) {
  call("PATCH", "api/guilds/name", Json{{"name", std::string(text::trim(name))}}, false,
       [this, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         Outcome<std::string> outcome;
         try {
           const std::optional<std::string> kept = textAt(objectOf(*answer.value), "name");
           if (!kept) throw GuildFailure(Err::server("réponse illisible"));
           preferences_.set(NAME_KEY, *kept);
           outcome.value = *kept;
         } catch (const GuildFailure&) {
           outcome.failure = std::current_exception();
         } catch (const std::exception& e) {
           outcome = failed<std::string>(Err::server(e.what()));
         }
         done(std::move(outcome));
       });
}

}  // namespace talewick::together
