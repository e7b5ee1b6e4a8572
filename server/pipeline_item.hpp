// One open item of a connected provider (a task, an issue, a calendar event) as the integration
// pipeline lists it, before the game's rules add their part (pipeline_rules.hpp).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace talewick::server {

// Where a calendar item lives at its provider, so that the desktop program can answer it.
struct PipelineCalendarEvent {
  std::string calendarId, eventId;
  std::optional<std::string> iCalUID, myResponseStatus, recurringEventId, originalStartTime;
  bool operator==(const PipelineCalendarEvent&) const = default;
};

struct PipelineItem {
  std::string segment;   // the provider segment the item came through: "microsoft"
  std::string provider;  // the item's source as shown: "todoist", "microsoft-calendar"
  std::string providerItemId;
  std::string kind;  // "task", or "calendar" for events
  std::string title;
  std::optional<std::string> notes, url;
  std::string status = "open";  // "open"; events "scheduled"
  // 0 none, 1 low, 2 medium, 3 high, 4 urgent, whatever the provider's own scale.
  std::int64_t priority = 0;
  // Seconds since 1970. A due day without a time holds that day's midnight (UTC) with dueIsDay.
  std::optional<std::int64_t> dueAt, startsAt, endsAt;
  bool dueIsDay = false;
  // An event of whole days: `startsAt` holds its first day's midnight (UTC) and `endsAt` the
  // midnight after its last day, both sent as days alone (the end only when it lasts several
  // days), which the user's program reads as those days in its own time zone.
  bool allDay = false;
  std::optional<std::int64_t> durationMin;
  std::optional<std::string> projectName, sectionName, teamName, assigneeName;
  std::vector<std::string> labels;
  std::optional<std::int64_t> updatedAt;
  std::string sourceLabel;
  std::optional<PipelineCalendarEvent> calendarEvent;
  // The user's connection the item was listed through (an account, a workspace); never sent.
  std::string connectionId;
  // What the provider's adapter needs to act on the item later (a list, a property). Kept on the
  // server with the listed item; never sent.
  nlohmann::json handle = nlohmann::json::object();

  // The pipeline-wide identifier: segment, ":" and the provider's identifier.
  std::string id() const { return segment + ":" + providerItemId; }
  bool isCalendar() const { return kind == "calendar"; }
  bool operator==(const PipelineItem&) const = default;
};

}  // namespace talewick::server
