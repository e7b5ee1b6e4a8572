// The building each realm shows on the map, 32 × 32, growing with its stage: a tent, a cottage, a
// house, a house with a tower, a keep. The realm gives the roof and flag colour.
#pragma once

#include <QImage>

#include "kingdom/kingdom_building_progression.hpp"

namespace talewick::art {

inline constexpr int BUILDING_SIZE = 32;
inline constexpr int BUILDING_LEVELS = 5;

// `level` is clamped to 1 … BUILDING_LEVELS.
QImage building(KingdomBuilding building, int level);

}  // namespace talewick::art
