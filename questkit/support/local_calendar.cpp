#include "support/local_calendar.hpp"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace talewick::LocalCalendar {
namespace {

std::atomic<int> gZoneGeneration{0};

// The thread's calendar, rebuilt when the process time zone changes.
icu::Calendar& calendar() {
  thread_local std::unique_ptr<icu::Calendar> cal;
  thread_local int generation = -1;
  const int current = gZoneGeneration.load(std::memory_order_acquire);
  if (!cal || generation != current) {
    UErrorCode status = U_ZERO_ERROR;
    cal = std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createDefault(),
                                                   icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU calendar unavailable");
    // A pure Gregorian calendar, also for dates before 1582.
    static_cast<icu::GregorianCalendar&>(*cal).setGregorianChange(-INFINITY, status);
    generation = current;
  }
  return *cal;
}

UDate toUDate(Date d) { return d.unix() * 1000.0; }
Date fromUDate(UDate u) { return Date::fromUnix(u / 1000.0); }

icu::Calendar& at(Date d) {
  icu::Calendar& cal = calendar();
  UErrorCode status = U_ZERO_ERROR;
  cal.setTime(toUDate(d), status);
  return cal;
}

int get(icu::Calendar& cal, UCalendarDateFields field) {
  UErrorCode status = U_ZERO_ERROR;
  return cal.get(field, status);
}

int offsetAt(double unixSeconds) {
  icu::Calendar& cal = at(Date::fromUnix(unixSeconds));
  return (get(cal, UCAL_ZONE_OFFSET) + get(cal, UCAL_DST_OFFSET)) / 1000;
}

// Calendar arithmetic is the hot part of forging and loading. Within one UTC day the zone's
// offset almost never changes, so each thread remembers, for a few recent UTC days, the offset
// that held from the day's first second to its last; local fields are then plain arithmetic.
struct OffsetCache {
  static constexpr size_t SIZE = 64;
  struct Entry {
    int64_t utcDay = INT64_MIN;
    int offset = 0;
    bool uniform = false;
  };
  std::array<Entry, SIZE> entries;
  int generation = -1;
};

std::optional<int> uniformOffset(double unixSeconds) {
  if (!std::isfinite(unixSeconds) || std::fabs(unixSeconds) > 1e13) return std::nullopt;
  thread_local OffsetCache cache;
  const int current = gZoneGeneration.load(std::memory_order_acquire);
  if (cache.generation != current) {
    cache.entries = {};
    cache.generation = current;
  }
  const auto utcDay = static_cast<int64_t>(std::floor(unixSeconds / 86400.0));
  OffsetCache::Entry& e = cache.entries[static_cast<size_t>(utcDay) % OffsetCache::SIZE];
  if (e.utcDay != utcDay) {
    const double dayStart = static_cast<double>(utcDay) * 86400.0;
    const int first = offsetAt(dayStart);
    e = OffsetCache::Entry{utcDay, first, first == offsetAt(dayStart + 86399.0)};
  }
  if (!e.uniform) return std::nullopt;
  return e.offset;
}

}  // namespace

Fields fields(Date d) {
  if (auto offset = uniformOffset(d.unix())) {
    const CivilFields c = civilFromUnix(d.unix(), *offset);
    return Fields{c.year, c.month, c.day, c.hour, c.minute, c.second, c.weekday};
  }
  icu::Calendar& cal = at(d);
  return Fields{get(cal, UCAL_EXTENDED_YEAR), get(cal, UCAL_MONTH) + 1, get(cal, UCAL_DATE),
                get(cal, UCAL_HOUR_OF_DAY),   get(cal, UCAL_MINUTE),    get(cal, UCAL_SECOND),
                get(cal, UCAL_DAY_OF_WEEK)};
}

std::string dayKey(const Fields& f) {
  char buf[32];
  const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
  return std::string(buf, static_cast<size_t>(n));
}

std::string dayKey(Date d) { return dayKey(fields(d)); }

Date startOfDay(Date d) {
  icu::Calendar& cal = at(d);
  cal.set(UCAL_HOUR_OF_DAY, 0);
  cal.set(UCAL_MINUTE, 0);
  cal.set(UCAL_SECOND, 0);
  cal.set(UCAL_MILLISECOND, 0);
  UErrorCode status = U_ZERO_ERROR;
  return fromUDate(cal.getTime(status));
}

int hour(Date d) { return fields(d).hour; }

Date addingDays(Date d, int days) {
  icu::Calendar& cal = at(d);
  UErrorCode status = U_ZERO_ERROR;
  cal.add(UCAL_DATE, days, status);
  return fromUDate(cal.getTime(status));
}

std::optional<Date> dateFrom(const CivilTime& c) {
  icu::Calendar& cal = calendar();
  cal.clear();
  cal.set(UCAL_EXTENDED_YEAR, c.year);
  cal.set(c.year, c.month - 1, c.day, c.hour, c.minute, 0);
  cal.set(UCAL_EXTENDED_YEAR, c.year);
  UErrorCode status = U_ZERO_ERROR;
  const UDate u = cal.getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return fromUDate(u).adding(c.second);
}

int utcOffsetSeconds(Date d) { return uniformOffset(d.unix()).value_or(offsetAt(d.unix())); }

void setTimeZone(std::string_view olsonId) {
  icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(
      icu::StringPiece(olsonId.data(), static_cast<int32_t>(olsonId.size())))));
  gZoneGeneration.fetch_add(1, std::memory_order_release);
}

}  // namespace talewick::LocalCalendar
