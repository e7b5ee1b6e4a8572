// Day keys as calendar days: only real dates are days, and counting crosses months, leap days
// and years like a calendar does.
#include "support/day_keys.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

TEST(DayKeys, OnlyARealDateWrittenInFullIsADay) {
  for (const char* bad : {"", "2026-02-29", "2026-13-01", "2026-1-05", "2026-01-05T10:00",
                          "2026-01-05Z", " 2026-01-05", "2026/01/05", "aaaa-bb-cc"}) {
    EXPECT_FALSE(DayKeys::dayNumber(bad)) << bad;
  }
  EXPECT_EQ(DayKeys::dayNumber("1970-01-01"), 0);
  EXPECT_EQ(DayKeys::dayNumber("2028-02-29"), *DayKeys::dayNumber("2028-02-28") + 1);
}

TEST(DayKeys, KeysRoundTripAcrossMonthsAndYears) {
  for (const char* key : {"0000-01-01", "1969-12-31", "2026-12-31", "2028-02-29", "9999-12-31"}) {
    const std::optional<int64_t> day = DayKeys::dayNumber(key);
    ASSERT_TRUE(day) << key;
    EXPECT_EQ(DayKeys::key(*day), key);
  }
  EXPECT_EQ(DayKeys::key(*DayKeys::dayNumber("2026-12-31") + 1), "2027-01-01");
}

TEST(DayKeys, BetweenIsSignedAndUnknownForANonDate) {
  EXPECT_EQ(DayKeys::between("2026-12-28", "2027-01-03"), 6);
  EXPECT_EQ(DayKeys::between("2027-01-03", "2026-12-28"), -6);
  EXPECT_EQ(DayKeys::between("2028-02-28", "2028-03-01"), 2);  // through a leap day
  EXPECT_EQ(DayKeys::between("2026-03-28", "2026-03-30"), 2);  // a daylight-saving weekend
  EXPECT_FALSE(DayKeys::between("2026-12-28", "hier"));
}

}  // namespace
}  // namespace talewick
