#include "game/vigil_recap.hpp"

#include <cmath>

#include "game/day_replay.hpp"
#include "game/xp.hpp"
#include "support/day_keys.hpp"

namespace talewick::Vigil {
namespace {

int64_t scaled(int64_t amount) {
  return static_cast<int64_t>(std::floor(static_cast<double>(amount) * REWARD_FACTOR));
}

}  // namespace

std::optional<DayRecap> computeVigil(const Hero& hero, const std::vector<Day>& days,
                                     const Engine::Choices& choices, RPGMode mode) {
  if (days.empty()) return std::nullopt;
  std::vector<Quest> quests;
  for (const Day& d : days) quests.insert(quests.end(), d.quests.begin(), d.quests.end());
  DayRecap recap =
      Engine::computeRecap(hero, quests, choices, days.back().dateISO, std::nullopt, mode);
  if (recap.outcomes.empty()) return std::nullopt;
  recap.totalXp = 0;
  for (QuestOutcome& o : recap.outcomes) {
    o.xpGained = scaled(o.xpGained);
    o.loot.reset();
    recap.totalXp += o.xpGained;
  }
  recap.loot.clear();
  recap.gold = scaled(recap.gold);
  recap.levelAfter = Xp::levelFromTotalXp(hero.totalXp + recap.totalXp).level;
  std::erase_if(recap.levelUps, [&](const LevelReward& r) { return r.level > recap.levelAfter; });
  recap.isVigil = true;
  return recap;
}

Hero applyVigil(const Hero& hero, const DayRecap& recap, const std::string& todayISO) {
  Hero next = Engine::applyRecap(hero, recap, std::nullopt);
  const std::optional<int64_t> last =
      hero.lastReplayDateISO ? DayKeys::dayNumber(*hero.lastReplayDateISO) : std::nullopt;
  const std::optional<int64_t> mendedTo = DayKeys::dayNumber(recap.dateISO);
  if (last && mendedTo && *mendedTo > *last) {
    next.streak = hero.streak + (*mendedTo - *last);
    next.lastReplayDateISO = recap.dateISO;
  }
  next.lastVigilISO = todayISO;
  next.tally = DayReplay::tallied(hero.tally, recap, next.streak);
  if (!next.archivedRecaps.empty()) next.archivedRecaps.front().streak = next.streak;
  return next;
}

}  // namespace talewick::Vigil
