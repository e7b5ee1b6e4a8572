// Counting the hero's progress towards the cosmetics from the chronicles.
#include "core/kingdom_cosmetic_progress.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

// The boss of `week` with one objective per entry of `done`, completed as it says.
WeeklyBoss::Boss boss(const std::string& week, std::vector<bool> done) {
  WeeklyBoss::Boss b;
  b.id = WeeklyBoss::bossID(week);
  b.weekKey = week;
  for (size_t i = 0; i < done.size(); ++i) {
    b.objectives.push_back({"risk:" + std::to_string(i), "Retard", 1, done[i], done[i]});
  }
  return b;
}

Campaigns::ChronicleEntry campaign(const std::string& id, Campaigns::ChronicleOutcome outcome) {
  Campaigns::ChronicleEntry e;
  e.campaign.id = id;
  e.outcome = outcome;
  return e;
}

TEST(CosmeticProgress, CountsEachFallenBossAndEachCompletedCampaignOnce) {
  using Outcome = Campaigns::ChronicleOutcome;
  const std::vector<WeeklyBossChronicleEntry> bosses = {
      {boss("2026-W48", {true, true}), true},
      {boss("2026-W49", {true, false}), true},  // held on, not defeated
      {boss("2026-W50", {}), true},             // a calm week
      {boss("2026-W48", {true, true}), false},  // archived twice after the clock went back
  };
  const std::vector<Campaigns::ChronicleEntry> campaigns = {campaign("c1", Outcome::completed),
                                                            campaign("c2", Outcome::closed),
                                                            campaign("c3", Outcome::completed)};

  EXPECT_EQ(cosmeticProgress(std::nullopt, bosses, campaigns, 0),
            (KingdomCosmetics::Progress{1, 2, 0}));
  // The week's boss counts once it has fallen, before the week ends and archives it.
  EXPECT_EQ(cosmeticProgress(boss("2026-W51", {true, false}), bosses, {}, 0).weeklyBossesDefeated,
            1);
  EXPECT_EQ(cosmeticProgress(boss("2026-W51", {true}), bosses, {}, 2),
            (KingdomCosmetics::Progress{2, 0, 2}));
}

}  // namespace
}  // namespace talewick
