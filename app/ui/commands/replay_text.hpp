// What `talewick replay` shows: a quest and its choices, then the recap of the day.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "game/hero.hpp"
#include "game/quest.hpp"
#include "game/recap.hpp"

namespace talewick::ui {

// "Journée du 2026-12-05 — 4 quêtes".
std::string replayHeading(const std::string& dayKey, size_t questCount);

// Quest `index` of `count`: its name, threat and intro, the energy before it, and its numbered
// choices with what each changes; the heroic one with its chance of success when the hero is
// tired.
std::string questCard(const Quest& quest, size_t index, size_t count, int64_t energy);

// "+3 ❤️ −2 ⚡": a stat change, absent stats and zeros left out.
std::string deltaText(const StatDelta& delta);

// The day's recap: each outcome, the boss of the day, the loot, the level rewards, the gold, the
// streak, and the hero after it.
std::string recapText(const DayRecap& recap, const Hero& hero, bool dryRun);

}  // namespace talewick::ui
