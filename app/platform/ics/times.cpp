#include "platform/ics/times.hpp"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>

#include "core/calendar_port.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick::ics {

// --- Values ---

bool TimeValue::operator==(const TimeValue& o) const {
  return icaltime_compare(time, o.time) == 0 && time.is_date == o.time.is_date && utc == o.utc &&
         tzid == o.tzid;
}

std::optional<icaltimetype> parseTimeText(std::string_view s, bool& utc) {
  const auto digits = [&](size_t from, size_t count, int& out) {
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
      if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
      out = out * 10 + (s[i] - '0');
    }
    return true;
  };
  icaltimetype t = icaltime_null_time();
  utc = false;
  if (!digits(0, 4, t.year) || !digits(4, 2, t.month) || !digits(6, 2, t.day)) return std::nullopt;
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > icaltime_days_in_month(t.month, t.year)) {
    return std::nullopt;
  }
  if (s.size() == 8) {
    t.is_date = 1;
    return t;
  }
  if (s.size() < 15 || s[8] != 'T' || !digits(9, 2, t.hour) || !digits(11, 2, t.minute) ||
      !digits(13, 2, t.second) || t.hour > 23 || t.minute > 59 || t.second > 60) {
    return std::nullopt;
  }
  if (s.size() == 16 && (s[15] == 'Z' || s[15] == 'z'))
    utc = true;
  else if (s.size() != 15)
    return std::nullopt;
  return t;
}

std::vector<TimeValue> timesOf(const Prop& p) {
  std::vector<TimeValue> out;
  for (const std::string& part : split(p.value, ',')) {
    const std::string text(text::trim(part.substr(0, part.find('/'))));
    TimeValue v;
    auto t = parseTimeText(text, v.utc);
    if (!t) continue;
    v.time = *t;
    if (!v.utc && !v.time.is_date) v.tzid = p.paramValue("TZID");
    out.push_back(v);
  }
  return out;
}

std::optional<TimeValue> timeOf(const Prop& p) {
  auto times = timesOf(p);
  if (times.empty()) return std::nullopt;
  return times.front();
}

std::string timeText(const TimeValue& v) {
  char buffer[32];
  const icaltimetype& t = v.time;
  if (t.year < 1 || t.year > 9999) {
    throw CalendarInputError(Loc::string(
        "calendar.dateOutOfRange",
        "date hors de ce qu'un calendrier peut écrire (de l'an 1 à l'an 9999), rien n'est écrit"));
  }
  if (t.is_date) {
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", t.year, t.month, t.day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d%s", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, v.utc ? "Z" : "");
  }
  return buffer;
}

std::string timesLine(const std::string& name, const std::vector<TimeValue>& values,
                      const Prop* base) {
  Prop p = base ? *base : Prop{name, {}, ""};
  p.name = name;
  p.removeParam("VALUE");
  p.removeParam("TZID");
  std::vector<Param> params;
  if (values.front().time.is_date) params.push_back(Param{"VALUE", {"DATE"}});
  if (!values.front().tzid.empty()) params.push_back(Param{"TZID", {values.front().tzid}});
  p.params.insert(p.params.begin(), params.begin(), params.end());
  p.value.clear();
  for (const TimeValue& v : values) p.value += (p.value.empty() ? "" : ",") + timeText(v);
  return p.line();
}

std::string timeLine(const std::string& name, const TimeValue& value, const Prop* base) {
  return timesLine(name, {value}, base);
}

icaltimetype fieldsTime(int year, int month, int day, int hour, int minute, int second,
                        bool isDate) {
  icaltimetype t = icaltime_null_time();
  t.year = year;
  t.month = month;
  t.day = day;
  if (isDate) {
    t.is_date = 1;
  } else {
    t.hour = hour;
    t.minute = minute;
    t.second = second;
  }
  return t;
}

// --- Instants ---

