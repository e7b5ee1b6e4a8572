// Closing a replayed day (emblem, epitaph, teaser, streak) and the digest of a day to come.
#include "kingdom/day_closing.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kingdom/day_digest_engine.hpp"

namespace talewick {
namespace {

using DayClosing::Epitaph;
using DayClosing::Teaser;

QuestOutcome outcome(std::string id, std::string archetype, std::string emoji = "🗡️") {
  QuestOutcome o;
  o.questId = std::move(id);
  o.questName = "Le défi de " + o.questId;
  o.archetypeId = std::move(archetype);
  o.emoji = std::move(emoji);
  return o;
}

// A recap of `n` ordinary outcomes of distinct archetypes, after a 7-hour night.
DayRecap recapOf(int n) {
  DayRecap r;
  r.dateISO = "2026-12-07";
  r.levelBefore = r.levelAfter = 4;
  r.sleepHours = 7;
  for (int i = 0; i < n; ++i) {
    r.outcomes.push_back(outcome("q" + std::to_string(i), "arch" + std::to_string(i)));
  }
  return r;
}

// Makes the outcome at `index` the day's boss.
void fight(DayRecap& r, size_t index, BossResult result, int64_t tier) {
  QuestOutcome& o = r.outcomes.at(index);
  o.isBoss = true;
  o.boss = BossFight{result, 5, 4, Threat{tier, "Redoutable", "🐉"}};
  r.bossQuestId = o.questId;
}

TEST(DayClosing, TheDominantArchetypeGivesTheEmblem) {
  DayClosing::Summary quiet;  // no quest, no boss, steady, nothing to tease
  quiet.emblem = DayClosing::QUIET_EMBLEM;
  EXPECT_EQ(DayClosing::summarize(recapOf(0), Hero{}), quiet);
  DayRecap r = recapOf(0);
  r.outcomes = {outcome("a", "reunion", "💼"), outcome("b", "coucher", "🛁"),
                outcome("c", "coucher", "🫧"), outcome("d", "reunion", "📊")};
  auto s = DayClosing::summarize(r, Hero{});
  EXPECT_EQ(s.dominantArchetypeId, "reunion");  // a tie goes to the archetype met first
  EXPECT_EQ(s.emblem, "💼");
  r.outcomes.push_back(outcome("e", "coucher", ""));
  s = DayClosing::summarize(r, Hero{});
  EXPECT_EQ(s.dominantArchetypeId, "coucher");
  EXPECT_EQ(s.emblem, "🛁");
  EXPECT_EQ(s.questCount, 5);
}

TEST(DayClosing, EpitaphTakesTheFirstThatApplies) {
  const auto epitaphOf = [](const DayRecap& r) { return DayClosing::summarize(r, Hero{}).epitaph; };
  DayRecap r = recapOf(5);
  EXPECT_EQ(epitaphOf(r), Epitaph::full);
  EXPECT_EQ(epitaphOf(recapOf(4)), Epitaph::steady);
  r.outcomes[2].heroicFaltered = true;
  EXPECT_EQ(epitaphOf(r), Epitaph::restless);
  r.outcomes[2].heroicFaltered = false;
  r.sleepHours = 5.9;
  EXPECT_EQ(epitaphOf(r), Epitaph::restless);
  fight(r, 1, BossResult::victoire, 3);  // an easy win is no battle
  EXPECT_EQ(epitaphOf(r), Epitaph::restless);
  fight(r, 1, BossResult::victoire, 4);
  EXPECT_EQ(epitaphOf(r), Epitaph::battle);
  fight(r, 1, BossResult::rude, 2);
  r.levelAfter = 5;  // a lost fight is no legend, even with a level gained
  EXPECT_EQ(epitaphOf(r), Epitaph::battle);
  fight(r, 1, BossResult::victoire, 1);
  EXPECT_EQ(epitaphOf(r), Epitaph::legend);

  DayRecap lucky = recapOf(1);
  LevelReward reward;
  reward.loot = LootItem{};
  reward.loot->rarity = Rarity::legendary;
  lucky.levelUps.push_back(reward);
  EXPECT_EQ(epitaphOf(lucky), Epitaph::legend);
}

TEST(DayClosing, BossNightAndStreak) {
  DayRecap r = recapOf(3);
  fight(r, 2, BossResult::victoire, 2);
  r.levelAfter = 6;
  r.sleepHours = 5.5;
  Hero hero;
  hero.streak = 9;
  hero.lastReplayDateISO = "2026-12-07";
  const auto s = DayClosing::summarize(r, hero);
  EXPECT_EQ(s.bossName, "Le défi de q2");
  EXPECT_TRUE(s.leveledUp);
  EXPECT_TRUE(s.shortNight);
  EXPECT_EQ(s.streak, 9);
  r.streak = 4;  // the recap's own streak comes first
  EXPECT_EQ(DayClosing::summarize(r, hero).streak, 4);
  r.streak.reset();
  hero.lastReplayDateISO = "2026-12-06";  // the hero's streak belongs to another day
  EXPECT_EQ(DayClosing::summarize(r, hero).streak, std::nullopt);
}

TEST(DayClosing, TeaserPrefersRevengeThenTomorrowThenTheNemesis) {
  DayRecap r = recapOf(2);
  Hero hero;
  hero.rivalry = 3;
  r.tomorrow = {RealQuest{"  ", 5}, RealQuest{"Appeler la nounou", 10}};
  EXPECT_EQ(DayClosing::summarize(r, hero).teaser, Teaser::tomorrow("Appeler la nounou"));
  fight(r, 0, BossResult::rude, 3);
  EXPECT_EQ(DayClosing::summarize(r, hero).teaser, Teaser::nemesis(3));
  r.tomorrow.clear();
  fight(r, 0, BossResult::victoire, 3);
  EXPECT_EQ(DayClosing::summarize(r, hero).teaser, Teaser::nemesis(3));
  hero.rivalry = 0;
  EXPECT_EQ(DayClosing::summarize(r, hero).teaser, Teaser::none());
}

Quest quest(std::string id, int64_t tier, int64_t baseXp, TimeOfDay band = TimeOfDay::jour) {
  Quest q;
  q.id = std::move(id);
  q.threat.tier = tier;
  q.baseXp = baseXp;
  q.timeOfDay = band;
  return q;
}

TEST(DayDigestEngine, CountsSpreadAndTheBossTheReplayWouldFight) {
  const auto d = DayDigestEngine::compute(
      {quest("a", 3, 90, TimeOfDay::aube), quest("b", 4, 10), quest("c", 2, 200)}, -2);
  EXPECT_EQ(d.questCount, 3);
  EXPECT_EQ(d.reminderCount, 0);
  EXPECT_EQ(
      d.byTimeOfDay,
      (std::map<TimeOfDay, int64_t>{
          {TimeOfDay::aube, 1}, {TimeOfDay::jour, 2}, {TimeOfDay::soir, 0}, {TimeOfDay::nuit, 0}}));
  EXPECT_EQ(d.bossQuestId, "b");  // tier first
  const auto bossOf = [](std::vector<Quest> quests) {
    return DayDigestEngine::compute(quests, 1).bossQuestId;
  };
  EXPECT_EQ(bossOf({quest("seul", 5, 99)}), std::nullopt);
  EXPECT_EQ(bossOf({quest("a", 3, 60), quest("b", 3, 50)}), "a");
  EXPECT_EQ(bossOf({quest("a", 3, 40), quest("b", 3, 40)}), "b");
}

}  // namespace
}  // namespace talewick
