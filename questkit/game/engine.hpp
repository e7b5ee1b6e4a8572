// Replaying a day: the day's quests and the options picked become a DayRecap, and the recap with
// the night's report becomes the next hero. Both steps are pure but for the replay's own random
// generator, a 32-bit xorshift word reseeded from the replay's inputs, so that the same day
// replayed anywhere gives the same recap (only the loot ids differ: they embed the clock).
//
// The generator is process-wide: replays run on one thread.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game/day_event.hpp"
#include "game/enums.hpp"
#include "game/hero.hpp"
#include "game/quest.hpp"
#include "game/recap.hpp"
#include "game/stats.hpp"

namespace talewick::Engine {

inline constexpr Stats ZERO_STATS = talewick::ZERO_STATS;
inline constexpr int64_t NIGHTLY_ENERGY = 15;
inline constexpr int64_t NIGHTLY_CHAOS_DECAY = 8;
inline constexpr double CHAOS_DECAY_PROPORTION = 0.14;
inline constexpr double SLEEP_BASELINE_H = 7;
inline constexpr int64_t EXHAUSTION_THRESHOLD = 30;
inline constexpr size_t INVENTORY_CAP = 60;
inline constexpr size_t ARCHIVE_CAP = 30;

// Quest id → chosen option id.
using Choices = std::map<std::string, std::string>;

// Reseeds the generator: the seed's low 32 bits, or 123456789 when those are 0. Returns the state.
uint32_t seedRng(int64_t seed);
// One xorshift step, as a number in [0, 1): (x mod 100000) / 100000.
double nextDouble();

DayRecap computeRecap(const Hero& hero, const std::vector<Quest>& quests, const Choices& choices,
                      const std::string& dateISO, std::optional<int64_t> seed, RPGMode mode);
Hero applyRecap(const Hero& hero, const DayRecap& recap,
                const std::optional<PhysicalState>& physical);

struct StreakTransition {
  int64_t streak = 0;
  std::optional<int64_t> streakLost;
  bool operator==(const StreakTransition&) const = default;
};
StreakTransition streakTransition(int64_t prevStreak,
                                  const std::optional<std::string>& lastReplayISO,
                                  const std::string& todayISO);

double heroicSuccessChance(int64_t energy);
int64_t energyBefore(int64_t chapter, const Hero& hero, const std::vector<Quest>& quests,
                     const Choices& choices);
int64_t sleepEnergyDelta(std::optional<double> hours);
int64_t sleepChaosDelta(std::optional<double> hours);
int64_t stepsStrengthDelta(std::optional<int64_t> steps);

Stats addStats(const Stats& stats, const StatDelta& delta);
Stats clampStats(const Stats& stats);
StatDelta mergeDelta(const StatDelta& a, const StatDelta& b);
StatDelta questStatDelta(const std::string& archetypeId);

// Whether an option is the heroic one: its id ends with "_optHero".
bool isHeroic(const ChoiceOption& option);

}  // namespace talewick::Engine

namespace talewick::Persona {

// The option a persona picks for a quest left unanswered; nullopt when the quest has none.
std::optional<std::string> chooseOption(const Quest& quest, const Hero& hero, PersonaKind persona,
                                        const Rng& rng);

}  // namespace talewick::Persona
