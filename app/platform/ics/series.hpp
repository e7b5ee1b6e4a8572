// A series as read from a file: one UID, its master (the series, or the single event) with its
// recurrence rules and dates, and its overrides; the reader makes them. Its occurrences in a
// window are its DTSTART, what its rules (walked by occurrences.hpp) and RDATEs add, less its
// EXDATEs, with its overrides in place of the occurrences they replace.
#pragma once

#include <libical/ical.h>

#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "platform/ics/occurrences.hpp"
#include "platform/ics/times.hpp"
#include "support/date.hpp"

namespace talewick::ics {

struct Series {
  std::string uid;
  bool hasMaster = false;
  CalendarEvent master;  // with the times of DTSTART
  Stamp dtstart;
  int durationDays = 0;        // all-day events: whole days
  double durationSeconds = 0;  // and the rest (timed events: all of it)
  std::vector<Rule> rules;
  std::vector<Stamp> rdates;
  std::vector<Date> exdates;             // sorted instants
  std::vector<icaltimetype> exdateDays;  // EXDATE;VALUE=DATE on a timed series
  struct Override {
    Date recurrenceId;
    CalendarEvent event;
  };
  std::vector<Override> overrides;  // sorted by recurrenceId

  bool recurring() const { return !rules.empty() || !rdates.empty(); }
  double longestSeconds() const { return durationDays * 86400.0 + durationSeconds; }
};

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
