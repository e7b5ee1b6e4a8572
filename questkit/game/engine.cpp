// The replay's small rules: the generator, statistics arithmetic, the night and the streak.
#include "game/engine.hpp"

#include <algorithm>
#include <cmath>

#include "game/archetypes.hpp"
#include "support/day_keys.hpp"

namespace talewick::Engine {
namespace {

uint32_t gState = 123456789;

int64_t held(int64_t value, int64_t low, int64_t high) { return std::clamp(value, low, high); }

}  // namespace

uint32_t seedRng(int64_t seed) {
  const auto low = static_cast<uint32_t>(static_cast<uint64_t>(seed) & 0xffffffffu);
  gState = low != 0 ? low : 123456789u;
  return gState;
}

double nextDouble() {
  uint32_t x = gState;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  gState = x;
  return static_cast<double>(x % 100000u) / 100000.0;
}

bool isHeroic(const ChoiceOption& option) {
  constexpr std::string_view suffix = "_optHero";
  return option.id.size() >= suffix.size() &&
         option.id.compare(option.id.size() - suffix.size(), suffix.size(), suffix) == 0;
}

double heroicSuccessChance(int64_t energy) {
  return std::min(1.0, static_cast<double>(std::max<int64_t>(0, energy)) / 60.0 + 0.25);
}

Stats addStats(const Stats& stats, const StatDelta& delta) {
  Stats out = stats;
  for (const auto& [key, value] : delta) out[key] += value;
  return out;
}

Stats clampStats(const Stats& stats) {
  Stats out = stats;
  out.love = std::max<int64_t>(0, out.love);
  out.wisdom = std::max<int64_t>(0, out.wisdom);
  out.strength = std::max<int64_t>(0, out.strength);
  out.energy = held(out.energy, 0, 100);
  out.chaos = held(out.chaos, 0, 100);
  return out;
}

StatDelta mergeDelta(const StatDelta& a, const StatDelta& b) {
  StatDelta out = a;
  for (const auto& [key, value] : b) out[key] += value;
  return out;
}

StatDelta questStatDelta(const std::string& archetypeId) {
  const Archetype* archetype = Archetypes::byId(archetypeId);
  return (archetype ? *archetype : Archetypes::fallback()).statDelta;
}

int64_t energyBefore(int64_t chapter, const Hero& hero, const std::vector<Quest>& quests,
                     const Choices& choices) {
  int64_t energy = hero.stats.energy;
  const auto count = static_cast<size_t>(std::clamp<int64_t>(chapter, 0, quests.size()));
  for (size_t i = 0; i < count; ++i) {
    const Quest& q = quests[i];
    const auto chosen = choices.find(q.id);
    if (chosen == choices.end() || chosen->second.empty()) continue;
    const auto option = std::find_if(q.choices.begin(), q.choices.end(),
                                     [&](const ChoiceOption& o) { return o.id == chosen->second; });
    if (option == q.choices.end()) continue;
    const StatDelta delta = mergeDelta(questStatDelta(q.archetypeId), option->statDelta);
    const auto e = delta.find(StatKey::energy);
    energy = held(energy + (e != delta.end() ? e->second : 0), 0, 100);
  }
  return energy;
}

int64_t sleepEnergyDelta(std::optional<double> hours) {
  if (!hours || !std::isfinite(*hours)) return 0;
  const double d = *hours - SLEEP_BASELINE_H;
  const double raw = std::floor(d * (d < 0 ? 7 : 4) + 0.5);
  return static_cast<int64_t>(std::clamp(raw, -28.0, 15.0));
}

int64_t sleepChaosDelta(std::optional<double> hours) {
  if (!hours || !std::isfinite(*hours)) return 0;
  const double d = *hours - SLEEP_BASELINE_H;
  const double raw = d >= 0 ? -std::floor(3 * d + 0.5) : std::floor(-4 * d + 0.5);
  return static_cast<int64_t>(std::clamp(raw, -14.0, 14.0));
}

int64_t stepsStrengthDelta(std::optional<int64_t> steps) {
  if (!steps || *steps < 1) return 0;
  return std::min<int64_t>(*steps / 4000, 3);
}

StreakTransition streakTransition(int64_t prevStreak,
                                  const std::optional<std::string>& lastReplayISO,
                                  const std::string& todayISO) {
  if (!lastReplayISO) return {1, std::nullopt};
  const std::optional<int64_t> last = DayKeys::dayNumber(*lastReplayISO);
  const std::optional<int64_t> today = DayKeys::dayNumber(todayISO);
  // A key that is not a date cannot be placed: the streak starts again, as after a long gap.
  const int64_t days = last && today ? *today - *last : 2;
  if (days == 1) return {prevStreak + 1, std::nullopt};
  if (days < 1) return {prevStreak, std::nullopt};
  return {1, prevStreak >= 2 ? std::optional<int64_t>(prevStreak) : std::nullopt};
}

}  // namespace talewick::Engine
