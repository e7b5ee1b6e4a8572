#include "kingdom/kingdom_building_progression.hpp"

#include <algorithm>
#include <cstddef>

namespace talewick::KingdomBuildingProgression {
namespace {

// Hero level needed for level2 … level5, one row per building in declaration order. The rows
// are staggered by one level so that no two buildings grow at the same level-up.
constexpr std::array<std::array<int64_t, 4>, 6> kThresholds{{
    {2, 8, 14, 20},   // family
    {3, 9, 15, 21},   // personal
    {5, 11, 17, 23},  // factions
    {4, 10, 16, 22},  // reminders
    {6, 12, 18, 24},  // tickets
    {7, 13, 19, 25},  // deadlines
}};

constexpr std::array kStagesDescending{KingdomBuildingStage::level5, KingdomBuildingStage::level4,
                                       KingdomBuildingStage::level3, KingdomBuildingStage::level2};

}  // namespace

int64_t threshold(KingdomBuilding building, KingdomBuildingStage stage) {
  if (stage == KingdomBuildingStage::level1) return 1;
  const auto row = static_cast<size_t>(building);
  const auto column = static_cast<size_t>(stage) - 2;
  return kThresholds[row][column];
}

KingdomBuildingStage stage(KingdomBuilding building, int64_t heroLevel) {
  const int64_t level = std::max<int64_t>(heroLevel, 1);
  for (const KingdomBuildingStage s : kStagesDescending) {
    if (level >= threshold(building, s)) return s;
  }
  return KingdomBuildingStage::level1;
}

std::optional<KingdomBuildingStage> stageFromRaw(int64_t raw) {
  if (raw < 1 || raw > 5) return std::nullopt;
  return static_cast<KingdomBuildingStage>(raw);
}

}  // namespace talewick::KingdomBuildingProgression
