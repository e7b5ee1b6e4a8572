// The game's reading of a pipeline item: its realm, sprite, threat and rewards, where the desktop
// program may show it, and the actions it may run on it. Pure: `now` is an argument.
//
// - A task's threat and rewards are questkit's TaskThreat (pipeline/task_threat.hpp). A due day
//   without a time falls due at that day's end (UTC).
// - Tasks due within 48 hours or overdue go to the realm "deadlines" (placements "sideQuests",
//   "kingdom.deadlines"), other tasks to "tickets" ("sideQuests", "kingdom.tickets").
// - Calendar events: realm "calendar", placement "calendar.grid", threat by length (up to 30
//   minutes "low", up to 90 "medium", longer "high"), and no action: the program answers them in
//   the calendar itself.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "pipeline/task_threat.hpp"
#include "server/pipeline_item.hpp"

namespace talewick::server {

inline constexpr std::int64_t DUE_SOON_SECONDS = TaskThreat::DUE_SOON_SECONDS;

struct PipelineRpg {
  std::string realm, sprite, threat;
  std::int64_t xp = 0, gold = 0;
  bool operator==(const PipelineRpg&) const = default;
};

// The instant the item falls due at: the end of a due day, the due time otherwise.
std::optional<std::int64_t> effectiveDue(const PipelineItem& item);
bool isOverdue(const PipelineItem& item, std::int64_t now);
// Due within 48 hours and not overdue.
bool isDueSoon(const PipelineItem& item, std::int64_t now);

PipelineRpg rpgOf(const PipelineItem& item, std::int64_t now);
std::vector<std::string> placementsOf(const PipelineItem& item, std::int64_t now);

// "api/integrations/items/<id, percent-encoded>": relative to the server's root.
std::string itemHref(const std::string& itemId);

// The item as the wire's record, its keys in field order, absent optionals left out.
nlohmann::ordered_json itemRecord(const PipelineItem& item, std::int64_t now);

}  // namespace talewick::server
