#include "kingdom/day_closing.hpp"

#include <cmath>
#include <map>
#include <utility>

#include "support/text.hpp"

namespace talewick::DayClosing {
namespace {

// The index of the first outcome of the most frequent archetype; ties go to the earlier one.
std::optional<size_t> dominantOutcome(const std::vector<QuestOutcome>& outcomes) {
  std::map<std::string, int64_t> counts;
  for (const auto& o : outcomes) ++counts[o.archetypeId];
  std::optional<size_t> best;
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const auto& id = outcomes[i].archetypeId;
    if (!best || counts[id] > counts[outcomes[*best].archetypeId]) best = i;
  }
  return best;
}

const QuestOutcome* bossOutcome(const DayRecap& recap) {
  for (const auto& o : recap.outcomes) {
    if (o.isBoss || (recap.bossQuestId && o.questId == *recap.bossQuestId)) return &o;
  }
  return nullptr;
}

bool gainedLegendary(const DayRecap& recap) {
  for (const auto& item : recap.loot) {
    if (item.rarity == Rarity::legendary) return true;
  }
  for (const auto& reward : recap.levelUps) {
    if (reward.loot && reward.loot->rarity == Rarity::legendary) return true;
  }
  return false;
}

bool faltered(const DayRecap& recap) {
  for (const auto& o : recap.outcomes) {
    if (o.heroicFaltered.value_or(false)) return true;
  }
  return false;
}

}  // namespace

Summary summarize(const DayRecap& recap, const Hero& hero) {
  Summary s;
  s.questCount = static_cast<int64_t>(recap.outcomes.size());
  s.emblem = std::string(QUIET_EMBLEM);
  if (const auto dominant = dominantOutcome(recap.outcomes)) {
    const QuestOutcome& o = recap.outcomes[*dominant];
    s.dominantArchetypeId = o.archetypeId;
    if (!text::trim(o.emoji).empty()) s.emblem = o.emoji;
  }

  const QuestOutcome* boss = bossOutcome(recap);
  const std::optional<BossFight> fight = boss ? boss->boss : std::nullopt;
  if (boss) s.bossName = boss->questName;
  const bool bossWon = fight && fight->result == BossResult::victoire;
  const bool bossLost = fight && fight->result == BossResult::rude;

  s.leveledUp = recap.levelAfter > recap.levelBefore;
  s.shortNight =
      recap.sleepHours && std::isfinite(*recap.sleepHours) && *recap.sleepHours < SHORT_NIGHT_HOURS;
  if (recap.streak) {
    s.streak = recap.streak;
  } else if (hero.lastReplayDateISO == recap.dateISO && hero.streak > 0) {
    s.streak = hero.streak;
  }

  if ((bossWon && s.leveledUp) || gainedLegendary(recap)) {
    s.epitaph = Epitaph::legend;
  } else if (bossLost || (fight && fight->threat.tier >= 4)) {
    s.epitaph = Epitaph::battle;
  } else if (s.shortNight || faltered(recap)) {
    s.epitaph = Epitaph::restless;
  } else if (s.questCount >= FULL_DAY_QUESTS) {
    s.epitaph = Epitaph::full;
  } else {
    s.epitaph = Epitaph::steady;
  }

  const int64_t rivalry = hero.rivalry.value_or(0);
  const RealQuest* next = nullptr;
  for (const auto& q : recap.tomorrow) {
    if (!text::trim(q.title).empty()) {
      next = &q;
      break;
    }
  }
  if (bossLost && rivalry > 0) {
    s.teaser = Teaser::nemesis(rivalry);
  } else if (next) {
    s.teaser = Teaser::tomorrow(next->title);
  } else if (rivalry > 0) {
    s.teaser = Teaser::nemesis(rivalry);
  }
  return s;
}

}  // namespace talewick::DayClosing
