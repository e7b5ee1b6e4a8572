// Forging occurrences into quests: numbers, texts, options and determinism.
#include "game/quest_engine.hpp"

#include <gtest/gtest.h>

#include <set>

#include "game/archetypes.hpp"
#include "tests/support/test_environment.hpp"
#include "text/event_metadata.hpp"

namespace talewick {
namespace {

using testing::localDate;
using testing::timedEvent;

const Date kMorning = localDate(2026, 12, 5, 10, 0);

TEST(Duration, MinutesAndMultiplier) {
  DayEvent e = timedEvent("x", kMorning, 10);
  EXPECT_EQ(QuestEngine::durationMinutes(e), 10);
  EXPECT_NEAR(QuestEngine::durationMult(10), 0.8833, 1e-4);
  EXPECT_EQ(QuestEngine::durationMult(0), 0.8);
  EXPECT_EQ(QuestEngine::durationMult(360), 1.6);
  e.endDate = e.startDate.adding(89.5);  // 1.49 min rounds to 1
  EXPECT_EQ(QuestEngine::durationMinutes(e), 1);
  e.endDate = e.startDate.adding(-60);
  EXPECT_EQ(QuestEngine::durationMinutes(e), 30);
  e.endDate = Date{NAN};
  EXPECT_EQ(QuestEngine::durationMinutes(e), 30);
  e.allDay = true;
  EXPECT_EQ(QuestEngine::durationMinutes(e), 60);
}

TEST(Forge, XpFromArchetypeAndDuration) {
  EXPECT_EQ(QuestEngine::eventToQuest(timedEvent("Réunion", kMorning, 30), {}).baseXp, 32);
  EXPECT_EQ(QuestEngine::eventToQuest(timedEvent("Réunion", kMorning, 120), {}).baseXp, 48);
  DayEvent allDay = timedEvent("Réunion", kMorning, 0);
  allDay.allDay = true;
  EXPECT_EQ(QuestEngine::eventToQuest(allDay, {}).baseXp, 39);  // 30 × 1.3
  // Attendees, intensity and the hour move the threat, never the XP.
  DayEvent crowded = timedEvent("Réunion", localDate(2026, 12, 5, 23, 0), 30);
  crowded.attendees = 9;
  crowded.intensity = 1.0;
  const Quest q = QuestEngine::eventToQuest(crowded, {});
  EXPECT_EQ(q.baseXp, 32);
  EXPECT_EQ(q.timeOfDay, TimeOfDay::nuit);
  EXPECT_EQ(q.threat.tier, 5);  // (32 × 1.6 + 20) × 1.25 = 89
}

TEST(Forge, EmptyAndPunctuationTitlesAreUnknownQuests) {
  DayEvent e = timedEvent("", kMorning, 60);
  e.id = "abc";
  const Quest empty = QuestEngine::eventToQuest(e, {});
  EXPECT_EQ(empty.archetypeId, "inconnu");
  EXPECT_EQ(empty.baseXp, 23);  // round(18 × 1.3)
  EXPECT_EQ(empty.emoji, "✨");
  // The seed comes from the id, so another id may draw another heroic consequence but the
  // same id always draws the same.
  EXPECT_EQ(QuestEngine::eventToQuest(e, {}), empty);
  e.title = "?!";
  const Quest punctuation = QuestEngine::eventToQuest(e, {});
  EXPECT_EQ(punctuation.archetypeId, "inconnu");
  EXPECT_EQ(punctuation.rawTitle, "?!");
}

TEST(Forge, OptionsAndTheHeroicChoice) {
  DayEvent e = timedEvent("Deadline sprint", kMorning, 60);
  e.id = "E1";
  const Quest q = QuestEngine::eventToQuest(e, {});
  EXPECT_EQ(q.id, "quest_E1");
  EXPECT_EQ(q.archetypeId, "echeance");
  EXPECT_EQ(q.rarity, Rarity::rare);
  EXPECT_EQ(q.baseXp, 59);  // round(45 × 1.3)
  ASSERT_EQ(q.choices.size(), 3u);
  EXPECT_EQ(q.choices[0].id, "E1_opt0");
  EXPECT_EQ(q.choices[1].id, "E1_opt1");
  EXPECT_EQ(q.choices[0].xpDelta, 8);
  EXPECT_EQ(q.choices[1].statDelta, (StatDelta{{StatKey::wisdom, 2}, {StatKey::energy, 1}}));
  const ChoiceOption& hero = q.choices[2];
  EXPECT_EQ(hero.id, "E1_optHero");
  EXPECT_EQ(hero.xpDelta, 30);  // round(29.5) away from zero
  EXPECT_FALSE(hero.realQuest);
  // echeance: wisdom +1, strength +1 tie, the earlier (wisdom) dominates.
  EXPECT_EQ(hero.statDelta, (StatDelta{{StatKey::energy, -2},
                                       {StatKey::wisdom, 3},
                                       {StatKey::strength, 1},
                                       {StatKey::chaos, 3}}));
  EXPECT_NE(hero.consequence.find(q.threat.label), std::string::npos);
  EXPECT_NE(hero.consequence.find(q.threat.emoji), std::string::npos);
}

TEST(Forge, HeroicDeltaWhenStrengthDominates) {
  const Quest q = QuestEngine::eventToQuest(timedEvent("Footing", kMorning, 45), {});
  ASSERT_EQ(q.archetypeId, "sport");
  EXPECT_EQ(q.choices[2].statDelta,
            (StatDelta{{StatKey::energy, -2}, {StatKey::strength, 1}, {StatKey::chaos, 3}}));
  EXPECT_EQ(q.choices[0].realQuest->reward, 25);
}

TEST(Forge, IntroGathersExtrasBeforeTheBase) {
  DayEvent e = timedEvent("Courses", localDate(2026, 12, 5, 6, 30), 30);
  e.location = "Supermarché Carrefour";
  e.attendees = 2;
  e.intensity = 0.5;
  const Quest q = QuestEngine::eventToQuest(e, RPGMode::heroicPapa);
  EXPECT_TRUE(q.intensityHot);
  EXPECT_EQ(q.biomeKey, "supermarket");
  EXPECT_EQ(q.biome, "le Bazar");
  const std::string expected =
      "Aux premières lueurs, alors que le monde dort encore, Le décor : le Bazar. Tu n'es pas "
      "seul à mener ce combat. Ton cœur s'emballe — l'épreuve te happe pour de vrai. " +
      Archetypes::byId("courses")->intro;
  EXPECT_EQ(q.intro, expected);
  // In the day band, alone, with no place: the base intro only.
  EXPECT_EQ(QuestEngine::eventToQuest(timedEvent("Courses", kMorning, 30), {}).intro,
            Archetypes::byId("courses")->intro);
}

TEST(Forge, DeterministicPerDayAndMode) {
  const DayEvent e = timedEvent("Anniversaire de Léa", kMorning, 90);
  EXPECT_EQ(QuestEngine::eventToQuest(e, {}), QuestEngine::eventToQuest(e, {}));
  // Another day changes the seed: across a few days at least one name or text changes.
  bool changed = false;
  for (int day = 6; day < 12 && !changed; ++day) {
    DayEvent later = e;
    later.startDate = localDate(2026, 12, day, 10, 0);
    later.endDate = later.startDate.adding(5400);
    const Quest a = QuestEngine::eventToQuest(e, {});
    const Quest b = QuestEngine::eventToQuest(later, {});
    changed = a.name != b.name || a.choices[2].consequence != b.choices[2].consequence ||
              a.choices[0].consequence != b.choices[0].consequence;
  }
  EXPECT_TRUE(changed);
  EXPECT_NE(QuestEngine::eventToQuest(e, RPGMode::comic).intro,
            QuestEngine::eventToQuest(e, RPGMode::heroicPapa).intro);
}

TEST(Forge, MetadataBlockGivesTitleNameAndLinkedItem) {
  DayEvent e = timedEvent("Le Dragon du Livrable", kMorning, 60);
  e.notes = "Préparer la démo\n\n" +
            TalewickEventMetadata::linearTimeBlock("b1", "i1", "ENG-42", "https://x/ENG-42",
                                                   "Deadline sprint", true);
  const Quest q = QuestEngine::eventToQuest(e, {});
  EXPECT_EQ(q.rawTitle, "Deadline sprint");
  EXPECT_EQ(q.archetypeId, "echeance");
  EXPECT_EQ(q.name, "Le Dragon du Livrable");  // the event title is already the quest name
  ASSERT_TRUE(q.linkedItem);
  EXPECT_EQ(std::get<LinearIssueLink>(q.linkedItem->value).identifier, "ENG-42");

  e.notes = TalewickEventMetadata::todoistTimeBlock("b2", "t9", "Footing", std::nullopt, false);
  const Quest composed = QuestEngine::eventToQuest(e, {});
  EXPECT_EQ(composed.archetypeId, "sport");
  EXPECT_NE(composed.name, e.title);
}

// Stores keep outlines and tell their stories when a quest is shown: the story told must be the
// one forging the whole quest gives, whatever the title (none, or one from a metadata block), the
// place, the company, the hour and the mode.
TEST(Forge, AnOutlineToldIsTheWholeQuest) {
  std::vector<DayEvent> events;
  DayEvent courses = timedEvent("Courses", localDate(2026, 12, 5, 6, 30), 30);
  courses.location = "Supermarché Carrefour";
  courses.attendees = 2;
  courses.intensity = 0.9;
  events.push_back(courses);
  DayEvent untitled = timedEvent("", kMorning, 60);
  untitled.id = "abc";
  events.push_back(untitled);
  DayEvent block = timedEvent("Le Dragon du Livrable", localDate(2026, 12, 5, 23, 0), 60);
  block.notes = TalewickEventMetadata::linearTimeBlock("b1", "i1", "ENG-42", std::nullopt,
                                                       "Deadline sprint", true);
  block.attendees = 6;
  events.push_back(block);
  DayEvent named = timedEvent("Footing", kMorning, 45);
  named.notes =
      TalewickEventMetadata::todoistTimeBlock("b2", "t9", "Footing au parc", std::nullopt, false);
  events.push_back(named);
  DayEvent allDay = timedEvent("Anniversaire de Léa", localDate(2026, 12, 6), 0);
  allDay.allDay = true;
  events.push_back(allDay);

  for (const DayEvent& e : events) {
    for (RPGMode mode : allCases<RPGMode>()) {
      const Quest whole = QuestEngine::eventToQuest(e, mode);
      Quest outline = QuestEngine::outline(e, mode);
      EXPECT_TRUE(outline.intro.empty() && outline.choices.empty()) << e.title;
      Quest storyless = whole;
      storyless.intro.clear();
      storyless.choices.clear();
      EXPECT_EQ(outline, storyless) << e.title << " " << rawValue(mode);
      QuestEngine::tell(outline, e, mode);
      EXPECT_EQ(outline, whole) << e.title << " " << rawValue(mode);
    }
  }
}

TEST(Breakdown, MatchesTheQuest) {
  DayEvent e = timedEvent("Présentation client", localDate(2026, 12, 5, 22, 30), 45);
  e.attendees = 3;
  e.intensity = 0.2;
  const Quest q = QuestEngine::eventToQuest(e, RPGMode::donjon);
  const QuestBreakdown b = QuestEngine::breakdown(e, RPGMode::donjon);
  EXPECT_EQ(b.archetypeId, q.archetypeId);
  EXPECT_EQ(b.archetypeLabel, "Présentation / pitch");
  EXPECT_EQ(b.xp, q.baseXp);
  EXPECT_EQ(b.threat, q.threat);
  EXPECT_EQ(b.attendeesBonus, 12);
  EXPECT_DOUBLE_EQ(*b.intensityMult, 0.88);
  EXPECT_TRUE(b.isNight);
  EXPECT_DOUBLE_EQ(b.threatScore, (q.baseXp * 0.88 + 12) * 1.25);
}

TEST(Reroll, SuccessiveReproducibleNames) {
  const std::string a = QuestEngine::rerollTitle("Footing", "sport", {}, 1);
  EXPECT_EQ(a, QuestEngine::rerollTitle("Footing", "sport", {}, 1));
  std::set<std::string> names;
  for (int v = 0; v < 8; ++v) names.insert(QuestEngine::rerollTitle("Footing", "sport", {}, v));
  EXPECT_GT(names.size(), 1u);
  EXPECT_FALSE(QuestEngine::rerollTitle("", "no_such_archetype", {}, 0).empty());
}

TEST(AllDay, CoversAndEndDate) {
  const Date start = localDate(2026, 12, 5);
  const Date end = localDate(2026, 12, 7);  // two days: the 5th and the 6th
  EXPECT_TRUE(QuestEngine::allDayCovers(localDate(2026, 12, 5, 13, 0), start, end));
  EXPECT_TRUE(QuestEngine::allDayCovers(localDate(2026, 12, 6, 23, 59), start, end));
  EXPECT_FALSE(QuestEngine::allDayCovers(localDate(2026, 12, 7, 0, 0), start, end));
  EXPECT_FALSE(QuestEngine::allDayCovers(localDate(2026, 12, 4, 12, 0), start, end));
  EXPECT_EQ(QuestEngine::allDayEndDate(start, localDate(2026, 12, 6, 15, 0)), end);
  EXPECT_EQ(QuestEngine::allDayEndDate(end, start), std::nullopt);
  // The day the clocks change is 23 hours long; the end is still the next midnight.
  EXPECT_EQ(QuestEngine::allDayEndDate(localDate(2026, 3, 29), localDate(2026, 3, 29)),
            localDate(2026, 3, 30));
}

TEST(Signature, CoversWhatForgingReads) {
  const DayEvent e = timedEvent("Yoga", kMorning, 60);
  const auto s = QuestEngine::eventToQuestSignature(e, {});
  EXPECT_EQ(s, QuestEngine::eventToQuestSignature(e, {}));
  EXPECT_EQ(QuestEngine::InputSignatureHash{}(s),
            QuestEngine::InputSignatureHash{}(QuestEngine::eventToQuestSignature(e, {})));
  DayEvent moved = e;
  moved.location = "Spa";
  EXPECT_NE(QuestEngine::eventToQuestSignature(moved, {}), s);
  EXPECT_NE(QuestEngine::eventToQuestSignature(e, RPGMode::comic), s);
  DayEvent recoloured = e;  // colour is not read by forging
  recoloured.calendarColorHex = "#FF0000";
  EXPECT_EQ(QuestEngine::eventToQuestSignature(recoloured, {}), s);
}

}  // namespace
}  // namespace talewick
