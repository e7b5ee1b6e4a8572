// Level costs, levels from totals and titles by mode.
#include "game/xp.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

TEST(Xp, LevelCosts) {
  EXPECT_EQ(Xp::xpForLevel(1), 120);
  EXPECT_EQ(Xp::xpForLevel(2), 306);
  EXPECT_EQ(Xp::xpForLevel(3), 536);
  EXPECT_EQ(Xp::xpForLevel(4), 800);
  EXPECT_EQ(Xp::xpForLevel(5), 1094);
  EXPECT_EQ(Xp::xpForLevel(10), 2930);
  EXPECT_EQ(Xp::totalXpToReach(1), 0);
  EXPECT_EQ(Xp::totalXpToReach(2), 120);
  EXPECT_EQ(Xp::totalXpToReach(3), 426);
  EXPECT_EQ(Xp::totalXpToReach(5), 1762);
}

TEST(Xp, LevelFromTotal) {
  EXPECT_EQ(Xp::levelFromTotalXp(0), (LevelInfo{1, 0, 120, 0}));
  const LevelInfo almost = Xp::levelFromTotalXp(119);
  EXPECT_EQ(almost.level, 1);
  EXPECT_NEAR(almost.progress, 0.9917, 1e-4);
  EXPECT_EQ(Xp::levelFromTotalXp(120), (LevelInfo{2, 0, 306, 0}));
  EXPECT_EQ(Xp::levelFromTotalXp(425).xpIntoLevel, 305);
  EXPECT_EQ(Xp::levelFromTotalXp(426).level, 3);
  EXPECT_EQ(Xp::levelFromTotalXp(-50), (LevelInfo{1, 0, 120, 0}));
  // Every level begins exactly where totalXpToReach says.
  for (int64_t level = 1; level <= 40; ++level) {
    const LevelInfo info = Xp::levelFromTotalXp(Xp::totalXpToReach(level));
    EXPECT_EQ(info.level, level);
    EXPECT_EQ(info.xpIntoLevel, 0);
  }
}

TEST(Xp, TitlesByThreshold) {
  EXPECT_EQ(Xp::titleForLevel(7, RPGMode::donjon), "Tueur de Gobelins");
  EXPECT_EQ(Xp::titleForLevel(30, RPGMode::comic), "GOAT du Quotidien");
  EXPECT_EQ(Xp::titleForLevel(99, RPGMode::comic), "GOAT du Quotidien");
  EXPECT_EQ(Xp::titleForLevel(0, RPGMode::mythological), "Mortel Prometteur");
  EXPECT_EQ(Xp::titleForLevel(12, RPGMode::heroicPapa), "Sage de la Tribu");
}

}  // namespace
}  // namespace talewick
