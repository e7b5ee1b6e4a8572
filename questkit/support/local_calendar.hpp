// Questions about the local calendar (Gregorian, in the process time zone: the TZ environment
// variable, else the system's). Every function is safe from any thread; each thread keeps its own
// calendar object.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "support/date.hpp"

namespace talewick::LocalCalendar {

struct Fields {
  int year, month, day, hour, minute, second;
  int weekday;  // 1 Sunday … 7 Saturday
};

Fields fields(Date d);

// "yyyy-MM-dd" of the local day holding `d`.
std::string dayKey(Date d);
std::string dayKey(const Fields& f);

// The first instant of the local day holding `d`.
Date startOfDay(Date d);

// Hour 0–23 of `d` on the local clock.
int hour(Date d);

// The same local time `days` days later (or earlier); across a daylight-saving change the
// wall-clock time is kept.
Date addingDays(Date d, int days);

// The instant of a local wall-clock time; for a time skipped by a daylight-saving change, the
// instant just after the gap. nullopt when the fields cannot be represented.
std::optional<Date> dateFrom(const CivilTime& civil);

// Offset of local time from UTC at `d`, in seconds.
int utcOffsetSeconds(Date d);

// Replaces the process time zone (an Olson id such as "Europe/Paris"); used by tests and by the
// command line's handling of TZ. Calendars of every thread pick it up on their next call.
void setTimeZone(std::string_view olsonId);

}  // namespace talewick::LocalCalendar
