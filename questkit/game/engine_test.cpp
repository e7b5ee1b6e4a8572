// The replay engine: its generator, the recap of a day and the hero after it.
#include "game/engine.hpp"

#include <gtest/gtest.h>

#include "game/day_replay.hpp"
#include "game/xp.hpp"

namespace talewick {
namespace {

// Unknown archetype ids all take the fallback's delta: wisdom +1.
Quest quest(const std::string& id, int64_t baseXp, int64_t tier = 1,
            const std::string& archetype = "a", Rarity rarity = Rarity::common) {
  Quest q;
  q.id = id;
  q.name = "Quête " + id;
  q.baseXp = baseXp;
  q.threat.tier = tier;
  q.archetypeId = archetype;
  q.rarity = rarity;
  q.choices = {ChoiceOption{id + "_opt0", "Doux", "", {{StatKey::love, 2}}, 0, std::nullopt},
               ChoiceOption{id + "_opt1", "Sage", "", {{StatKey::energy, -10}}, 5, std::nullopt},
               ChoiceOption{id + "_optHero",
                            "Héroïque",
                            "",
                            {{StatKey::energy, -20}},
                            10,
                            RealQuest{"Appeler Mamie", 15}}};
  return q;
}

Hero heroWith(int64_t energy, int64_t chaos = 20, int64_t totalXp = 0) {
  Hero h;
  h.name = "Léa";
  h.stats.energy = energy;
  h.stats.chaos = chaos;
  h.totalXp = totalXp;
  return h;
}

Engine::Choices pick(std::initializer_list<std::pair<const std::string, std::string>> c) {
  return Engine::Choices(c);
}

TEST(EngineRng, XorshiftStepsAndSeeds) {
  EXPECT_EQ(Engine::seedRng(0), 123456789u);
  EXPECT_EQ(Engine::seedRng(0x100000000), 123456789u);  // low 32 bits are 0
  EXPECT_EQ(Engine::seedRng(1), 1u);
  // x = 1: 1 ^ (1 << 13) = 8193; >> 17 adds nothing; 8193 ^ (8193 << 5) = 270369.
  EXPECT_DOUBLE_EQ(Engine::nextDouble(), 0.70369);
  Engine::seedRng(1);
  const double first = Engine::nextDouble(), second = Engine::nextDouble();
  Engine::seedRng(1);
  EXPECT_EQ(Engine::nextDouble(), first);
  EXPECT_EQ(Engine::nextDouble(), second);
}

TEST(EngineRecap, NothingPlayedGivesAnEmptyDay) {
  const std::vector<Quest> quests{quest("q1", 40), quest("q2", 40)};
  const DayRecap r = Engine::computeRecap(heroWith(60), quests, pick({{"q1", ""}}), "2026-12-05",
                                          std::nullopt, RPGMode::heroicPapa);
  EXPECT_TRUE(r.outcomes.empty());
  EXPECT_FALSE(r.bossQuestId);
  EXPECT_EQ(r.combo, 1);
  EXPECT_EQ(r.totalXp, 0);
  EXPECT_EQ(r.gold, 0);
  EXPECT_TRUE(r.levelUps.empty());
  EXPECT_EQ(r.levelBefore, r.levelAfter);
}

TEST(EngineRecap, BossOfTheDayIsTheLaterOfEqualQuestsAndNeverALoneOne) {
  const std::vector<Quest> two{quest("q1", 40, 3), quest("q2", 40, 3)};
  const auto both = pick({{"q1", "q1_opt0"}, {"q2", "q2_opt0"}});
  const DayRecap r =
      Engine::computeRecap(heroWith(60), two, both, "2026-12-05", 7, RPGMode::heroicPapa);
  ASSERT_EQ(r.bossQuestId, "q2");
  ASSERT_EQ(r.outcomes.size(), 2u);
  EXPECT_FALSE(r.outcomes[0].isBoss);
  ASSERT_TRUE(r.outcomes[1].boss);
  // Level 1: floor(1 / 4) + tier 3 + 1; the first option brings bravery 2, the stat 0, the roll
  // 0 to 4.
  EXPECT_EQ(r.outcomes[1].boss->threshold, 4);
  EXPECT_GE(r.outcomes[1].boss->power, 2);
  EXPECT_LE(r.outcomes[1].boss->power, 6);
  const bool won = r.outcomes[1].boss->result == BossResult::victoire;
  EXPECT_EQ(won, r.outcomes[1].boss->power >= 4);
  // 40 × combo 1 × boss multiplier, half up.
  EXPECT_EQ(r.outcomes[1].xpGained, won ? 64 : 42);
  EXPECT_EQ(r.outcomes[1].statDelta.count(StatKey::chaos) != 0, !won);

  const DayRecap alone =
      Engine::computeRecap(heroWith(60), {quest("q1", 40, 5)}, pick({{"q1", "q1_opt0"}}),
                           "2026-12-05", 7, RPGMode::heroicPapa);
  EXPECT_FALSE(alone.bossQuestId);
  EXPECT_FALSE(alone.outcomes.at(0).isBoss);
  EXPECT_EQ(alone.outcomes[0].xpGained, 40);
  EXPECT_EQ(alone.gold, 8 + 5);  // round(40 / 5) + tier
}

TEST(EngineRecap, SameInputsSameRecapButForLootIds) {
  std::vector<Quest> quests;
  Engine::Choices choices;
  for (int i = 0; i < 12; ++i) {
    const std::string id = "q" + std::to_string(i);
    quests.push_back(quest(id, 60, 1 + i % 5, "a" + std::to_string(i % 4), Rarity::legendary));
    choices[id] = id + (i % 3 == 2 ? "_optHero" : "_opt1");
  }
  const Hero tired = heroWith(25, 50, Xp::totalXpToReach(4));
  const auto strip = [](DayRecap r) {
    for (LootItem& l : r.loot) l.id.clear();
    for (QuestOutcome& o : r.outcomes) {
      if (o.loot) o.loot->id.clear();
    }
    for (LevelReward& l : r.levelUps) {
      if (l.loot) l.loot->id.clear();
    }
    return r;
  };
  const DayRecap a =
      Engine::computeRecap(tired, quests, choices, "2026-12-05", std::nullopt, RPGMode::heroicPapa);
  const DayRecap b =
      Engine::computeRecap(tired, quests, choices, "2026-12-05", std::nullopt, RPGMode::heroicPapa);
  EXPECT_EQ(strip(a), strip(b));
  EXPECT_FALSE(a.loot.empty());  // twelve legendary quests drop something
  if (!a.loot.empty()) {
    EXPECT_NE(a.loot[0].id, b.loot[0].id);
  }
}

TEST(EngineRecap, HeroicOptionsFalterOnlyWhenTired) {
  EXPECT_DOUBLE_EQ(Engine::heroicSuccessChance(0), 0.25);
  EXPECT_DOUBLE_EQ(Engine::heroicSuccessChance(-10), 0.25);
  EXPECT_DOUBLE_EQ(Engine::heroicSuccessChance(30), 0.75);
  EXPECT_DOUBLE_EQ(Engine::heroicSuccessChance(45), 1.0);

  const std::vector<Quest> one{quest("q1", 40)};
  const auto heroic = pick({{"q1", "q1_optHero"}});
  const DayRecap fresh =
      Engine::computeRecap(heroWith(30), one, heroic, "d", 1, RPGMode::heroicPapa);
  EXPECT_FALSE(fresh.outcomes.at(0).heroicFaltered);
  EXPECT_EQ(fresh.outcomes[0].xpGained, 50);
  ASSERT_EQ(fresh.tomorrow.size(), 1u);
  EXPECT_EQ(fresh.tomorrow[0].title, "Appeler Mamie");

  // Seed 1 draws 0.70369 first: above the 0.25 chance of an exhausted hero.
  const DayRecap exhausted =
      Engine::computeRecap(heroWith(0), one, heroic, "d", 1, RPGMode::heroicPapa);
  const QuestOutcome& o = exhausted.outcomes.at(0);
  EXPECT_EQ(o.heroicFaltered, true);
  EXPECT_EQ(o.xpGained, 40);  // the option's +10 is lost
  EXPECT_EQ(o.statDelta,
            (StatDelta{{StatKey::energy, -20}, {StatKey::wisdom, 1}, {StatKey::chaos, 3}}));
}

TEST(EngineRecap, ComboGrowsWithDistinctArchetypesUpToItsCap) {
  const auto xpOfFirst = [](int archetypes) {
    std::vector<Quest> quests;
    Engine::Choices choices;
    for (int i = 0; i < archetypes; ++i) {
      const std::string id = "q" + std::to_string(i);
      // The first quest has the lowest tier: it is never the boss.
      quests.push_back(quest(id, 100, i == 0 ? 1 : 2, "a" + std::to_string(i)));
      choices[id] = id + "_opt0";
    }
    return Engine::computeRecap(heroWith(60), quests, choices, "d", 3, RPGMode::heroicPapa)
        .outcomes.at(0)
        .xpGained;
  };
  EXPECT_EQ(xpOfFirst(2), 105);
  EXPECT_EQ(xpOfFirst(5), 120);
  EXPECT_EQ(xpOfFirst(7), 125);
  EXPECT_EQ(xpOfFirst(9), 125);
}

TEST(EngineRecap, HighChaosCutsExperience) {
  // Chaos 70 + the option's 1 reaches 71: × 0.8.
  Quest q = quest("q1", 100);
  q.choices[0].statDelta = {{StatKey::chaos, 1}};
  const auto choice = pick({{"q1", "q1_opt0"}});
  EXPECT_EQ(Engine::computeRecap(heroWith(60, 70), {q}, choice, "d", 1, RPGMode::heroicPapa)
                .outcomes.at(0)
                .xpGained,
            80);
  EXPECT_EQ(Engine::computeRecap(heroWith(60, 69), {q}, choice, "d", 1, RPGMode::heroicPapa)
                .outcomes.at(0)
                .xpGained,
            100);
}

TEST(EngineRecap, CrossingTwoLevelsGivesTwoRewards) {
  const Hero h = heroWith(60, 20, Xp::totalXpToReach(4));
  const int64_t needed = Xp::totalXpToReach(6) - h.totalXp;
  const DayRecap r = Engine::computeRecap(h, {quest("q1", needed)}, pick({{"q1", "q1_opt0"}}), "d",
                                          1, RPGMode::heroicPapa);
  EXPECT_EQ(r.levelBefore, 4);
  EXPECT_EQ(r.levelAfter, 6);
  ASSERT_EQ(r.levelUps.size(), 2u);
  EXPECT_EQ(r.levelUps[0].level, 5);
  EXPECT_EQ(r.levelUps[0].gold, 115);
  EXPECT_TRUE(r.levelUps[0].isMajor);
  ASSERT_TRUE(r.levelUps[0].loot);
  EXPECT_EQ(r.levelUps[0].loot->rarity, Rarity::epic);
  EXPECT_EQ(r.levelUps[1].gold, 75);
  EXPECT_FALSE(r.levelUps[1].isMajor);
  ASSERT_TRUE(r.levelUps[1].loot);
  EXPECT_EQ(r.levelUps[1].loot->rarity, Rarity::rare);

  const Hero after = Engine::applyRecap(h, r, std::nullopt);
  EXPECT_EQ(after.totalXp, Xp::totalXpToReach(6));
  EXPECT_EQ(after.gold, r.gold + 115 + 75);
  ASSERT_GE(after.inventory.size(), 2u);
  EXPECT_EQ(after.inventory.back().id, r.levelUps[1].loot->id);
}

TEST(EngineNight, SleepAndSteps) {
  EXPECT_EQ(Engine::sleepEnergyDelta(5), -14);
  EXPECT_EQ(Engine::sleepChaosDelta(5), 8);
  EXPECT_EQ(Engine::sleepEnergyDelta(9), 8);
  EXPECT_EQ(Engine::sleepChaosDelta(9), -6);
  EXPECT_EQ(Engine::sleepEnergyDelta(std::nullopt), 0);
  EXPECT_EQ(Engine::sleepChaosDelta(std::nullopt), 0);
  EXPECT_EQ(Engine::sleepEnergyDelta(std::nan("")), 0);
  EXPECT_EQ(Engine::sleepEnergyDelta(0), -28);  // held
  EXPECT_EQ(Engine::sleepEnergyDelta(14), 15);
  EXPECT_EQ(Engine::sleepChaosDelta(0), 14);
  EXPECT_EQ(Engine::sleepChaosDelta(14), -14);
  EXPECT_EQ(Engine::stepsStrengthDelta(12000), 3);
  EXPECT_EQ(Engine::stepsStrengthDelta(40000), 3);
  EXPECT_EQ(Engine::stepsStrengthDelta(8000), 2);
  EXPECT_EQ(Engine::stepsStrengthDelta(3999), 0);
  EXPECT_EQ(Engine::stepsStrengthDelta(std::nullopt), 0);
}

TEST(EngineApply, NightAndClamps) {
  DayRecap r;
  r.outcomes.push_back(QuestOutcome{});
  r.outcomes[0].statDelta = {{StatKey::chaos, 30}, {StatKey::love, -5}, {StatKey::energy, 50}};
  r.chaosDecayBonus = 6;
  r.energyRegen = 4;
  Hero h = heroWith(60, 50);
  h.stats.love = 3;
  // Chaos 80 before the night: −(8 + 6 + round(11.2)) − 6 for nine hours of sleep.
  const Hero after = Engine::applyRecap(h, r, PhysicalState{9.0, 12000});
  EXPECT_EQ(after.stats.chaos, 80 - 25 - 6);
  EXPECT_EQ(after.stats.energy, 100);  // 110 + 15 + 4 + 8, held
  EXPECT_EQ(after.stats.love, 0);
  EXPECT_EQ(after.stats.strength, 3);
  EXPECT_EQ(after.archivedRecaps.size(), 1u);
}

LootItem itemWithId(std::string id) {
  LootItem item;
  item.id = std::move(id);
  return item;
}

TEST(EngineApply, InventoryAndArchiveKeepTheNewest) {
  Hero h = heroWith(60);
  for (int i = 0; i < 60; ++i) h.inventory.push_back(itemWithId("old" + std::to_string(i)));
  for (int i = 0; i < 30; ++i) {
    DayRecap old;
    old.dateISO = "2026-10-" + std::to_string(i);
    h.archivedRecaps.push_back(old);
  }
  DayRecap r;
  r.dateISO = "2026-12-05";
  r.loot = {itemWithId("new0"), itemWithId("new1")};
  const Hero after = Engine::applyRecap(h, r, std::nullopt);
  ASSERT_EQ(after.inventory.size(), 60u);
  EXPECT_EQ(after.inventory[0].id, "new0");
  EXPECT_EQ(after.inventory[2].id, "old0");
  EXPECT_EQ(after.inventory.back().id, "old57");
  ASSERT_EQ(after.archivedRecaps.size(), 30u);
  EXPECT_EQ(after.archivedRecaps[0].dateISO, "2026-12-05");
}

TEST(EngineEnergy, EnergyBeforeFollowsTheReplay) {
  const std::vector<Quest> quests{quest("q1", 40), quest("q2", 40), quest("q3", 40)};
  const auto choices = pick({{"q1", "q1_optHero"}, {"q2", "nope"}, {"q3", "q3_opt1"}});
  const Hero h = heroWith(50);
  EXPECT_EQ(Engine::energyBefore(-1, h, quests, choices), 50);
  EXPECT_EQ(Engine::energyBefore(0, h, quests, choices), 50);
  EXPECT_EQ(Engine::energyBefore(1, h, quests, choices), 30);
  EXPECT_EQ(Engine::energyBefore(2, h, quests, choices), 30);  // an unknown option is passed over
  EXPECT_EQ(Engine::energyBefore(3, h, quests, choices), 20);
  EXPECT_EQ(Engine::energyBefore(9, heroWith(5), quests, choices), 0);
}

TEST(EngineStreak, Transitions) {
  using T = Engine::StreakTransition;
  EXPECT_EQ(Engine::streakTransition(4, std::nullopt, "2026-12-05"), (T{1, std::nullopt}));
  EXPECT_EQ(Engine::streakTransition(4, "2026-12-04", "2026-12-05"), (T{5, std::nullopt}));
  EXPECT_EQ(Engine::streakTransition(4, "2026-12-05", "2026-12-05"), (T{4, std::nullopt}));
  EXPECT_EQ(Engine::streakTransition(4, "2026-12-02", "2026-12-05"), (T{1, 4}));
  EXPECT_EQ(Engine::streakTransition(1, "2026-12-02", "2026-12-05"), (T{1, std::nullopt}));
  EXPECT_EQ(Engine::streakTransition(9, "2026-12-31", "2027-01-01"), (T{10, std::nullopt}));
  EXPECT_EQ(Engine::streakTransition(9, "2024-02-28", "2024-03-01"), (T{1, 9}));  // leap day
}

TEST(Persona, WeightsByPersonaAndEnergy) {
  const Quest q = quest("q1", 40);
  const auto with = [&](double u, PersonaKind p, int64_t energy, const Quest& of) {
    return Persona::chooseOption(of, heroWith(energy), p, [u] { return u; });
  };
  // Brave at energy 60: weights 0.3, 0.2, 0.5.
  EXPECT_EQ(with(0.1, PersonaKind::brave, 60, q), "q1_opt0");
  EXPECT_EQ(with(0.4, PersonaKind::brave, 60, q), "q1_opt1");
  EXPECT_EQ(with(0.6, PersonaKind::brave, 60, q), "q1_optHero");
  // Caring when tired: 0.35, 0.7, 0.06 of 1.11; 0.99 × 1.11 − 0.35 = 0.7489 ≥ 0.7.
  EXPECT_EQ(with(0.99, PersonaKind::caring, 10, q), "q1_optHero");
  EXPECT_EQ(with(0.9, PersonaKind::caring, 10, q), "q1_opt1");
  // A pregnant partner pulls toward the first option: brave 0.7, 0.1, 0.5 of 1.3.
  Quest care = q;
  care.archetypeId = "femme_enceinte";
  EXPECT_EQ(with(0.5, PersonaKind::brave, 60, care), "q1_opt0");
  EXPECT_EQ(with(0.45, PersonaKind::brave, 60, q), "q1_opt1");

  Quest single = q;
  single.choices.resize(1);
  EXPECT_EQ(with(0.99, PersonaKind::brave, 60, single), "q1_opt0");
  single.choices.clear();
  EXPECT_FALSE(with(0.5, PersonaKind::brave, 60, single));
}

TEST(DayReplay, CloseMovesTheStreakAndTheTally) {
  Hero h = heroWith(60);
  h.streak = 3;
  h.lastReplayDateISO = "2026-12-04";
  const std::vector<Quest> quests{quest("q1", 40, 2, "sport"), quest("q2", 40, 3, "reunion")};
  const auto choices = pick({{"q1", "q1_opt0"}, {"q2", "q2_opt0"}});
  const DayReplay::Closed c =
      DayReplay::close(h, quests, choices, "2026-12-05", PhysicalState{7.0, 0}, RPGMode::comic);
  EXPECT_EQ(c.hero.streak, 4);
  EXPECT_EQ(c.recap.streak, 4);
  EXPECT_EQ(c.hero.lastReplayDateISO, "2026-12-05");
  ASSERT_TRUE(c.hero.tally);
  EXPECT_EQ(c.hero.tally->archetypeCounts.at("sport"), 1);
  EXPECT_EQ(c.hero.tally->archetypeCounts.at("reunion"), 1);
  EXPECT_EQ(c.hero.tally->bossesFought, 1);
  EXPECT_EQ(c.hero.tally->bossVictories + c.hero.tally->bossDefeats, 1);
  EXPECT_EQ(c.hero.tally->maxStreak, 4);
  EXPECT_EQ(c.hero.archivedRecaps.at(0).streak, 4);
  EXPECT_EQ(c.recap.sleepHours, 7.0);

  // An older day replayed late keeps the streak and the last day.
  const DayReplay::Closed late =
      DayReplay::close(c.hero, quests, choices, "2026-12-01", std::nullopt, RPGMode::comic);
  EXPECT_EQ(late.hero.streak, 4);
  EXPECT_EQ(late.hero.lastReplayDateISO, "2026-12-05");
  EXPECT_EQ(late.hero.tally->archetypeCounts.at("sport"), 2);
  EXPECT_EQ(DayReplay::receiptID("2026-12-05"), "replay:2026-12-05");

  // Days of chosen rest between two replays do not break the streak; other missed days do.
  const DayReplay::Closed rested =
      DayReplay::close(c.hero, quests, choices, "2026-12-08", std::nullopt, RPGMode::comic, true);
  EXPECT_EQ(rested.hero.streak, 5);
  EXPECT_FALSE(rested.recap.streakLost);
  const DayReplay::Closed broken =
      DayReplay::close(c.hero, quests, choices, "2026-12-08", std::nullopt, RPGMode::comic);
  EXPECT_EQ(broken.hero.streak, 1);
  EXPECT_EQ(broken.recap.streakLost, 4);
}

}  // namespace
}  // namespace talewick
