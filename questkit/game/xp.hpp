// Levels and titles, all derived from the hero's lifetime XP.
#pragma once

#include <cstdint>
#include <string>

#include "game/enums.hpp"
#include "support/json.hpp"

namespace talewick {

struct LevelInfo {
  int64_t level = 1;
  int64_t xpIntoLevel = 0;  // earned since the current level began
  int64_t xpForNext = 0;    // what the current level costs
  double progress = 0;      // xpIntoLevel / xpForNext
  bool operator==(const LevelInfo&) const = default;
};

void to_json(Json& j, const LevelInfo& v);
void from_json(const Json& j, LevelInfo& v);

namespace Xp {

// round(40 L + 80 L^1.5), half away from zero: what level L costs before L + 1.
int64_t xpForLevel(int64_t level);

// Lifetime XP at which `level` begins (0 below level 2).
int64_t totalXpToReach(int64_t level);

// A negative total counts as 0.
LevelInfo levelFromTotalXp(int64_t totalXp);

// The mode's title for the level, localised under xp.title.MODE.THRESHOLD.
std::string titleForLevel(int64_t level, RPGMode mode);

}  // namespace Xp
}  // namespace talewick
