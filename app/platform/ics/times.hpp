// The times of an .ics file as the edits see them: DATE and DATE-TIME values with the TZID they
// were written with, the zones those TZIDs name, the instants they stand for, and the recurrence
// rules that place them. libical reads zones and rules; the values themselves are read and
// written here, so that a rewritten time keeps the form (all-day, UTC, zoned, floating) its
// series uses.
//
// Dates stand at local midnight, and floating times (and times in a zone nobody can name) on the
// local clock of the process.
#pragma once

#include <libical/ical.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ics/lines.hpp"
#include "support/date.hpp"

namespace talewick::ics {

icaltimezone* utcZone();

// libical fills its table of built-in zones on first use and grows it on lookups, without a lock
// of its own: the table is filled here before threads share it, and every lookup in it goes
// through builtinZone, one thread at a time. Reading code never asks libical to resolve a TZID by
// itself (icalproperty_get_dtstart and its kind look in that table).
void prepareBuiltinZones();

// The built-in zone a TZID names (vendor prefixes such as "/mozilla.org/20050126_1/Europe/Paris"
// taken off); null for an empty TZID or one libical does not know.
icaltimezone* builtinZone(const std::string& tzid);

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

// --- Zones and instants ---

// The zones one calendar's TZIDs name: its own VTIMEZONE components, else libical's table
// (vendor prefixes such as "/mozilla.org/20050126_1/Europe/Paris" taken off).
class Zones {
 public:
  explicit Zones(const Component& calendar) : calendar_(calendar) {}
  Zones(const Zones&) = delete;
  Zones& operator=(const Zones&) = delete;
  ~Zones();

  // null for an empty TZID or one nobody can name.
  icaltimezone* find(const std::string& tzid);

 private:
  const Component& calendar_;
  std::map<std::string, icaltimezone*> cache_;
  std::vector<icaltimezone*> owned_;
};

// The wall-clock fields read on the local clock (a date at its midnight).
Date localInstant(const icaltimetype& t);

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

// Gives the calendar a VTIMEZONE for a zoned form when it has none and libical knows the zone
// (its rules from 1970 on), ahead of its other components.
void ensureTimezone(Component& calendar, const TimeForm& form);

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

// --- Rules ---

// An RRULE value as libical reads it; an extension part it does not know (an X- part) is left
// out, and a rule in another calendar scale (RSCALE) is not read. nullopt when it does not read.
std::optional<icalrecurrencetype> ruleOf(const std::string& value);

}  // namespace talewick::ics
