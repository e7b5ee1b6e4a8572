// The occurrences of a series read from a file: its DTSTART, what its rules and RDATEs add, less
// its EXDATEs, its overrides in place of the occurrences they replace.
#pragma once

#include <libical/ical.h>

#include <vector>

#include "core/calendar_port.hpp"
#include "platform/ics/series.hpp"
#include "platform/ics/times.hpp"
#include "support/date.hpp"

namespace talewick::ics {

// A span of time asked for: occurrences overlapping [start, end) are in it, and an occurrence of
// no length when it starts there.
struct Window {
  Date start;
  Date end;
  bool operator==(const Window&) const = default;
};

// The end of an occurrence starting at `wall` (instant `start`) on `clock`, lasting `days` whole
// days (all-day events) and `seconds`.
Date endOf(const icaltimetype& wall, Clock clock, Date start, int days, double seconds);

// Appends the occurrences of `s` that fall in `w`, unsorted.
void expandSeries(const Series& s, const Window& w, std::vector<CalendarEvent>& out);

}  // namespace talewick::ics
