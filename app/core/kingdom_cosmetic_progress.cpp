#include "core/kingdom_cosmetic_progress.hpp"

#include <set>
#include <string>

namespace talewick {

namespace {

bool defeated(const WeeklyBoss::Boss& boss) {
  return WeeklyBoss::summary(boss).outcome == WeeklyBoss::Outcome::defeated;
}

}  // namespace

KingdomCosmetics::Progress cosmeticProgress(
    const std::optional<WeeklyBoss::Boss>& weekBoss,
    const std::vector<WeeklyBossChronicleEntry>& bossChronicle,
    const std::vector<Campaigns::ChronicleEntry>& campaignChronicle,
    int64_t guildSeasonsCompleted) {
  // A week whose clock went back raises its boss again under the same id and archives it twice.
  std::set<std::string> bosses;
  for (const WeeklyBossChronicleEntry& e : bossChronicle) {
    if (defeated(e.boss)) bosses.insert(e.boss.id);
  }
  if (weekBoss && defeated(*weekBoss)) bosses.insert(weekBoss->id);
  std::set<std::string> campaigns;
  for (const Campaigns::ChronicleEntry& e : campaignChronicle) {
    if (e.outcome == Campaigns::ChronicleOutcome::completed) campaigns.insert(e.campaign.id);
  }
  KingdomCosmetics::Progress progress;
  progress.weeklyBossesDefeated = static_cast<int64_t>(bosses.size());
  progress.campaignsCompleted = static_cast<int64_t>(campaigns.size());
  progress.guildSeasonsCompleted = guildSeasonsCompleted;
  return progress;
}

}  // namespace talewick
