// Building stages by hero level.
#include "kingdom/kingdom_building_progression.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using KingdomBuildingProgression::stage;
using Stage = KingdomBuildingStage;

TEST(KingdomBuildingProgression, LowLevelsLeaveEveryBuildingAtItsFirstStage) {
  for (const KingdomBuilding b : allCases<KingdomBuilding>()) {
    for (const int64_t level : {-5, 0, 1}) EXPECT_EQ(stage(b, level), Stage::level1) << level;
  }
  EXPECT_EQ(stage(KingdomBuilding::family, 2), Stage::level2);
  EXPECT_EQ(stage(KingdomBuilding::personal, 2), Stage::level1);
}

TEST(KingdomBuildingProgression, EachBuildingGrowsAtItsOwnLevels) {
  struct Row {
    KingdomBuilding building;
    int64_t level2, level3, level4, level5;
  };
  const Row rows[] = {
      {KingdomBuilding::family, 2, 8, 14, 20},     {KingdomBuilding::personal, 3, 9, 15, 21},
      {KingdomBuilding::reminders, 4, 10, 16, 22}, {KingdomBuilding::factions, 5, 11, 17, 23},
      {KingdomBuilding::tickets, 6, 12, 18, 24},   {KingdomBuilding::deadlines, 7, 13, 19, 25}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(rawValue(r.building)));
    EXPECT_EQ(stage(r.building, r.level2 - 1), Stage::level1);
    EXPECT_EQ(stage(r.building, r.level2), Stage::level2);
    EXPECT_EQ(stage(r.building, r.level3 - 1), Stage::level2);
    EXPECT_EQ(stage(r.building, r.level3), Stage::level3);
    EXPECT_EQ(stage(r.building, r.level4), Stage::level4);
    EXPECT_EQ(stage(r.building, r.level5 - 1), Stage::level4);
    EXPECT_EQ(stage(r.building, r.level5), Stage::level5);
    EXPECT_EQ(stage(r.building, 1000), Stage::level5);
  }
}

TEST(KingdomBuildingProgression, EveryBuildingIsCompleteAtTheMaximumEvolutionLevel) {
  for (const KingdomBuilding b : allCases<KingdomBuilding>()) {
    EXPECT_EQ(stage(b, KingdomBuildingProgression::maxEvolutionHeroLevel), Stage::level5);
  }
  EXPECT_EQ(stage(KingdomBuilding::deadlines, 24), Stage::level4);
}

TEST(KingdomBuildingProgression, StagesAreNumberedOneToFive) {
  EXPECT_EQ(KingdomBuildingProgression::stageFromRaw(1), Stage::level1);
  EXPECT_EQ(KingdomBuildingProgression::stageFromRaw(5), Stage::level5);
  EXPECT_EQ(KingdomBuildingProgression::stageFromRaw(0), std::nullopt);
  EXPECT_EQ(KingdomBuildingProgression::stageFromRaw(6), std::nullopt);
}

}  // namespace
}  // namespace talewick
