// Paying a world-boss reward (a week's victory, a vigil's candle) into the hero document, once:
// the receipt decides, here or on another machine that paid it first.
#pragma once

#include <cstdint>
#include <string>

#include "core/hero_store.hpp"

namespace talewick::together {

// True when the gold was paid by this call; false when the receipt was paid before, the amount is
// below 1 or there is no hero document yet. Throws what the hero store throws (FileError).
bool creditWorldBossReward(HeroStore& hero, const std::string& receipt, int64_t gold,
                           bool unlockTitle);

}  // namespace talewick::together
