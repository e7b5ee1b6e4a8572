// The rest sanctuary: declared rest keeps the streak whole when declared in time, and the return
// after it pays the reprise once a week.
#include "kingdom/rest_sanctuary.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using RestSanctuary::Declarations;

constexpr const char* kZone = "Europe/Paris";

TEST(RestSanctuary, ARestCountsWhenDeclaredOnTheDayOrBefore) {
  EXPECT_TRUE(RestSanctuary::isChosenRest("2026-12-12", "2026-12-10"));
  EXPECT_TRUE(RestSanctuary::isChosenRest("2026-12-12", "2026-12-12"));
  EXPECT_FALSE(RestSanctuary::isChosenRest("2026-12-12", "2026-12-13"));
  EXPECT_TRUE(RestSanctuary::isChosenRest("2027-01-01", "2026-12-31"));  // across the year
  EXPECT_FALSE(RestSanctuary::isChosenRest("2026-12-12", "bientôt"));
}

TEST(RestSanctuary, GapDaysLieStrictlyBetween) {
  EXPECT_EQ(RestSanctuary::gapDays("2026-02-27", "2026-03-02", kZone),
            (std::vector<std::string>{"2026-02-28", "2026-03-01"}));
  EXPECT_TRUE(RestSanctuary::gapDays("2026-12-09", "2026-12-10", kZone).empty());
  EXPECT_TRUE(RestSanctuary::gapDays("2026-12-10", "2026-12-10", kZone).empty());
  EXPECT_TRUE(RestSanctuary::gapDays("2026-12-10", "2026-12-07", kZone).empty());
  EXPECT_TRUE(RestSanctuary::gapDays("2026-12-xx", "2026-12-14", kZone).empty());
  EXPECT_EQ(RestSanctuary::daysBetween("2026-12-10", "2026-12-17", kZone), 7);
  EXPECT_EQ(RestSanctuary::daysBetween("2026-12-17", "2026-12-10", kZone), -7);
  EXPECT_EQ(RestSanctuary::daysBetween("2026-12-17", "", kZone), 0);
}

TEST(RestSanctuary, OnlyRestDeclaredInTimeBridgesTheStreak) {
  const Declarations inTime = {{"2026-12-11", "2026-12-09"}, {"2026-12-12", "2026-12-12"}};
  EXPECT_TRUE(RestSanctuary::bridgesStreak("2026-12-10", "2026-12-13", inTime, kZone));
  EXPECT_TRUE(RestSanctuary::bridgesStreak("2026-12-12", "2026-12-13", {}, kZone));  // no gap
  EXPECT_TRUE(RestSanctuary::bridgesStreak(std::nullopt, "2026-12-13", {}, kZone));
  // One gap day without rest.
  EXPECT_FALSE(RestSanctuary::bridgesStreak("2026-12-09", "2026-12-13", inTime, kZone));
  // A rest declared the day after it happened.
  const Declarations late = {{"2026-12-11", "2026-12-09"}, {"2026-12-12", "2026-12-13"}};
  EXPECT_FALSE(RestSanctuary::bridgesStreak("2026-12-10", "2026-12-13", late, kZone));
}

TEST(RestSanctuary, TheRepriseFollowsDeclaredRestOnceAWeek) {
  const Declarations rest = {
      {"2026-12-11", "2026-12-10"}, {"2026-12-18", "2026-12-17"}, {"2026-12-20", "2026-12-19"}};
  const auto eligible = [&](const char* today, std::optional<std::string> lastActive,
                            std::optional<std::string> lastReprise) {
    return RestSanctuary::repriseEligible(today, lastActive, lastReprise, rest, kZone);
  };
  EXPECT_TRUE(eligible("2026-12-12", "2026-12-10", std::nullopt));
  EXPECT_FALSE(eligible("2026-12-12", std::nullopt, std::nullopt));  // never active
  EXPECT_FALSE(eligible("2026-12-11", "2026-12-10", std::nullopt));  // no gap: no return
  EXPECT_FALSE(eligible("2026-12-13", "2026-12-10", std::nullopt));  // 12th not declared
  EXPECT_FALSE(eligible("2026-12-19", "2026-12-17", "2026-12-13"));  // 6 days after the last
  EXPECT_TRUE(eligible("2026-12-19", "2026-12-17", "2026-12-12"));   // 7 days after
  EXPECT_TRUE(eligible("2026-12-19", "2026-12-17", "un jour"));      // no date: none
  EXPECT_TRUE(eligible("2026-12-21", "2026-12-19", std::nullopt));
  EXPECT_EQ(RestSanctuary::repriseReceiptID("2026-12-12"), "reprise:2026-12-12");
}

TEST(RestSanctuary, ALongAbsenceIsRefusedWithoutWalkingIt) {
  Declarations many;
  for (int d = 1; d <= 9; ++d) many["2026-12-0" + std::to_string(d)] = "2026-11-30";
  EXPECT_TRUE(RestSanctuary::bridgesStreak("2026-11-30", "2026-12-10", many, kZone));
  EXPECT_FALSE(RestSanctuary::bridgesStreak("0001-01-01", "9999-12-31", many, kZone));
  EXPECT_FALSE(
      RestSanctuary::repriseEligible("9999-12-31", "0001-01-01", std::nullopt, many, kZone));
}

}  // namespace
}  // namespace talewick