std::string processZoneId() {
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
  icu::UnicodeString id;
  zone->getID(id);
  std::string out;
  id.toUTF8String(out);
  return out;
}

namespace {

// Seconds of a wall-clock reading, as if it were UTC. (libical's icaltime_as_timet gives -1 for
// any time before 1902.)
long long naiveSeconds(const icaltimetype& t) {
  return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600 + t.minute * 60 + t.second;
}

// The wall-clock fields read on the local clock, seconds added after the minute.
Date localInstant(int year, int month, int day, int hour, int minute, int second) {
  if (auto d = LocalCalendar::dateFrom(CivilTime{year, month, day, hour, minute, 0})) {
    return d->adding(second);
  }
  return Date::fromUnix(static_cast<double>(daysFromCivil(year, month, day)) * 86400.0 +
                        hour * 3600.0 + minute * 60.0 + second);
}

// libical reads a wall time the zone skips with the offset in force after the gap, which puts
// it an hour early: its answer is taken only when it reads back as the same wall time.
Date zonedInstant(const icaltimetype& wall, icaltimezone* zone) {
  const time_t t = icaltime_as_timet_with_zone(wall, zone);
  const icaltimetype back = icaltime_from_timet_with_zone(t, 0, zone);
  if (back.hour == wall.hour && back.minute == wall.minute && back.second == wall.second &&
      back.day == wall.day) {
    return Date::fromUnix(static_cast<double>(t));
  }
  icaltimetype utc = icaltime_from_timet_with_zone(t, 0, utcZone());
  int daylight = 0;
  const int before = icaltimezone_get_utc_offset_of_utc_time(zone, &utc, &daylight);
  return Date::fromUnix(static_cast<double>(naiveSeconds(wall) - before));
}

}  // namespace

Date instantOf(const icaltimetype& wall, Clock clock, icaltimezone* zone) {
  switch (clock) {
    case Clock::utc:
      return Date::fromUnix(static_cast<double>(naiveSeconds(wall)));
    case Clock::zoned:
      return zonedInstant(wall, zone);
    case Clock::floating:
      return localInstant(wall.year, wall.month, wall.day, wall.hour, wall.minute, wall.second);
    case Clock::date:
      return localInstant(wall.year, wall.month, wall.day, 0, 0, 0);
  }
  return Date{};
}

Date instantOf(const Stamp& s) { return instantOf(s.wall, s.clock, s.zone); }

icaltimetype wallOf(Date instant, Clock clock, icaltimezone* zone, bool asDate) {
  if (clock == Clock::utc || clock == Clock::zoned) {
    return icaltime_from_timet_with_zone(static_cast<time_t>(std::floor(instant.unix())),
                                         asDate ? 1 : 0, clock == Clock::utc ? utcZone() : zone);
  }
  const LocalCalendar::Fields f = LocalCalendar::fields(instant);
  return fieldsTime(f.year, f.month, f.day, f.hour, f.minute, f.second,
                    asDate || clock == Clock::date);
}

bool isCalendarTime(const icaltimetype& t) {
  if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > icaltime_days_in_month(t.month, t.year)) {
    return false;
  }
  return t.is_date || (t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
                       t.second >= 0 && t.second <= 60);
}

int compareCivil(const icaltimetype& a, const icaltimetype& b, bool datesOnly) {
  const int av[] = {a.year, a.month, a.day, a.hour, a.minute, a.second};
  const int bv[] = {b.year, b.month, b.day, b.hour, b.minute, b.second};
  for (int i = 0; i < (datesOnly ? 3 : 6); ++i) {
    if (av[i] != bv[i]) return av[i] < bv[i] ? -1 : 1;
  }
  return 0;
}

