// The iCalendar request mailed to the guests of an invitation, written byte for byte by us so
// that every calendar program receives the same text: one VEVENT, UTC times, no time zones.
#pragma once

#include <string>
#include <string_view>

#include "support/date.hpp"
#include "text/calendar_invite.hpp"

namespace talewick::ICalendar {

// The whole calendar object (METHOD:REQUEST), lines folded and ended by CR LF. `dtStamp` is
// the moment the request is written. A location or description that is empty is left out, as
// is the CN of a person without a name. Names and addresses lose their control characters: a
// line break there would end the property and let the rest pass for another one.
std::string request(const CalendarInvite& invite, Date dtStamp);

// `line` cut into physical lines of at most 75 octets, the continuations starting with a space
// (so they carry 74 octets of text), joined with CR LF. A UTF-8 sequence is never split.
std::string foldLine(std::string_view line);

}  // namespace talewick::ICalendar
