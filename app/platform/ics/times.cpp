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

icaltimezone* utcZone() {
  prepareBuiltinZones();
  return icaltimezone_get_utc_timezone();
}

namespace {

std::mutex& builtinZonesMutex() {
  static std::mutex mutex;
  return mutex;
}

icaltimezone* lookUpBuiltinZone(const std::string& tzid) {
  if (tzid.empty() || tzid.find("..") != std::string::npos) return nullptr;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str())) return z;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone(tzid.c_str())) return z;
  // Vendor prefixes such as "/mozilla.org/20050126_1/Europe/Paris".
  for (size_t slash = tzid.find('/'); slash != std::string::npos;
       slash = tzid.find('/', slash + 1)) {
    const std::string rest = tzid.substr(slash + 1);
    if (rest.find('/') == std::string::npos) break;  // "Paris" alone names nothing
    if (icaltimezone* z = icaltimezone_get_builtin_timezone(rest.c_str())) return z;
  }
  return nullptr;
}

}  // namespace

void prepareBuiltinZones() {
  static std::once_flag filled;
  std::call_once(filled, [] {
    std::lock_guard lock(builtinZonesMutex());
    icaltimezone_get_builtin_timezones();
  });
}

icaltimezone* builtinZone(const std::string& tzid) {
  prepareBuiltinZones();
  std::lock_guard lock(builtinZonesMutex());
  // Remembered, misses included: a TZID libical does not know costs it a search of the disk.
  static std::unordered_map<std::string, icaltimezone*> known;
  auto [it, added] = known.try_emplace(tzid, nullptr);
  if (added) it->second = lookUpBuiltinZone(tzid);
  return it->second;
}

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

// --- Zones and instants ---

namespace {

// A VTIMEZONE of the calendar whose TZID reads `tzid`.
bool isZoneNamed(const Component& c, const std::string& tzid) {
  return c.name == "VTIMEZONE" && hasProperty(c, "TZID") && textValue(c, "TZID") == tzid;
}

}  // namespace

Zones::~Zones() {
  for (icaltimezone* z : owned_) icaltimezone_free(z, 1);
}

icaltimezone* Zones::find(const std::string& tzid) {
  if (tzid.empty()) return nullptr;
  if (auto it = cache_.find(tzid); it != cache_.end()) return it->second;
  icaltimezone* zone = nullptr;
  for (const Component& c : calendar_.children) {
    if (!isZoneNamed(c, tzid)) continue;
    std::string text;
    writeComponent(c, "\r\n", text);
    icalcomponent* parsed = icalparser_parse_string(text.c_str());
    if (parsed && icalcomponent_isa(parsed) == ICAL_VTIMEZONE_COMPONENT) {
      zone = icaltimezone_new();
      if (icaltimezone_set_component(zone, parsed)) {
        owned_.push_back(zone);
        parsed = nullptr;
      } else {
        icaltimezone_free(zone, 1);
        zone = nullptr;
      }
    }
    if (parsed) icalcomponent_free(parsed);
    break;
  }
  if (!zone) zone = builtinZone(tzid);
  cache_[tzid] = zone;
  return zone;
}

Date localInstant(const icaltimetype& t) {
  const CivilTime civil{t.year,
                        t.month,
                        t.day,
                        t.is_date ? 0 : t.hour,
                        t.is_date ? 0 : t.minute,
                        t.is_date ? 0.0 : static_cast<double>(t.second)};
  if (auto d = LocalCalendar::dateFrom(civil)) return *d;
  return Date{};
}

Date instantOf(const TimeValue& v, Zones& zones) {
  const icaltimetype& t = v.time;
  if (t.is_date) return localInstant(t);
  if (v.utc) {
    return Date::fromUnix(static_cast<double>(daysFromCivil(t.year, t.month, t.day) * 86400 +
                                              t.hour * 3600 + t.minute * 60 + t.second));
  }
  if (icaltimezone* zone = zones.find(v.tzid)) {
    return Date::fromUnix(static_cast<double>(icaltime_as_timet_with_zone(t, zone)));
  }
  return localInstant(t);
}

TimeForm formOf(const TimeValue& v) {
  if (v.time.is_date) return {TimeForm::Kind::date, ""};
  if (v.utc) return {TimeForm::Kind::utc, ""};
  if (!v.tzid.empty()) return {TimeForm::Kind::zoned, v.tzid};
  return {TimeForm::Kind::floating, ""};
}

namespace {

icaltimetype localTime(Date d, bool isDate) {
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  return fieldsTime(f.year, f.month, f.day, f.hour, f.minute, f.second, isDate);
}

}  // namespace

