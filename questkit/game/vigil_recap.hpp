// A vigil mends missed days: their quests replayed at half reward, so that the streak survives.
// (Whether a vigil may be held is the kingdom's rule: kingdom/vigil.hpp.)
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game/engine.hpp"
#include "kingdom/vigil.hpp"

namespace talewick::Vigil {

struct Day {
  std::string dateISO;
  std::vector<Quest> quests;
  bool operator==(const Day&) const = default;
};

// One recap for all the mended days, oldest first: the days' quests replayed in order as one day
// dated the last of them, then its experience and gold scaled by REWARD_FACTOR (rounded down), the
// level rewards cut to the levels the scaled experience reaches. A vigil mends, it does not farm:
// the quests' own loot is left out. nullopt when no quest was played.
std::optional<DayRecap> computeVigil(const Hero& hero, const std::vector<Day>& days,
                                     const Engine::Choices& choices,
                                     RPGMode mode = RPGMode::heroicPapa);

// `hero` after the vigil held on `todayISO`: the recap applied (one night), the streak carried over
// the mended days, the last replay day moved to the last of them, the vigil recorded.
Hero applyVigil(const Hero& hero, const DayRecap& recap, const std::string& todayISO);

}  // namespace talewick::Vigil
