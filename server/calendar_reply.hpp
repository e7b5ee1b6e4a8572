// The answers an iCalendar reply (METHOD:REPLY, RFC 5546) carries: what a calendar program mails
// back to the organizer when a guest accepts, hesitates or declines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::server {

struct CalendarReply {
  std::string uid;                     // the UID of the event answered
  std::string attendee;                // the guest's address, without "mailto:"
  std::string partstat;                // as written ("ACCEPTED", "Declined"…); empty when absent
  std::optional<std::string> comment;  // the event's COMMENT, unescaped
  bool operator==(const CalendarReply&) const = default;
};

// One answer per ATTENDEE of each VEVENT of `ics`. Nothing for a calendar object of any other
// method: a forwarded invitation (METHOD:REQUEST) names its guests too, and answers for none of
// them. Folded lines, quoted parameter values and "MAILTO:" in any case are read.
std::vector<CalendarReply> calendarReplies(std::string_view ics);

}  // namespace talewick::server