TimeValue valueIn(const TimeForm& form, Date d, Zones& zones) {
  TimeValue v;
  switch (form.kind) {
    case TimeForm::Kind::date:
      v.time = localTime(d, true);
      break;
    case TimeForm::Kind::utc: {
      const CivilFields f = civilFromUnix(std::floor(d.unix()), 0);
      v.time = fieldsTime(f.year, f.month, f.day, f.hour, f.minute, f.second, false);
      v.utc = true;
      break;
    }
    case TimeForm::Kind::zoned:
      v.tzid = form.tzid;
      if (icaltimezone* zone = zones.find(form.tzid)) {
        const icaltimetype z =
            icaltime_from_timet_with_zone(static_cast<time_t>(std::floor(d.unix())), 0, zone);
        v.time = fieldsTime(z.year, z.month, z.day, z.hour, z.minute, z.second, false);
      } else {
        v.time = localTime(d, false);
      }
      break;
    case TimeForm::Kind::floating:
      v.time = localTime(d, false);
      break;
  }
  return v;
}

namespace {

// The process time zone as an Olson id libical knows and agrees with at `at`; nullopt for UTC
// or a zone it cannot name.
std::optional<std::string> processZone(Date at) {
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
  icu::UnicodeString id;
  zone->getID(id);
  std::string name;
  id.toUTF8String(name);
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

// A VTIMEZONE named `olson` from libical's zone data, from 1970 on.
std::optional<Component> builtinTimezone(const std::string& olson) {
  icaltimezone* zone = builtinZone(olson);
  if (!zone || zone == utcZone()) return std::nullopt;
  icalcomponent* source = icaltimezone_get_component(zone);
  if (!source) return std::nullopt;
  icalcomponent* copy = icalcomponent_new_clone(source);
  icaltimezone_truncate_vtimezone(copy, icaltime_from_string("19700101T000000Z"),
                                  icaltime_null_time(), 0);
  char* text = icalcomponent_as_ical_string_r(copy);
  icalcomponent_free(copy);
  if (!text) return std::nullopt;
  auto doc = parseDocument(std::string("BEGIN:VCALENDAR\r\n") + text + "END:VCALENDAR\r\n");
  icalmemory_free_buffer(text);
  if (!doc || doc->root.children.size() != 1) return std::nullopt;
  Component& calendar = doc->root.children.front();
  if (calendar.children.size() != 1 || calendar.children.front().name != "VTIMEZONE") {
    return std::nullopt;
  }
  Component vtimezone = std::move(calendar.children.front());
  forgetLayout(vtimezone);
  setProperty(vtimezone, "TZID", "TZID:" + escapeText(olson));
  return vtimezone;
}

}  // namespace

TimeForm defaultTimedForm(Date at) {
  if (auto zone = processZone(at)) return {TimeForm::Kind::zoned, *zone};
  return {TimeForm::Kind::utc, ""};
}

void ensureTimezone(Component& calendar, const TimeForm& form) {
  if (form.kind != TimeForm::Kind::zoned) return;
  for (const Component& c : calendar.children) {
    if (isZoneNamed(c, form.tzid)) return;
  }
  auto vtimezone = builtinTimezone(form.tzid);
  if (!vtimezone) return;
  auto at = std::find_if(calendar.children.begin(), calendar.children.end(),
                         [](const Component& c) { return c.name != "VTIMEZONE"; });
  calendar.children.insert(at, std::move(*vtimezone));
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

namespace {

// Seconds of a wall-clock reading, as if it were UTC.
long long naiveSeconds(const icaltimetype& t) {
  return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600 + t.minute * 60 + t.second;
}

}  // namespace

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

// --- Rules ---

std::optional<icalrecurrencetype> ruleOf(const std::string& value) {
  if (upper(value).find("RSCALE") != std::string::npos) return std::nullopt;
  icalrecurrencetype rule = icalrecurrencetype_from_string(value.c_str());
  if (rule.freq != ICAL_NO_RECURRENCE) return rule;
  // Again with the parts libical knows, leaving out extensions such as X- parts.
  static const std::set<std::string> known{
      "FREQ",  "UNTIL",      "COUNT",     "INTERVAL", "BYSECOND", "BYMINUTE", "BYHOUR",
      "BYDAY", "BYMONTHDAY", "BYYEARDAY", "BYWEEKNO", "BYMONTH",  "BYSETPOS", "WKST"};
  std::string kept;
  for (const std::string& part : split(value, ';')) {
    if (known.count(upper(text::trim(part.substr(0, part.find('=')))))) {
      kept += (kept.empty() ? "" : ";") + part;
    }
  }
  rule = icalrecurrencetype_from_string(kept.c_str());
  if (rule.freq != ICAL_NO_RECURRENCE) return rule;
  return std::nullopt;
}

}  // namespace talewick::ics
