// The one building each realm shows on the kingdom map, and the stage it has grown to with the
// hero's level.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "support/enum_traits.hpp"

namespace talewick {

// One per realm, in the realms' order. Raw value = case name.
enum class KingdomBuilding { family, personal, factions, reminders, tickets, deadlines };
template <>
struct EnumTraits<KingdomBuilding> {
  static constexpr std::array<std::string_view, 6> names{"family",    "personal", "factions",
                                                         "reminders", "tickets",  "deadlines"};
};

// Stored and shown as its number, 1 to 5.
enum class KingdomBuildingStage : int64_t { level1 = 1, level2, level3, level4, level5 };

namespace KingdomBuildingProgression {

// The hero level at which every building has reached its last stage.
inline constexpr int64_t maxEvolutionHeroLevel = 25;

// The hero level `building` needs to reach `stage`; level1 needs nothing (1).
int64_t threshold(KingdomBuilding building, KingdomBuildingStage stage);

// The highest stage whose threshold the hero's level reaches; a level below 1 counts as 1.
KingdomBuildingStage stage(KingdomBuilding building, int64_t heroLevel);

// The stage numbered `raw`; nullopt outside 1 … 5.
std::optional<KingdomBuildingStage> stageFromRaw(int64_t raw);

}  // namespace KingdomBuildingProgression
}  // namespace talewick
