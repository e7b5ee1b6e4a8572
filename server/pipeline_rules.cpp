#include "server/pipeline_rules.hpp"

#include <algorithm>

#include "pipeline/task_threat.hpp"
#include "server/provider_json.hpp"
#include "server/time_text.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::server {

namespace {

using nlohmann::ordered_json;

int threatLevel(const PipelineItem& item, std::int64_t now) {
  if (item.isCalendar()) {
    // A day off or a trip is no fight, however long.
    if (item.allDay || !item.startsAt || !item.endsAt) return 0;
    const std::int64_t minutes = (*item.endsAt - *item.startsAt) / 60;
    return minutes <= 30 ? 0 : minutes <= 90 ? 1 : 2;
  }
  return TaskThreat::level(item.priority, effectiveDue(item), now);
}

bool urgent(const PipelineItem& item, std::int64_t now) {
  return isOverdue(item, now) || isDueSoon(item, now);
}

void putOptional(ordered_json& record, const char* key, const std::optional<std::string>& value) {
  if (value) record[key] = *value;
}
void putInstant(ordered_json& record, const char* key, const std::optional<std::int64_t>& value) {
  if (value) record[key] = isoSeconds(*value);
}

ordered_json action(const std::string& kind, const std::string& method, const std::string& href,
                    const std::string& label) {
  return {{"kind", kind}, {"method", method}, {"href", href}, {"label", label}};
}

}  // namespace

std::optional<std::int64_t> effectiveDue(const PipelineItem& item) {
  if (!item.dueAt) return std::nullopt;
  return item.dueIsDay ? *item.dueAt + 24 * 3600 - 1 : *item.dueAt;
}

bool isOverdue(const PipelineItem& item, std::int64_t now) {
  const std::optional<std::int64_t> due = effectiveDue(item);
  return !item.isCalendar() && due && *due < now;
}

bool isDueSoon(const PipelineItem& item, std::int64_t now) {
  const std::optional<std::int64_t> due = effectiveDue(item);
  return !item.isCalendar() && due && *due >= now && *due - now <= DUE_SOON_SECONDS;
}

PipelineRpg rpgOf(const PipelineItem& item, std::int64_t now) {
  const int level = threatLevel(item, now);
  PipelineRpg rpg;
  if (item.isCalendar()) {
    rpg.realm = "calendar";
    rpg.sprite = "banner";
  } else if (urgent(item, now)) {
    rpg.realm = "deadlines";
    rpg.sprite = "hourglass";
  } else {
    rpg.realm = "tickets";
    rpg.sprite = "scroll";
  }
  rpg.threat = TaskThreat::name(level);
  rpg.xp = TaskThreat::xp(level);
  rpg.gold = TaskThreat::gold(level);
  return rpg;
}

std::vector<std::string> placementsOf(const PipelineItem& item, std::int64_t now) {
  if (item.isCalendar()) return {"calendar.grid"};
  return {"sideQuests", urgent(item, now) ? "kingdom.deadlines" : "kingdom.tickets"};
}

std::string itemHref(const std::string& itemId) {
  return "api/integrations/items/" + percentEncoded(itemId);
}

nlohmann::ordered_json itemRecord(const PipelineItem& item, std::int64_t now) {
  const bool task = !item.isCalendar();
  ordered_json record;
  record["id"] = item.id();
  record["provider"] = item.provider;
  record["providerItemId"] = item.providerItemId;
  record["kind"] = item.kind;
  record["title"] = item.title;
  putOptional(record, "notes", item.notes);
  putOptional(record, "url", item.url);
  record["status"] = item.status;
  record["priority"] = item.priority;
  // A day without a time stays a day: the user's program reads it in the user's own time zone.
  if (item.dueAt && item.dueIsDay) {
    record["dueAt"] = isoSeconds(*item.dueAt).substr(0, 10);
  } else {
    putInstant(record, "dueAt", item.dueAt);
  }
  if (item.startsAt && item.allDay) {
    record["startsAt"] = isoSeconds(*item.startsAt).substr(0, 10);
    // The day after the last one, as calendars count whole days; a single day needs none.
    if (item.endsAt && *item.endsAt - *item.startsAt > 24 * 3600) {
      record["endsAt"] = isoSeconds(*item.endsAt).substr(0, 10);
    }
  } else {
    putInstant(record, "startsAt", item.startsAt);
    putInstant(record, "endsAt", item.endsAt);
    if (item.durationMin) record["durationMin"] = *item.durationMin;
  }
  putOptional(record, "projectName", item.projectName);
  putOptional(record, "sectionName", item.sectionName);
  putOptional(record, "teamName", item.teamName);
  putOptional(record, "assigneeName", item.assigneeName);
  record["labels"] = item.labels;
  putInstant(record, "updatedAt", item.updatedAt);
  record["sourceLabel"] = item.sourceLabel;
  // How much the game can run on its own: a task it can close, with a date, with a length.
  record["automationScore"] =
      task ? 40 + (item.dueAt ? 30 : 0) + (item.durationMin ? 30 : 0) : (item.startsAt ? 20 : 0);
  record["placements"] = placementsOf(item, now);
  record["platformSupport"] = {{"macOS",
                                {{"nativePipeline", true},
                                 {"sideQuestList", task},
                                 {"canCompleteInTalewick", task},
                                 {"canTimeBlockToCalendar", task}}},
                               {"iOS",
                                {{"nativePipeline", false},
                                 {"sideQuestList", false},
                                 {"canCompleteInTalewick", false},
                                 {"visibleViaCalendarTimeBlock", task}}}};
  const PipelineRpg rpg = rpgOf(item, now);
  record["rpg"] = {{"realm", rpg.realm},
                   {"sprite", rpg.sprite},
                   {"threat", rpg.threat},
                   {"xp", rpg.xp},
                   {"gold", rpg.gold}};
  ordered_json actions = ordered_json::array();
  if (task) {
    const std::string href = itemHref(item.id());
    actions.push_back(action("complete", "POST", href + "/complete", "Terminer"));
    actions.push_back(action("delete", "DELETE", href, "Supprimer"));
  }
  record["actions"] = actions;
  if (item.calendarEvent) {
    const PipelineCalendarEvent& event = *item.calendarEvent;
    ordered_json reference = {{"calendarId", event.calendarId}, {"eventId", event.eventId}};
    putOptional(reference, "iCalUID", event.iCalUID);
    putOptional(reference, "myResponseStatus", event.myResponseStatus);
    putOptional(reference, "recurringEventId", event.recurringEventId);
    putOptional(reference, "originalStartTime", event.originalStartTime);
    record["calendarEvent"] = reference;
  }
  return record;
}

}  // namespace talewick::server
