// The vigil: which missed days can be mended, when the flame is out, and once a week.
#include "kingdom/vigil.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using Vigil::Eligibility;

constexpr const char* kToday = "2026-12-10";

TEST(Vigil, MissedDaysLieStrictlyBetweenTheLastReplayAndToday) {
  EXPECT_EQ(Vigil::missedDays("2026-12-07", kToday),
            (std::vector<std::string>{"2026-12-08", "2026-12-09"}));
  EXPECT_EQ(Vigil::missedDays("2026-12-30", "2027-01-02"),
            (std::vector<std::string>{"2026-12-31", "2027-01-01"}));
  EXPECT_TRUE(Vigil::missedDays("2026-12-09", kToday).empty());  // replayed yesterday
  EXPECT_TRUE(Vigil::missedDays(kToday, kToday).empty());
  EXPECT_TRUE(Vigil::missedDays("2026-12-12", kToday).empty());  // a replay "in the future"
  EXPECT_TRUE(Vigil::missedDays(std::nullopt, kToday).empty());
  EXPECT_TRUE(Vigil::missedDays("12/07/2026", kToday).empty());
  EXPECT_TRUE(Vigil::missedDays("2026-12-07", "2026-12-32").empty());
}

TEST(Vigil, DaysBetweenCountsCalendarDays) {
  EXPECT_EQ(Vigil::daysBetween("2026-12-03", kToday), 7);
  EXPECT_EQ(Vigil::daysBetween(kToday, "2026-12-03"), -7);
  EXPECT_EQ(Vigil::daysBetween("2024-02-28", "2024-03-01"), 2);
  EXPECT_EQ(Vigil::daysBetween("2026-12-03", "demain"), 0);
}

TEST(Vigil, NothingToMendWithoutMissedDaysOrWithoutAStreak) {
  EXPECT_EQ(Vigil::eligibility("2026-12-09", std::nullopt, kToday, 10), Eligibility::notNeeded());
  EXPECT_EQ(Vigil::eligibility(std::nullopt, std::nullopt, kToday, 10), Eligibility::notNeeded());
  // A streak of one day is not worth a vigil, even with days missed.
  EXPECT_EQ(Vigil::eligibility("2026-12-07", std::nullopt, kToday, 1), Eligibility::notNeeded());
  EXPECT_EQ(Vigil::eligibility("2026-12-07", std::nullopt, kToday, 2).kind,
            Eligibility::Kind::available);
}

TEST(Vigil, UpToThreeMissedDaysCanBeMendedFourPutTheFlameOut) {
  EXPECT_EQ(Vigil::eligibility("2026-12-06", std::nullopt, kToday, 5),
            Eligibility::available({"2026-12-07", "2026-12-08", "2026-12-09"}));
  EXPECT_EQ(Vigil::eligibility("2026-12-05", std::nullopt, kToday, 5),
            Eligibility::extinguished(4));
  // Years away are counted, not listed.
  EXPECT_EQ(Vigil::eligibility("2016-12-10", std::nullopt, kToday, 5),
            Eligibility::extinguished(3651));
  // The flame out wins over a vigil spent this week.
  EXPECT_EQ(Vigil::eligibility("2026-12-05", "2026-12-08", kToday, 5),
            Eligibility::extinguished(4));
}

TEST(Vigil, OneVigilAWeek) {
  EXPECT_EQ(Vigil::eligibility("2026-12-08", "2026-12-04", kToday, 5), Eligibility::spent(1));
  EXPECT_EQ(Vigil::eligibility("2026-12-08", "2026-12-03", kToday, 5),
            Eligibility::available({"2026-12-09"}));
  EXPECT_EQ(Vigil::eligibility("2026-12-07", kToday, kToday, 5), Eligibility::spent(2));
  // A last vigil that is no date counts as none held.
  EXPECT_EQ(Vigil::eligibility("2026-12-08", "la semaine dernière", kToday, 5),
            Eligibility::available({"2026-12-09"}));
}

TEST(Vigil, EligibilityJsonCarriesOnlyItsKindsPayload) {
  const std::vector<std::pair<Eligibility, std::string>> cases = {
      {Eligibility::available({"2026-12-08", "2026-12-09"}),
       R"({"kind":"available","days":["2026-12-08","2026-12-09"]})"},
      {Eligibility::extinguished(4), R"({"kind":"extinguished","missed":4})"},
      {Eligibility::spent(2), R"({"kind":"spent","missed":2})"},
      {Eligibility::notNeeded(), R"({"kind":"notNeeded"})"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(Json(value).dump(), text);
    EXPECT_EQ(decodeJsonText<Eligibility>(text), value) << text;
  }
  EXPECT_THROW(decodeJsonText<Eligibility>(R"({"kind":"spent"})"), DecodeError);
  EXPECT_THROW(decodeJsonText<Eligibility>(R"({"kind":"asleep"})"), DecodeError);
  EXPECT_THROW(decodeJsonText<Eligibility>(R"({"kind":"available","days":"2026-12-08"})"),
               DecodeError);
}

}  // namespace
}  // namespace talewick
