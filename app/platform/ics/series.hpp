// A series as read from a file: one UID, its master (the series, or the single event) with its
// recurrence rules and dates, and its overrides. The reader makes them; occurrences.hpp expands
// them into the occurrences of a window.
#pragma once

#include <libical/ical.h>

#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "platform/ics/times.hpp"
#include "support/date.hpp"

namespace talewick::ics {

struct Rule {
  icalrecurrencetype recur;
  std::string rscale;  // kept here: the rule's own pointer dies with the parsed file
  // An INTERVAL too large for libical, whose second period starts after year 9999: only the
  // first period has occurrences, and `recur` is the rule without its INTERVAL.
  bool firstPeriodOnly = false;
};

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

}  // namespace talewick::ics
