// The kingdom's words: realm names, what each world-quest objective asks, and the line a payment
// prints. Shared by `talewick kingdom` and the daemon.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/kingdom_coordinator.hpp"
#include "kingdom/capacity.hpp"
#include "kingdom/day_load_engine.hpp"
#include "kingdom/journey.hpp"
#include "kingdom/kingdom_realm.hpp"
#include "kingdom/weekly_boss.hpp"
#include "kingdom/world_quests.hpp"

namespace talewick::ui {

std::string realmName(KingdomRealm realm);

// What a realm shows of the whole window it lists: the items still ahead from the day of `now`,
// and the open obligations (reminders, task-file tasks, tracker tickets) whatever their date.
std::vector<KingdomItem> itemsAhead(const std::vector<KingdomItem>& items, Date now);

// "09/12 14:30" (or "09/12" all day): when an item falls; empty without a date.
std::string itemDate(const KingdomItem& item);

// "Le grand ménage — 1/3 · Vider le grenier": a campaign, its chapters done and the one under way.
std::string campaignLine(const Campaigns::Campaign& campaign);

// "+40 XP, +12 or".
std::string rewardText(int64_t xp, int64_t gold);

// The day's verdict as the kingdom shows it. The calendar's own verdict speaks of its busy hours
// only; a day the kingdom judges heavier (many events, overdue work) must not read as restful
// above that judgement, so the heavier of the two speaks.
std::string dayVerdict(const DayLoad& calendar, const Capacity::Assessment& kingdom);

// What the objective asks of the user, e.g. "Répondre à 2 invitations".
std::string objectiveLabel(const WorldQuests::Objective& objective);

// "invitation", "rappel du jour"… for a journey candidate.
std::string candidateKindLabel(Journey::CandidateKind kind);

// "L'Hydre des retards — 5/8 PV" : the week's boss and the hit points it has left.
std::string weeklyBossLine(const WeeklyBoss::Boss& boss);

// "+40 XP, +12 or — Répondre à 2 invitations"; the chest reads "Coffre du jour"; a payment of
// nothing (a cosmetic unlocked) is only what it says.
std::string paymentLine(const KingdomCoordinator::Payment& payment,
                        const std::optional<WorldQuests::DailyBoard>& board);

}  // namespace talewick::ui
