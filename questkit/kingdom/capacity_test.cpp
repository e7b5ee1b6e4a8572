// Capacity: the day's score, its level at the thresholds, and the world-quest target it sets.
#include "kingdom/capacity.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using Capacity::Level;
using Capacity::Load;

TEST(Capacity, ScoreWeighsEachCount) {
  EXPECT_EQ(Capacity::score(Load{.busyMinutes = 179}), 2);  // whole hours only
  EXPECT_EQ(Capacity::score(Load{.overdueReminders = 8}), 5);
  EXPECT_EQ(Capacity::score(Load{1, 120, 1, 4, 2}), 1 + 2 + 2 + 4 + 2);
  // Counts the kingdom never produces do not lighten the day.
  EXPECT_EQ(Capacity::score(Load{.eventCount = 3, .busyMinutes = -120, .overdueReminders = -4}), 3);
}

TEST(Capacity, LevelsAndBoardSize) {
  const Load fiveEvents{.eventCount = 5, .busyMinutes = 90};
  EXPECT_EQ(Capacity::assess(fiveEvents), (Capacity::Assessment{Level::loaded, 6, fiveEvents}));
  EXPECT_EQ(Capacity::worldQuestTarget(Level::loaded), 2);
  EXPECT_EQ(Capacity::assess(Load{.overdueDeadlines = 2}).level, Level::steady);
  EXPECT_EQ(Capacity::assess(Load{.eventCount = 5}).level, Level::steady);
  EXPECT_EQ(Capacity::assess(Load{.eventCount = 10}).level, Level::loaded);
  EXPECT_EQ(Capacity::assess(Load{.eventCount = 11}).level, Level::overloaded);
  EXPECT_EQ(Capacity::worldQuestTarget(Level::steady), 3);
  EXPECT_EQ(Capacity::worldQuestTarget(Level::overloaded), 1);
}

TEST(Capacity, LoadJsonUsesTheFieldNamesAndIsStrict) {
  const Load load{1, 2, 3, 4, 5};
  const std::string text = Json(load).dump();
  EXPECT_EQ(text, R"({"eventCount":1,"busyMinutes":2,"overdueDeadlines":3,"overdueReminders":4,)"
                  R"("expeditionsToday":5})");
  EXPECT_EQ(decodeJsonText<Load>(text), load);
  EXPECT_THROW(decodeJsonText<Load>(R"({"eventCount":1,"busyMinutes":2,"overdueDeadlines":3,)"
                                    R"("overdueReminders":4})"),
               DecodeError);
}

}  // namespace
}  // namespace talewick
