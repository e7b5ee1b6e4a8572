// The pure rules `talewick rules NAME` reaches, one table per part of the game.
#pragma once

#include <span>
#include <string_view>

#include "support/json.hpp"

namespace talewick::ui {

struct Rule {
  std::string_view name;  // "Namespace.operation"
  Json (*apply)(const Json& arguments);
};

// The kingdom's rules (rules.cpp).
std::span<const Rule> kingdomRules();
// Replay, loot, equipment, economy, deeds (rules_game.cpp).
std::span<const Rule> gameRules();
// Campaigns and the weekly boss (rules_arc.cpp).
std::span<const Rule> arcRules();
// Expeditions, their focus window and their reward receipts (rules_expedition.cpp).
std::span<const Rule> expeditionRules();
// Task files, the day's columns, conflicts and open slots (rules_tasks.cpp).
std::span<const Rule> taskRules();
// Buildings and cosmetics, inhabitants and reputation, quest offers (rules_people.cpp).
std::span<const Rule> peopleRules();
// The iCalendar request, tokens, answer records and texts of invitations (rules_invites.cpp).
std::span<const Rule> inviteRules();
// The guild, the world boss, its vigil and the connected services' pure pieces
// (rules_together.cpp).
std::span<const Rule> togetherRules();
// The integration pipeline's items, actions and failures (rules_pipeline.cpp).
std::span<const Rule> pipelineRules();
// Linear's done rule, answers, pages and refusals (rules_linear.cpp).
std::span<const Rule> linearRules();

}  // namespace talewick::ui
