// The world boss: damage, hit points, rage and its scars, the weekly form and the victory's pay.
#include "together/world_boss.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/hashes.hpp"

namespace talewick {
namespace {

using WorldBoss::ScourgeEffect;

TEST(WorldBoss, ADayOfPlayIsCappedDamage) {
  EXPECT_EQ(WorldBoss::damage(2000, 20, 40), 1950);  // 1500 + 300 + 150
  EXPECT_LT(WorldBoss::damage(INT64_MAX, INT64_MAX, INT64_MAX), WorldBoss::maxDamagePerDay);
  EXPECT_EQ(WorldBoss::damage(-100, -3, -8), 0);
  EXPECT_EQ(WorldBoss::damage(100, 2, 3), 100 + 50 + 15);
}

TEST(WorldBoss, HitPointsGrowWithTheCrowd) {
  EXPECT_EQ(WorldBoss::hp(1, false), 6000);
  EXPECT_EQ(WorldBoss::hp(3, false), 7800);
  EXPECT_EQ(WorldBoss::hp(3, true), 8970);
  EXPECT_EQ(WorldBoss::hp(0, false), 6000);
  EXPECT_EQ(WorldBoss::hp(-7, true), 6900);
  EXPECT_EQ(WorldBoss::hp(7, true), 20930);  // 18200 × 115 / 100
  EXPECT_EQ(WorldBoss::hp(INT64_MAX, true), INT64_MAX);
}

TEST(WorldBoss, RageIsTheShareOfTheCrowdThatStayedAway) {
  EXPECT_EQ(WorldBoss::rage(3, 4), 25);
  EXPECT_EQ(WorldBoss::rage(0, 4), 100);
  EXPECT_EQ(WorldBoss::rage(4, 4), 0);
  EXPECT_EQ(WorldBoss::rage(9, 4), 0);  // more pushers than active players: all of them
  EXPECT_EQ(WorldBoss::rage(-2, 4), 100);
  EXPECT_EQ(WorldBoss::rage(5, 0), 0);  // nobody to be angry at
  // 1 of 8 is 12.5 %, rounded half up to 13; 1 of 3 is 33.3 % → 33.
  EXPECT_EQ(WorldBoss::rage(1, 8), 87);
  EXPECT_EQ(WorldBoss::rage(1, 3), 67);
  EXPECT_EQ(WorldBoss::rage(2, 3), 33);
  EXPECT_EQ(WorldBoss::rage(INT64_MAX / 2, INT64_MAX), 50);
}

TEST(WorldBoss, ASmallCohortCannotBeDrivenToFullFury) {
  EXPECT_EQ(WorldBoss::effectiveRage(WorldBoss::rage(3, 4), 4), 25);
  EXPECT_EQ(WorldBoss::effectiveRage(WorldBoss::rage(0, 4), 4), 74);
  EXPECT_EQ(WorldBoss::effectiveRage(100, 5), 100);
  EXPECT_EQ(WorldBoss::effectiveRage(-10, 50), 0);
  EXPECT_EQ(WorldBoss::effectiveRage(250, 50), 100);
}

TEST(WorldBoss, RageLevelsUnlockScarsThatAccumulate) {
  EXPECT_EQ(WorldBoss::rageLevel(24), 0);
  EXPECT_EQ(WorldBoss::rageLevel(25), 1);
  EXPECT_EQ(WorldBoss::rageLevel(74), 2);
  EXPECT_EQ(WorldBoss::rageLevel(75), 3);
  EXPECT_EQ(WorldBoss::rageLevel(100), 4);
  EXPECT_EQ(WorldBoss::rageLevel(400), 4);
  EXPECT_EQ(WorldBoss::rageLevel(-30), 0);
  // The capped rage of a small cohort never reaches the fourth level.
  EXPECT_EQ(WorldBoss::rageLevel(WorldBoss::smallCohortRageCap), 2);

  EXPECT_TRUE(WorldBoss::scourgeEffects(0).empty());
  EXPECT_EQ(WorldBoss::scourgeEffects(1), std::vector{ScourgeEffect::marketEmbers});
  EXPECT_EQ(WorldBoss::scourgeEffects(2),
            (std::vector{ScourgeEffect::marketEmbers, ScourgeEffect::buildingSmoke,
                         ScourgeEffect::darkenedWindows}));
  EXPECT_EQ(WorldBoss::scourgeEffects(3),
            (std::vector{ScourgeEffect::marketEmbers, ScourgeEffect::buildingSmoke,
                         ScourgeEffect::darkenedWindows, ScourgeEffect::bridgeCrack,
                         ScourgeEffect::vignette, ScourgeEffect::horizonGlow}));
  const auto all = WorldBoss::scourgeEffects(4);
  ASSERT_EQ(all.size(), 7u);
  EXPECT_EQ(all.back(), ScourgeEffect::ashfall);
  EXPECT_EQ(WorldBoss::scourgeEffects(9), all);
  EXPECT_TRUE(WorldBoss::scourgeEffects(-1).empty());
}

TEST(WorldBoss, RageEventsTriggerAtTheirThresholds) {
  EXPECT_TRUE(WorldBoss::triggeredRageEvents(24).empty());
  const auto three = WorldBoss::triggeredRageEvents(75);
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[0].key, "market");
  EXPECT_EQ(three[2].key, "bridge");
  EXPECT_EQ(three[2].messageFR, "Le vieux pont se fissure sous la fureur du Fléau.");
  EXPECT_EQ(WorldBoss::triggeredRageEvents(100).back().messageEN,
            "The belfry is shaken to its very foundations.");
}

TEST(WorldBoss, TheWeeklyFormIsFnv1a64OfTheWeek) {
  EXPECT_EQ(hashes::fnv1a64(""), 0xCBF29CE484222325u);
  EXPECT_EQ(hashes::fnv1a64("a"), 0xAF63DC4C8601EC8Cu);
  EXPECT_EQ(WorldBoss::form("2026-W49").key, "sandworm");
  EXPECT_EQ(WorldBoss::form("2026-W50").key, "golem");
  EXPECT_EQ(WorldBoss::form("2027-W01").key, "chimera");
  std::set<std::string_view> seen;
  for (int week = 1; week <= 52; ++week) {
    seen.insert(WorldBoss::form("2026-W" + std::to_string(week)).key);
  }
  EXPECT_EQ(seen.size(), WorldBoss::forms.size());
}

TEST(WorldBoss, AVictoryPaysGoldAndTheDeedOnce) {
  const auto won = WorldBoss::reward(12345, true);
  EXPECT_EQ(won.gold, 173);
  ASSERT_TRUE(won.deed);
  EXPECT_EQ(won.deed->id, "fleautueur");
  EXPECT_EQ(WorldBoss::reward(50000, true).gold, 400);
  EXPECT_EQ(WorldBoss::reward(INT64_MAX, true).gold, 400);
  EXPECT_EQ(WorldBoss::reward(99, true).gold, 50);
  EXPECT_EQ(WorldBoss::reward(50000, false), WorldBoss::Reward{});
  EXPECT_EQ(WorldBoss::reward(0, true), WorldBoss::Reward{});
  EXPECT_EQ(WorldBoss::reward(-5, true), WorldBoss::Reward{});
  EXPECT_EQ(WorldBoss::victoryReceiptID("2026-W49"), "worldboss:2026-W49:victory");
  EXPECT_EQ(json_coding::encode(WorldBoss::reward(0, false)), (Json{{"gold", 0}}));
}

}  // namespace
}  // namespace talewick
