#include "game/day_replay.hpp"

#include <algorithm>

#include "support/day_keys.hpp"

namespace talewick::DayReplay {

DeedTally tallied(const std::optional<DeedTally>& tally, const DayRecap& recap, int64_t streak) {
  DeedTally t = tally.value_or(DeedTally{});
  for (const QuestOutcome& o : recap.outcomes) {
    t.archetypeCounts[o.archetypeId] += 1;
    if (!o.boss) continue;
    t.bossesFought += 1;
    (o.boss->result == BossResult::victoire ? t.bossVictories : t.bossDefeats) += 1;
  }
  t.maxStreak = std::max(t.maxStreak, streak);
  return t;
}

Closed close(const Hero& hero, const std::vector<Quest>& quests, const Engine::Choices& choices,
             const std::string& dayKey, const std::optional<PhysicalState>& physical, RPGMode mode,
             bool restBridged) {
  Closed out;
  out.recap = Engine::computeRecap(hero, quests, choices, dayKey, std::nullopt, mode);
  Engine::StreakTransition streak =
      Engine::streakTransition(hero.streak, hero.lastReplayDateISO, dayKey);
  const std::optional<int64_t> gap =
      hero.lastReplayDateISO ? DayKeys::between(*hero.lastReplayDateISO, dayKey) : std::nullopt;
  if (restBridged && gap && *gap > 1) streak = {hero.streak + 1, std::nullopt};
  out.recap.streak = streak.streak;
  out.recap.streakLost = streak.streakLost;
  if (physical) {
    out.recap.sleepHours = physical->sleepHours;
    out.recap.steps = physical->steps;
  }
  out.hero = Engine::applyRecap(hero, out.recap, physical);
  out.hero.streak = streak.streak;
  if (!hero.lastReplayDateISO || *hero.lastReplayDateISO < dayKey) {
    out.hero.lastReplayDateISO = dayKey;
  }
  out.hero.tally = tallied(hero.tally, out.recap, streak.streak);
  return out;
}

std::string receiptID(const std::string& dayKey) { return "replay:" + dayKey; }

}  // namespace talewick::DayReplay
