// A point in time, as seconds since 2001-01-01 00:00:00 UTC: the reference date of every stored
// document. Calendar questions (day, hour, time zone) belong to local_calendar.hpp.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talewick {

struct Date {
  // Seconds between 1970-01-01 and 2001-01-01, both UTC.
  static constexpr double UNIX_OFFSET = 978307200.0;

  double seconds = 0;  // since 2001-01-01 00:00:00 UTC

  static constexpr Date fromUnix(double unixSeconds) { return Date{unixSeconds - UNIX_OFFSET}; }
  constexpr double unix() const { return seconds + UNIX_OFFSET; }
  constexpr Date adding(double s) const { return Date{seconds + s}; }
  constexpr double operator-(Date other) const { return seconds - other.seconds; }

  auto operator<=>(const Date&) const = default;
};

// [start, end)
struct DateInterval {
  Date start;
  Date end;
  bool contains(const DateInterval& other) const {
    return start.seconds <= other.start.seconds && other.end.seconds <= end.seconds;
  }
  bool contains(Date date) const { return start <= date && date < end; }
  bool operator==(const DateInterval&) const = default;
};

// A local date and time as written, before a time zone is applied.
struct CivilTime {
  int year = 2001, month = 1, day = 1, hour = 0, minute = 0;
  double second = 0;
  bool operator==(const CivilTime&) const = default;
};

// Days since 1970-01-01 of a proleptic Gregorian date (negative before).
int64_t daysFromCivil(int year, int month, int day);

// 28 to 31; `month` is 1…12.
int daysInMonth(int year, int month);

// The civil time of `unixSeconds` read on a clock `offsetSeconds` ahead of UTC, with the weekday
// (1 Sunday … 7 Saturday). Whole seconds: the fraction is dropped toward the past.
struct CivilFields {
  int year, month, day, hour, minute, second, weekday;
};
CivilFields civilFromUnix(double unixSeconds, int offsetSeconds);

namespace iso8601 {

// A parsed ISO-8601 text: the civil time and, when the text carried one ("Z", "+01:00",
// "-0530"), its offset from UTC in seconds. A date alone ("2026-12-05") is midnight.
struct Parsed {
  CivilTime civil;
  std::optional<int> offsetSeconds;
};

// Accepts "YYYY-MM-DD", "YYYY-MM-DDTHH:MM", "...:SS", "...:SS.fff" with an optional offset; a
// space may replace the "T". Returns nullopt for anything else, including out-of-range fields.
std::optional<Parsed> parse(std::string_view text);

// The instant of a parse result that carried an offset.
Date instant(const CivilTime& civil, int offsetSeconds);

// "2026-12-05T09:30:00+01:00" (fractional seconds only when present, "Z" for a zero offset).
std::string format(Date date, int offsetSeconds);

}  // namespace iso8601
}  // namespace talewick
