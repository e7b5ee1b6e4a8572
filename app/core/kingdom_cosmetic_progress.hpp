// How far the hero has come towards the kingdom's cosmetics, counted from the chronicles this
// machine keeps.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/kingdom_weekly_boss_store.hpp"
#include "kingdom/campaigns.hpp"
#include "kingdom/kingdom_cosmetics.hpp"

namespace talewick {

// Weekly bosses defeated: the bosses of the chronicle and the week's boss whose every objective
// fell. Campaigns completed: the chronicle's completed entries (a closed campaign does not
// count). Each boss and each campaign counts once by its id, however often a chronicle holds it.
// Guild seasons are taken as given: the guild keeps their chronicle.
KingdomCosmetics::Progress cosmeticProgress(
    const std::optional<WeeklyBoss::Boss>& weekBoss,
    const std::vector<WeeklyBossChronicleEntry>& bossChronicle,
    const std::vector<Campaigns::ChronicleEntry>& campaignChronicle, int64_t guildSeasonsCompleted);

}  // namespace talewick
