// Invitations as `talewick rules` reaches them: the iCalendar request, tokens and UIDs, the
// answer records and the texts around invitations. A method of a record reads the record under
// "record"; a random source is {"rng": [...]}.
#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/uuid.hpp"
#include "text/icalendar.hpp"
#include "text/invite_lore.hpp"
#include "text/rsvp.hpp"
#include "text/rsvp_record.hpp"
#include "text/rsvp_token.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;

Json request(const Json& j) {
  return ICalendar::request(required<CalendarInvite>(j, "invite"), required<Date>(j, "dtStamp"));
}

// newUID() draws its UUID; one given as "uuid" makes the answer repeatable.
Json newUID(const Json& j) {
  const auto uuid = optional<std::string>(j, "uuid");
  return RSVPToken::newUID(uuid ? *uuid : randomUUID());
}
Json newToken(const Json& j) {
  return RSVPToken::newToken(required<int64_t>(j, "length"), randomSource(j));
}
// The token comes unlabelled: read as "token", or "value" like the other unlabelled texts.
Json isValidToken(const Json& j) {
  const bool labelled = j.is_object() && j.contains("token");
  return RSVPToken::isValidToken(required<std::string>(j, labelled ? "token" : "value"));
}
Json alphabet(const Json&) { return std::string(RSVPToken::alphabet); }

Json statusFromPartstat(const Json& j) {
  return std::string(rawValue(rsvpStatus(required<std::string>(j, "partstat"))));
}
Json statusHasResponded(const Json& j) { return hasResponded(required<RSVPStatus>(j, "status")); }

RSVPRecord record(const Json& j) { return required<RSVPRecord>(j, "record"); }
Json respondedCount(const Json& j) { return record(j).respondedCount(); }
Json summary(const Json& j) { return record(j).summary(required<int64_t>(j, "totalInvited")); }
Json merged(const Json& j) {
  return record(j).merged(required<std::vector<RSVPEntry>>(j, "withEventKit"),
                          required<std::map<std::string, RSVPStatus>>(j, "responses"));
}

Json loreLine(const Json& j) { return InviteLore::line(required<std::string>(j, "forTitle")); }
Json loreStrings(const Json& j) {
  using InviteRSVPLore::Strings;
  Json out;
  json_coding::writeFields(out, InviteRSVPLore::strings(required<RPGMode>(j, "for")),
                           std::tuple{json_coding::Field{"noticeTitle", &Strings::noticeTitle},
                                      json_coding::Field{"noticeBody", &Strings::noticeBody},
                                      json_coding::Field{"accepted", &Strings::accepted}});
  return out;
}
template <std::string (*text)()>
Json loreText(const Json&) {
  return text();
}

constexpr std::array kRules{
    Rule{"ICalendar.request", request},
    Rule{"RSVPToken.newUID", newUID},
    Rule{"RSVPToken.newToken", newToken},
    Rule{"RSVPToken.isValidToken", isValidToken},
    Rule{"RSVPToken.alphabet", alphabet},
    Rule{"RSVPStatus.init", statusFromPartstat},
    Rule{"RSVPStatus.hasResponded", statusHasResponded},
    Rule{"RSVPRecord.respondedCount", respondedCount},
    Rule{"RSVPRecord.summary", summary},
    Rule{"RSVPRecord.merged", merged},
    Rule{"InviteLore.line", loreLine},
    Rule{"InviteRSVPLore.strings", loreStrings},
    Rule{"InviteRSVPLore.acceptAction", loreText<InviteRSVPLore::acceptAction>},
    Rule{"InviteRSVPLore.tentativeAction", loreText<InviteRSVPLore::tentativeAction>},
    Rule{"InviteRSVPLore.declineAction", loreText<InviteRSVPLore::declineAction>},
    Rule{"InviteRSVPLore.tentativeConfirmed", loreText<InviteRSVPLore::tentativeConfirmed>},
    Rule{"InviteRSVPLore.declinedConfirmed", loreText<InviteRSVPLore::declinedConfirmed>},
    Rule{"InviteRSVPLore.failed", loreText<InviteRSVPLore::failed>},
};

}  // namespace

std::span<const Rule> inviteRules() { return kRules; }

}  // namespace talewick::ui
