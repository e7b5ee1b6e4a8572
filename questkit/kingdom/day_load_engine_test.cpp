// Day load: the waking window, busy time, back-to-back chains, free stretches, tiers and advice.
// Times are local (the tests run in Europe/Paris).
#include "kingdom/day_load_engine.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/local_calendar.hpp"

namespace talewick {
namespace {

// A local time on Monday 7 December 2026 unless told otherwise.
Date at(int hour, int minute = 0, int day = 7, int month = 12) {
  return *LocalCalendar::dateFrom(CivilTime{2026, month, day, hour, minute, 0});
}

DayEvent event(Date start, Date end, bool allDay = false) {
  DayEvent e;
  e.startDate = start;
  e.endDate = end;
  e.allDay = allDay;
  return e;
}

DayEvent event(int h1, int m1, int h2, int m2) { return event(at(h1, m1), at(h2, m2)); }

const Date kMorning = at(7);
constexpr const char* kNoRespite =
    "Aucun vrai répit aujourd'hui : ton second souffle ne se rechargera pas.";
constexpr const char* kShortNight =
    "Nuit courte + journée chargée : risque d'épuisement, protège un répit.";

DayLoad compute(const std::vector<DayEvent>& events, std::optional<double> sleep = std::nullopt) {
  return DayLoadEngine::compute(events, at(12), kMorning, sleep);
}

TEST(DayLoadEngine, BusyTimeIsClippedToTheWindowAndCountedOnce) {
  const DayLoad empty = compute({});
  EXPECT_EQ(empty.windowMinutes, 720);
  EXPECT_EQ(empty.largestGapMinutes, 720);
  EXPECT_EQ(empty.tier, LoadTier::patrouille);
  EXPECT_EQ(empty.advice, std::nullopt);
  const DayLoad load = compute({event(7, 0, 9, 0),      // 60 min inside
                                event(10, 0, 11, 0),    // overlaps the next one:
                                event(10, 30, 11, 30),  // 90 min together
                                event(19, 30, 21, 0),   // 30 min inside
                                event(at(0), at(0, 0, 8), true), event(at(15), at(15)),
                                event(at(9, 0, 6), at(23, 0, 6))});
  EXPECT_EQ(load.busyMinutes, 180);
  EXPECT_DOUBLE_EQ(load.loadRatio, 0.25);
  EXPECT_EQ(load.longestChainMinutes, 90);
}

TEST(DayLoadEngine, ChainsJoinEventsLessThanTheGapApart) {
  const DayLoad load = compute({event(9, 0, 10, 0), event(10, 10, 11, 0),
                                event(11, 14, 12, 0),  // 14 min later: still chained
                                event(12, 15, 13, 0),  // 15 min later: a new chain
                                event(13, 5, 13, 30)});
  EXPECT_EQ(load.longestChainMinutes, 180);
  // Free 8:00–9:00, 12:00–12:15 and 13:30–20:00 count as gaps; 10, 14 and 5 minutes do not.
  EXPECT_EQ(load.gapCount, 3);
  EXPECT_EQ(load.largestGapMinutes, 390);
}

TEST(DayLoadEngine, TierThresholdsAreInclusive) {
  const auto tierFor = [](int busyMinutes) {
    return compute({event(at(8), at(8).adding(busyMinutes * 60.0))}).tier;
  };
  EXPECT_EQ(tierFor(287), LoadTier::patrouille);  // 40 % of 720 is 288
  EXPECT_EQ(tierFor(288), LoadTier::remplie);
  EXPECT_EQ(tierFor(467), LoadTier::remplie);  // 65 % is 468
  EXPECT_EQ(tierFor(468), LoadTier::siege);
  EXPECT_EQ(compute({event(8, 0, 20, 0)}).verdict,
            "Journée de siège ⚔️ — combats enchaînés.");
}

TEST(DayLoadEngine, Advice) {
  // A respite is a free stretch of 45 minutes, the evening included.
  EXPECT_EQ(compute({event(8, 0, 13, 0), event(13, 44, 20, 0)}).advice, kNoRespite);
  EXPECT_EQ(compute({event(8, 0, 13, 0), event(13, 45, 20, 0)}).advice, std::nullopt);
  EXPECT_EQ(compute({event(8, 0, 19, 15)}).advice, std::nullopt);
  // A short night speaks first, on a siege day only, and only for the day of that night.
  EXPECT_EQ(compute({event(8, 0, 20, 0)}, 5.9).advice, kShortNight);
  EXPECT_EQ(compute({event(8, 0, 20, 0)}, 6.0).advice, kNoRespite);
  EXPECT_EQ(compute({event(8, 0, 17, 0)}, 4.0).advice, kShortNight);
  EXPECT_EQ(compute({event(9, 0, 12, 0), event(14, 0, 17, 0)}, 4.0).advice, std::nullopt);
  EXPECT_EQ(DayLoadEngine::compute({event(8, 0, 17, 0)}, at(12), at(7, 0, 6), 4.0).advice,
            std::nullopt);
}

TEST(DayLoadEngine, TheWindowFollowsTheLocalClock) {
  // 29 March 2026: Paris skips 2:00–3:00, so the whole day lasts 23 hours.
  const Date springDay = at(12, 0, 29, 3);
  DayLoadConfig config;
  config.dayStartHour = 0;
  config.dayEndHour = 24;
  EXPECT_EQ(DayLoadEngine::compute({}, springDay, springDay, {}, config).windowMinutes, 23 * 60);
  EXPECT_EQ(DayLoadEngine::compute({}, springDay, springDay, {}).windowMinutes, 12 * 60);
  // A window that ends before it starts is held to one hour.
  config.dayStartHour = 18;
  config.dayEndHour = 9;
  const DayLoad evening =
      DayLoadEngine::compute({event(18, 0, 18, 30)}, at(12), kMorning, {}, config);
  EXPECT_EQ(evening.windowMinutes, 60);
  EXPECT_EQ(evening.busyMinutes, 30);
}

}  // namespace
}  // namespace talewick
