// The times of an .ics file: DATE and DATE-TIME values as written (with the TZID they were
// written with), and the instants they stand for. Values are read and written here, so that a
// rewritten time keeps the form (all-day, UTC, zoned, floating) its series uses; libical reads the
// zones.
//
// Dates stand at local midnight, and floating times (and times in a zone nobody can name) on the
// local clock of the process.
#pragma once

#include <libical/ical.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ics/lines.hpp"
#include "platform/ics/zones.hpp"
#include "support/date.hpp"

namespace talewick::ics {

// --- Values ---

// A DATE or DATE-TIME value with the TZID it was written with.
struct TimeValue {
  icaltimetype time = icaltime_null_time();  // fields and is_date only; zone left unset
  bool utc = false;
  std::string tzid;

  bool operator==(const TimeValue& o) const;
};

// "20261205" (a date), "20261205T081500" or "20261205T081500Z"; nullopt for anything else, or a
// day or time that does not exist. `utc` tells whether it ended with Z.
std::optional<icaltimetype> parseTimeText(std::string_view s, bool& utc);

// The values of a DATE / DATE-TIME property (EXDATE and RDATE may list several; an RDATE period
// counts by its start). Values that do not read are left out.
std::vector<TimeValue> timesOf(const Prop& p);
std::optional<TimeValue> timeOf(const Prop& p);

// The value as written: "20261205", "20261205T081500" or "20261205T081500Z". Every time an edit
// writes comes through here: one outside years 1 to 9999, which no reader could take back,
// throws CalendarInputError.
std::string timeText(const TimeValue& v);

// `values` as the value of a `name` line (VALUE=DATE and TZID after the first one), with the other
// parameters of `base`.
std::string timesLine(const std::string& name, const std::vector<TimeValue>& values,
                      const Prop* base);
std::string timeLine(const std::string& name, const TimeValue& value, const Prop* base = nullptr);

icaltimetype fieldsTime(int year, int month, int day, int hour, int minute, int second,
                        bool isDate);

// --- Instants ---

// The process time zone's identifier: floating and all-day times depend on it.
std::string processZoneId();

// How a written time becomes an instant.
enum class Clock : uint8_t { utc, zoned, floating, date };

struct Stamp {
  icaltimetype wall = icaltime_null_time();  // as written (zone set for zoned and UTC times)
  Clock clock = Clock::floating;
  icaltimezone* zone = nullptr;
};

// The instant of a wall time read on `clock`: the one conversion every reading and every edit
// goes through. A time the zone skips (the hour lost to summer time) is read with the offset in
// force before the gap, as iCalendar says: 02:30 on the night Paris clocks go from 02:00 to 03:00
// is 03:30 summer time, 01:30 UTC. A date stands at its local midnight.
Date instantOf(const icaltimetype& wall, Clock clock, icaltimezone* zone);
Date instantOf(const Stamp& s);

// The wall time on `clock` of an instant (a date on the date clock, or when `asDate`).
icaltimetype wallOf(Date instant, Clock clock, icaltimezone* zone, bool asDate);

// A day (and time) that exists, in the years an iCalendar file can hold. (libical's own check
// stops at year 3000.)
bool isCalendarTime(const icaltimetype& t);

// -1, 0 or 1 as `a` reads before, like or after `b`, field by field (the dates alone with
// `datesOnly`).
int compareCivil(const icaltimetype& a, const icaltimetype& b, bool datesOnly);

// The clock a value is read on: a date, UTC, the zone its TZID names, else the local clock.
Stamp stampOf(const TimeValue& v, Zones& zones);

Date instantOf(const TimeValue& v, Zones& zones);

// How a series writes its times: the value type and TZID of its DTSTART.
struct TimeForm {
  enum class Kind { date, utc, zoned, floating } kind = Kind::utc;
  std::string tzid;  // zoned
  bool operator==(const TimeForm&) const = default;
};

TimeForm formOf(const TimeValue& v);

// The instant `d` as a value of that form (a date: its local day).
TimeValue valueIn(const TimeForm& form, Date d, Zones& zones);

// The form of a timed event nobody placed yet: the process zone by name when libical knows it and
// agrees with it at `at`, else UTC.
TimeForm defaultTimedForm(Date at);

// Gives the calendar a VTIMEZONE for a zoned form (zones.hpp).
inline void ensureTimezone(Component& calendar, const TimeForm& form) {
  if (form.kind == TimeForm::Kind::zoned) ensureTimezone(calendar, form.tzid);
}

// --- Comparing and moving occurrences ---

// What occurrences are compared by: the local day for an all-day series, else the second.
using Key = long long;

Key keyOf(Date d, bool byDay);
Key keyOf(const TimeValue& v, bool byDay, Zones& zones);

// The time values of a series follow its edited occurrence: moved by the same wall-clock
// distance, then written in the series' new form.
struct Shift {
  TimeForm from, to;
  long long seconds = 0;

  TimeValue apply(const TimeValue& v, Zones& zones) const;
};

// The shift that takes the occurrence at `occurrence` to `start`, from form `from` to form `to`.
Shift makeShift(const TimeForm& from, const TimeForm& to, Date occurrence, Date start,
                Zones& zones);

}  // namespace talewick::ics
