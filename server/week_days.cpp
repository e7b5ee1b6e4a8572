#include "server/week_days.hpp"

#include <charconv>
#include <cstdlib>

#include "kingdom/weekly_boss.hpp"
#include "support/date.hpp"
#include "support/day_keys.hpp"

namespace talewick::server::weeks {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

std::int64_t weekdayIndex(std::int64_t dayNumber) {
  // 1970-01-01 was a Thursday.
  return ((dayNumber + 3) % 7 + 7) % 7;
}

std::int64_t mondayOf(std::int64_t dayNumber) { return dayNumber - weekdayIndex(dayNumber); }

std::optional<std::int64_t> mondayOfWeek(std::string_view weekKey) {
  if (weekKey.size() != 8 || weekKey[4] != '-' || weekKey[5] != 'W') return std::nullopt;
  int year = 0, week = 0;
  const char* begin = weekKey.data();
  if (std::from_chars(begin, begin + 4, year).ptr != begin + 4) return std::nullopt;
  if (std::from_chars(begin + 6, begin + 8, week).ptr != begin + 8) return std::nullopt;
  if (week < 1 || week > 53) return std::nullopt;
  // Week 1 holds 4 January.
  const std::int64_t monday = mondayOf(daysFromCivil(year, 1, 4)) + 7 * (week - 1);
  if (WeeklyBoss::weekKeyOfDay(DayKeys::key(monday)) != weekKey) return std::nullopt;
  return monday;
}

std::string todayKey(std::int64_t now) { return DayKeys::key(floorDiv(now, 86400)); }

bool isNearToday(std::string_view dayKey, std::int64_t now, std::int64_t slack) {
  const std::optional<std::int64_t> day = DayKeys::dayNumber(dayKey);
  return day && std::llabs(*day - floorDiv(now, 86400)) <= slack;
}

}  // namespace talewick::server::weeks
