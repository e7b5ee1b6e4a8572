#include "server/week_days.hpp"

#include <gtest/gtest.h>

#include "support/day_keys.hpp"

namespace talewick::server::weeks {
namespace {

std::int64_t day(const char* key) { return DayKeys::dayNumber(key).value(); }

TEST(WeekDays, mondaysOfDaysAndOfWeekKeysAcrossYearEnds) {
  EXPECT_EQ(weekdayIndex(day("2026-12-07")), 0);
  EXPECT_EQ(weekdayIndex(day("2026-12-13")), 6);
  EXPECT_EQ(mondayOf(day("2027-01-01")), day("2026-12-28"));
  EXPECT_EQ(mondayOfWeek("2026-W50"), day("2026-12-07"));
  EXPECT_EQ(mondayOfWeek("2026-W53"), day("2026-12-28"));
  EXPECT_EQ(mondayOfWeek("2026-W01"), day("2025-12-29"));
  EXPECT_EQ(mondayOfWeek("2025-W53"), std::nullopt);  // 2025 has 52 weeks
  EXPECT_EQ(mondayOfWeek("2026-W00"), std::nullopt);
  EXPECT_EQ(mondayOfWeek("2026-50"), std::nullopt);
  EXPECT_EQ(mondayOfWeek("2026-Wx1"), std::nullopt);
}

TEST(WeekDays, aClientsTodayMayBeTwoDaysFromTheServers) {
  const std::int64_t noon = 1796644800;  // 2026-12-07 12:00 UTC
  EXPECT_EQ(todayKey(noon), "2026-12-07");
  EXPECT_EQ(todayKey(noon - 12 * 3600 - 1), "2026-12-06");
  EXPECT_TRUE(isNearToday("2026-12-09", noon, 2));
  EXPECT_TRUE(isNearToday("2026-12-05", noon, 2));
  EXPECT_FALSE(isNearToday("2026-12-10", noon, 2));
  EXPECT_FALSE(isNearToday("2026-12-07T00:00", noon, 2));
  EXPECT_FALSE(isNearToday("", noon, 2));
}

}  // namespace
}  // namespace talewick::server::weeks