Stamp stampOf(const TimeValue& v, Zones& zones) {
  icaltimetype t = v.time;
  t.zone = nullptr;
  if (t.is_date) {
    t.hour = t.minute = t.second = 0;
    return {t, Clock::date, nullptr};
  }
  if (v.utc) {
    t.zone = utcZone();
    return {t, Clock::utc, utcZone()};
  }
  if (icaltimezone* zone = zones.find(v.tzid)) {
    t.zone = zone;
    return {t, zone == utcZone() ? Clock::utc : Clock::zoned, zone};
  }
  // No zone, or one nobody knows: the user's own clock.
  return {t, Clock::floating, nullptr};
}

Date instantOf(const TimeValue& v, Zones& zones) { return instantOf(stampOf(v, zones)); }

TimeForm formOf(const TimeValue& v) {
  if (v.time.is_date) return {TimeForm::Kind::date, ""};
  if (v.utc) return {TimeForm::Kind::utc, ""};
  if (!v.tzid.empty()) return {TimeForm::Kind::zoned, v.tzid};
  return {TimeForm::Kind::floating, ""};
}

TimeValue valueIn(const TimeForm& form, Date d, Zones& zones) {
  TimeValue v;
  v.time.is_date = form.kind == TimeForm::Kind::date;
  v.utc = form.kind == TimeForm::Kind::utc;
  if (form.kind == TimeForm::Kind::zoned) v.tzid = form.tzid;
  const Stamp clock = stampOf(v, zones);
  const icaltimetype t = wallOf(d, clock.clock, clock.zone, false);
  v.time = fieldsTime(t.year, t.month, t.day, t.hour, t.minute, t.second, t.is_date);
  return v;
}

namespace {

// The process time zone as an Olson id libical knows and agrees with at `at`; nullopt for UTC
// or a zone it cannot name.
std::optional<std::string> processZone(Date at) {
  const std::string name = processZoneId();
  if (name.empty() || name.find('/') == std::string::npos || name.starts_with("Etc/")) {
    return std::nullopt;
  }
  icaltimezone* z = builtinZone(name);
  if (!z || z == utcZone()) return std::nullopt;
  const CivilFields f = civilFromUnix(std::floor(at.unix()), 0);
  icaltimetype t = fieldsTime(f.year, f.month, f.day, f.hour, f.minute, f.second, false);
  t.zone = utcZone();
  int daylight = 0;
  if (icaltimezone_get_utc_offset_of_utc_time(z, &t, &daylight) !=
      LocalCalendar::utcOffsetSeconds(at)) {
    return std::nullopt;
  }
  return name;
}

}  // namespace

TimeForm defaultTimedForm(Date at) {
  if (auto zone = processZone(at)) return {TimeForm::Kind::zoned, *zone};
  return {TimeForm::Kind::utc, ""};
}

// --- Comparing and moving occurrences ---

Key keyOf(Date d, bool byDay) {
  if (byDay) {
    const LocalCalendar::Fields f = LocalCalendar::fields(d);
    return daysFromCivil(f.year, f.month, f.day);
  }
  return std::llround(d.seconds);
}

Key keyOf(const TimeValue& v, bool byDay, Zones& zones) {
  if (byDay && v.time.is_date) return daysFromCivil(v.time.year, v.time.month, v.time.day);
  return keyOf(instantOf(v, zones), byDay);
}

TimeValue Shift::apply(const TimeValue& v, Zones& zones) const {
  TimeValue moved = v;
  if (seconds != 0) {
    const long long days = seconds / 86400;
    const long long rest = seconds % 86400;
    icaltime_adjust(&moved.time, static_cast<int>(days), 0, 0, static_cast<int>(rest));
  }
  if (from == to) return moved;
  return valueIn(to, instantOf(moved, zones), zones);
}

Shift makeShift(const TimeForm& from, const TimeForm& to, Date occurrence, Date start,
                Zones& zones) {
  return Shift{from, to,
               naiveSeconds(valueIn(from, start, zones).time) -
                   naiveSeconds(valueIn(from, occurrence, zones).time)};
}

}  // namespace talewick::ics
