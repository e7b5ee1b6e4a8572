// A day's replay: the quests and the options picked become a recap, and the recap the next hero.
#include <algorithm>
#include <cmath>
#include <set>

#include "game/economy.hpp"
#include "game/engine.hpp"
#include "game/equipment.hpp"
#include "game/loot.hpp"
#include "game/xp.hpp"

namespace talewick::Engine {
namespace {

Rarity raised(Rarity r) { return r == Rarity::legendary ? r : static_cast<Rarity>(weight(r) + 1); }

int64_t statOf(const StatDelta& delta, StatKey key) {
  const auto it = delta.find(key);
  return it != delta.end() ? it->second : 0;
}

// The quest that fights as the boss of the day: the highest threat, on a tie the greater base XP,
// on a full tie the later one. None with fewer than two quests played.
const Quest* bossOfTheDay(const std::vector<const Quest*>& played) {
  if (played.size() < 2) return nullptr;
  const Quest* best = played.front();
  for (const Quest* q : played) {
    if (q->threat.tier > best->threat.tier ||
        (q->threat.tier == best->threat.tier && q->baseXp >= best->baseXp)) {
      best = q;
    }
  }
  return best;
}

// The hero's stat the boss is fought with: the strongest of love, wisdom and strength in the
// archetype's delta, ties to the earlier.
StatKey bossStat(const StatDelta& archetypeDelta) {
  StatKey best = StatKey::love;
  for (const StatKey key : {StatKey::wisdom, StatKey::strength}) {
    if (statOf(archetypeDelta, key) > statOf(archetypeDelta, best)) best = key;
  }
  return best;
}

BossFight fight(const Quest& quest, size_t optionIndex, const Hero& hero,
                const AggregatedMods& mods, int64_t level) {
  const size_t last = quest.choices.size() - 1;
  const int64_t bravery = optionIndex == last ? 3 : optionIndex == 0 ? 2 : 1;
  const int64_t stat = Equipment::effectiveStats(hero)[bossStat(questStatDelta(quest.archetypeId))];
  const double roll = std::floor(nextDouble() * 5);
  const double power = static_cast<double>(bravery) +
                       std::min(std::floor(static_cast<double>(stat) / 40.0), 4.0) +
                       static_cast<double>(mods.bossPower) + roll;
  const double threshold =
      std::floor(static_cast<double>(level) / 4.0) + static_cast<double>(quest.threat.tier) + 1;
  return BossFight{power >= threshold ? BossResult::victoire : BossResult::rude, power, threshold,
                   quest.threat};
}

Rarity levelRewardRarity(int64_t level, bool major) {
  const Rarity r = level < 5    ? Rarity::common
                   : level < 10 ? Rarity::rare
                   : level < 15 ? Rarity::epic
                                : Rarity::legendary;
  return major ? raised(r) : r;
}

LevelReward levelReward(int64_t level, RPGMode mode) {
  LevelReward reward;
  reward.level = level;
  reward.isMajor = level % 5 == 0;
  reward.gold = 10 * level + 15 + (reward.isMajor ? 50 : 0);
  const double u = nextDouble();
  const std::vector<const Loot::Template*>* pool =
      &Loot::pool(levelRewardRarity(level, reward.isMajor));
  if (pool->empty()) pool = &Loot::pool(Rarity::common);
  if (!pool->empty()) {
    const Loot::Template& t = *(*pool)[Loot::pickIndex(static_cast<int64_t>(pool->size()), u)];
    reward.loot = Loot::makeItem(t, mode, Loot::nextId());
  }
  return reward;
}

}  // namespace

DayRecap computeRecap(const Hero& hero, const std::vector<Quest>& quests, const Choices& choices,
                      const std::string& dateISO, std::optional<int64_t> seed, RPGMode mode) {
  seedRng(seed.value_or(static_cast<int64_t>(quests.size()) * 7919 +
                        static_cast<int64_t>(choices.size()) * 104729 + 1));
  std::vector<const Quest*> played;
  std::set<std::string> archetypes;
  for (const Quest& q : quests) {
    const auto chosen = choices.find(q.id);
    if (chosen == choices.end() || chosen->second.empty()) continue;
    played.push_back(&q);
    archetypes.insert(q.archetypeId);
  }
  const double combo =
      std::min(1.25, 1 + 0.05 * static_cast<double>(std::max<int64_t>(
                                    0, static_cast<int64_t>(archetypes.size()) - 1)));
  const Quest* boss = bossOfTheDay(played);
  const AggregatedMods mods = Equipment::activeMods(hero);
  const int64_t level = Xp::levelFromTotalXp(hero.totalXp).level;
  const Rng rng = [] { return nextDouble(); };

  DayRecap recap;
  recap.dateISO = dateISO;
  int64_t energy = hero.stats.energy;
  int64_t chaos = hero.stats.chaos;
  for (const Quest* q : played) {
    const std::string& chosenId = choices.at(q->id);
    const auto option = std::find_if(q->choices.begin(), q->choices.end(),
                                     [&](const ChoiceOption& o) { return o.id == chosenId; });
    if (option == q->choices.end()) continue;

    QuestOutcome out;
    out.statDelta = mergeDelta(questStatDelta(q->archetypeId), option->statDelta);
    int64_t xpDelta = option->xpDelta;
    if (isHeroic(*option) && energy < EXHAUSTION_THRESHOLD) {
      const bool succeeded = nextDouble() < heroicSuccessChance(energy);
      out.heroicFaltered = !succeeded;
      if (!succeeded) {
        out.statDelta[StatKey::chaos] += 3;
        xpDelta = 0;
      }
    }
    double bossMult = 1.0;
    if (q == boss) {
      out.isBoss = true;
      out.boss = fight(*q, static_cast<size_t>(option - q->choices.begin()), hero, mods, level);
      if (out.boss->result == BossResult::victoire) {
        bossMult = 1.6;
      } else {
        out.statDelta[StatKey::chaos] += 6;
        bossMult = 1.05;
      }
    }
    const bool victory = out.boss && out.boss->result == BossResult::victoire;
    const int64_t rawChaos = chaos + statOf(out.statDelta, StatKey::chaos);
    chaos = std::clamp<int64_t>(rawChaos, 0, 100);
    energy = std::clamp<int64_t>(energy + statOf(out.statDelta, StatKey::energy), 0, 100);
    const double chaosMult = rawChaos >= 71 ? 0.8 : 1.0;

    const double xp = std::floor(static_cast<double>(q->baseXp + xpDelta) * combo * chaosMult *
                                     bossMult * (Equipment::xpMultFor(mods, q->archetypeId)) +
                                 0.5);
    out.xpGained = std::max<int64_t>(0, static_cast<int64_t>(xp));
    recap.totalXp += out.xpGained;
    recap.gold += Economy::goldForQuest(out.xpGained, q->threat.tier, victory, mods.goldMult);

    out.loot = Loot::roll(victory ? raised(q->rarity) : q->rarity, chaos, mode, rng);
    if (out.loot) recap.loot.push_back(*out.loot);
    if (option->realQuest) recap.tomorrow.push_back(*option->realQuest);

    out.questId = q->id;
    out.questName = q->name;
    out.archetypeId = q->archetypeId;
    out.emoji = q->emoji;
    out.threat = q->threat;
    out.chosenOptionId = option->id;
    out.chosenLabel = option->label;
    out.consequence = option->consequence;
    out.rarityHint = q->rarity;
    recap.outcomes.push_back(std::move(out));
  }

  recap.levelBefore = level;
  recap.levelAfter = Xp::levelFromTotalXp(hero.totalXp + recap.totalXp).level;
  for (int64_t l = recap.levelBefore + 1; l <= recap.levelAfter; ++l) {
    recap.levelUps.push_back(levelReward(l, mode));
  }
  recap.combo = static_cast<int64_t>(combo);
  if (boss) recap.bossQuestId = boss->id;
  recap.energyRegen = mods.energyRegen;
  recap.chaosDecayBonus = mods.chaosDecayBonus;
  return recap;
}

Hero applyRecap(const Hero& hero, const DayRecap& recap,
                const std::optional<PhysicalState>& physical) {
  Hero next = hero;
  Stats s = hero.stats;
  for (const QuestOutcome& o : recap.outcomes) s = addStats(s, o.statDelta);
  const std::optional<double> sleep = physical ? physical->sleepHours : std::nullopt;
  const std::optional<int64_t> steps = physical ? physical->steps : std::nullopt;
  const double decay = std::floor(
      CHAOS_DECAY_PROPORTION * static_cast<double>(std::clamp<int64_t>(s.chaos, 0, 100)) + 0.5);
  s.chaos += -(NIGHTLY_CHAOS_DECAY + recap.chaosDecayBonus + static_cast<int64_t>(decay)) +
             sleepChaosDelta(sleep);
  s.energy += NIGHTLY_ENERGY + recap.energyRegen + sleepEnergyDelta(sleep);
  s.strength += stepsStrengthDelta(steps);
  next.stats = clampStats(s);

  next.totalXp += recap.totalXp;
  next.gold += recap.gold;
  std::vector<LootItem> inventory = recap.loot;
  for (const LevelReward& r : recap.levelUps) {
    next.gold += r.gold;
    if (r.loot) inventory.push_back(*r.loot);
  }
  inventory.insert(inventory.end(), hero.inventory.begin(), hero.inventory.end());
  if (inventory.size() > INVENTORY_CAP) inventory.resize(INVENTORY_CAP);
  next.inventory = std::move(inventory);

  next.archivedRecaps.clear();
  next.archivedRecaps.push_back(recap);
  next.archivedRecaps.insert(next.archivedRecaps.end(), hero.archivedRecaps.begin(),
                             hero.archivedRecaps.end());
  if (next.archivedRecaps.size() > ARCHIVE_CAP) next.archivedRecaps.resize(ARCHIVE_CAP);
  return next;
}

}  // namespace talewick::Engine
