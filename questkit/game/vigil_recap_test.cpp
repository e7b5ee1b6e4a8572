// A vigil: missed days replayed at half reward, and the streak carried over them.
#include "game/vigil_recap.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

Quest quest(const std::string& id, int64_t baseXp, Rarity rarity = Rarity::legendary) {
  Quest q;
  q.id = id;
  q.baseXp = baseXp;
  q.threat.tier = 2;
  q.archetypeId = "a";
  q.rarity = rarity;
  q.choices = {ChoiceOption{id + "_opt0", "Doux", "", {}, 3, std::nullopt},
               ChoiceOption{id + "_optHero", "Héroïque", "", {}, 10, std::nullopt}};
  return q;
}

TEST(Vigil, MendedDaysPayHalfAndDropNothing) {
  Hero h;
  const std::vector<Vigil::Day> days{{"2026-12-02", {quest("q1", 41), quest("q2", 60)}},
                                     {"2026-12-03", {quest("q3", 33)}}};
  const Engine::Choices choices{{"q1", "q1_opt0"}, {"q2", "q2_optHero"}, {"q3", "q3_opt0"}};
  const std::optional<DayRecap> vigil = Vigil::computeVigil(h, days, choices);
  ASSERT_TRUE(vigil);
  const DayRecap full =
      Engine::computeRecap(h, {quest("q1", 41), quest("q2", 60), quest("q3", 33)}, choices,
                           "2026-12-03", std::nullopt, RPGMode::heroicPapa);
  ASSERT_EQ(vigil->outcomes.size(), 3u);
  int64_t total = 0;
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(vigil->outcomes[i].xpGained, full.outcomes[i].xpGained / 2);
    EXPECT_FALSE(vigil->outcomes[i].loot);
    total += vigil->outcomes[i].xpGained;
  }
  EXPECT_EQ(vigil->totalXp, total);
  EXPECT_EQ(vigil->gold, full.gold / 2);
  EXPECT_TRUE(vigil->loot.empty());
  EXPECT_EQ(vigil->isVigil, true);
  EXPECT_EQ(vigil->dateISO, "2026-12-03");

  EXPECT_FALSE(Vigil::computeVigil(h, days, {}));
  EXPECT_FALSE(Vigil::computeVigil(h, {}, choices));
}

TEST(Vigil, TheStreakIsCarriedOverTheMendedDays) {
  Hero h;
  h.streak = 5;
  h.lastReplayDateISO = "2026-12-01";
  const std::optional<DayRecap> vigil =
      Vigil::computeVigil(h, {{"2026-12-02", {quest("q1", 40)}}, {"2026-12-03", {quest("q2", 40)}}},
                          {{"q1", "q1_opt0"}, {"q2", "q2_opt0"}});
  ASSERT_TRUE(vigil);
  const Hero after = Vigil::applyVigil(h, *vigil, "2026-12-04");
  EXPECT_EQ(after.streak, 7);
  EXPECT_EQ(after.lastReplayDateISO, "2026-12-03");
  EXPECT_EQ(after.lastVigilISO, "2026-12-04");
  EXPECT_EQ(after.totalXp, vigil->totalXp);
  ASSERT_TRUE(after.tally);
  EXPECT_EQ(after.tally->maxStreak, 7);
  EXPECT_EQ(after.archivedRecaps.at(0).streak, 7);
}

}  // namespace
}  // namespace talewick
