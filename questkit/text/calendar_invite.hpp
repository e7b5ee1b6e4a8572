// An invitation to send: the event as its guests will see it, who invites, and who is invited.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick {

struct CalendarInvitee {
  std::string email;
  std::optional<std::string> name;
  bool operator==(const CalendarInvitee&) const = default;
};

struct CalendarInvite {
  std::string uid;
  std::string title;
  Date start;
  Date end;
  bool isAllDay = false;
  std::optional<std::string> location;
  std::optional<std::string> description;
  std::optional<std::string> organizerName;
  std::string organizerEmail;                  // where calendar programs send the answers
  std::optional<std::string> organizerSentBy;  // the person behind that address
  std::vector<CalendarInvitee> invitees;
  int64_t sequence = 0;  // revision of the invitation, 0 for the first one sent
  bool operator==(const CalendarInvite&) const = default;
};

void to_json(Json& j, const CalendarInvitee& v);
void from_json(const Json& j, CalendarInvitee& v);
void to_json(Json& j, const CalendarInvite& v);
void from_json(const Json& j, CalendarInvite& v);

}  // namespace talewick
