#include "server/microsoft_adapter.hpp"

#include <set>

#include "server/provider_json.hpp"
#include "server/time_text.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::server {

namespace {

// Graph writes times as given in the "Prefer" time zone, without an offset.
const std::pair<std::string, std::string> IN_UTC = {"Prefer", "outlook.timezone=\"UTC\""};

// Every entry of a Graph collection, following "@odata.nextLink" (an absolute URL on Graph).
std::vector<nlohmann::json> allPages(ProviderSession& session, ProviderRequest request) {
  std::vector<nlohmann::json> entries;
  std::set<std::string> seen;
  while (true) {
    const nlohmann::json page = session.call(request);
    const nlohmann::json* value = pjson::at(page, "value");
    if (!value || !value->is_array()) {
      throw ProviderFailure("Microsoft a répondu une liste illisible.");
    }
    for (const nlohmann::json& entry : *value) entries.push_back(entry);
    const std::optional<std::string> next = pjson::text(page, "@odata.nextLink");
    if (!next || !seen.insert(*next).second) break;
    request.path = *next;  // the link carries the query of the next page
    request.query.clear();
  }
  return entries;
}

// {"dateTime": "2026-12-08T09:00:00.0000000", "timeZone": "UTC"}.
std::optional<std::int64_t> graphTime(const nlohmann::json& holder, std::string_view key) {
  const nlohmann::json* value = pjson::at(holder, key);
  return value ? pjson::instant(*value, "dateTime") : std::nullopt;
}

// Graph's own answer to an invitation, in the words the desktop program reads.
std::optional<std::string> responseStatus(const nlohmann::json& event) {
  const nlohmann::json* status = pjson::at(event, "responseStatus");
  const std::optional<std::string> response =
      status ? pjson::string(*status, "response") : std::nullopt;
  if (!response) return std::nullopt;
  if (*response == "notResponded" || *response == "none") return "needsAction";
  if (*response == "tentativelyAccepted") return "tentative";
  if (*response == "accepted" || *response == "organizer") return "accepted";
  if (*response == "declined") return "declined";
  return std::nullopt;
}

std::optional<PipelineItem> todoItem(const nlohmann::json& task, const nlohmann::json& list) {
  const std::optional<std::string> id = pjson::text(task, "id");
  const std::optional<std::string> title = pjson::string(task, "title");
  if (!id || !title || pjson::string(task, "status") == "completed") return std::nullopt;
  PipelineItem item;
  item.segment = "microsoft";
  item.provider = "microsoft-todo";
  item.providerItemId = *id;
  item.kind = "task";
  item.title = *title;
  if (const nlohmann::json* body = pjson::at(task, "body")) {
    if (pjson::string(*body, "contentType") == "text") item.notes = pjson::text(*body, "content");
  }
  const std::optional<std::string> importance = pjson::string(task, "importance");
  item.priority = importance == "high" ? 3 : importance == "low" ? 1 : 0;
  // To Do keeps a due day: its midnight in the time zone the user set it in.
  if ((item.dueAt = graphTime(task, "dueDateTime"))) item.dueIsDay = true;
  item.projectName = pjson::text(list, "displayName");
  item.labels = pjson::strings(task, "categories");
  item.updatedAt = pjson::instant(task, "lastModifiedDateTime");
  item.sourceLabel = "Microsoft To Do";
  item.handle = {{"listId", pjson::string(list, "id").value_or("")}};
  return item;
}

std::string todoTaskPath(const PipelineItem& item) {
  return "/v1.0/me/todo/lists/" + percentEncoded(item.handle.value("listId", "")) + "/tasks/" +
         percentEncoded(item.providerItemId);
}

void refuseEvents(const PipelineItem& item) {
  if (item.isCalendar()) {
    throw ProviderFailure("Un événement Outlook se gère dans le calendrier, pas ici.");
  }
}

}  // namespace

std::optional<PipelineItem> microsoftEventItem(const nlohmann::json& event,
                                               const std::string& calendarId) {
  const std::optional<std::string> id = pjson::text(event, "id");
  const std::optional<std::int64_t> start = graphTime(event, "start");
  const std::optional<std::int64_t> end = graphTime(event, "end");
  if (!id || !start || !end || *end < *start || pjson::flag(event, "isCancelled")) {
    return std::nullopt;
  }
  PipelineItem item;
  item.segment = "microsoft";
  item.provider = "microsoft-calendar";
  item.providerItemId = *id;
  item.kind = "calendar";
  item.title = pjson::text(event, "subject").value_or("(Sans titre)");
  item.notes = pjson::text(event, "bodyPreview");
  item.url = pjson::text(event, "webLink");
  item.status = "scheduled";
  item.startsAt = start;
  item.endsAt = end;
  item.durationMin = (*end - *start) / 60;
  item.labels = pjson::strings(event, "categories");
  item.updatedAt = pjson::instant(event, "lastModifiedDateTime");
  item.sourceLabel = "Outlook";
  PipelineCalendarEvent reference{calendarId,
                                  *id,
                                  pjson::text(event, "iCalUId"),
                                  responseStatus(event),
                                  pjson::text(event, "seriesMasterId"),
                                  pjson::text(event, "originalStart")};
  item.calendarEvent = std::move(reference);
  return item;
}

std::vector<PipelineItem> MicrosoftAdapter::openItems(ProviderSession& session,
                                                      const PipelineFetch&) const {
  std::vector<PipelineItem> items;
  const nlohmann::json calendar =
      session.call({"GET", "/v1.0/me/calendar", {{"$select", "id,name"}}, std::nullopt, {}});
  const std::string calendarId = pjson::string(calendar, "id").value_or("default");
  const std::int64_t now = session.now();
  const std::vector<nlohmann::json> events = allPages(
      session, {"GET",
                "/v1.0/me/calendarView",
                {{"startDateTime", isoSeconds(now)},
                 {"endDateTime", isoSeconds(now + MICROSOFT_CALENDAR_DAYS * 86400)},
                 {"$top", "100"},
                 {"$select",
                  "id,subject,bodyPreview,start,end,isAllDay,isCancelled,webLink,iCalUId,"
                  "responseStatus,seriesMasterId,originalStart,categories,lastModifiedDateTime"}},
                std::nullopt,
                {IN_UTC}});
  for (const nlohmann::json& event : events) {
    if (std::optional<PipelineItem> item = microsoftEventItem(event, calendarId)) {
      items.push_back(std::move(*item));
    }
  }
  const std::vector<nlohmann::json> lists =
      allPages(session, {"GET", "/v1.0/me/todo/lists", {}, std::nullopt, {}});
  for (const nlohmann::json& list : lists) {
    const std::optional<std::string> listId = pjson::text(list, "id");
    if (!listId) continue;
    const std::vector<nlohmann::json> tasks =
        allPages(session, {"GET",
                           "/v1.0/me/todo/lists/" + percentEncoded(*listId) + "/tasks",
                           {{"$filter", "status ne 'completed'"}, {"$top", "100"}},
                           std::nullopt,
                           {IN_UTC}});
    for (const nlohmann::json& task : tasks) {
      if (std::optional<PipelineItem> item = todoItem(task, list))
        items.push_back(std::move(*item));
    }
  }
  return items;
}

void MicrosoftAdapter::complete(ProviderSession& session, const PipelineItem& item) const {
  refuseEvents(item);
  session.call({"PATCH", todoTaskPath(item), {}, nlohmann::json{{"status", "completed"}}, {}});
}

void MicrosoftAdapter::remove(ProviderSession& session, const PipelineItem& item) const {
  refuseEvents(item);
  session.call({"DELETE", todoTaskPath(item), {}, std::nullopt, {}});
}

nlohmann::json moveMicrosoftEvent(ProviderSession& session, const std::string& eventId,
                                  std::int64_t startsAt, std::int64_t endsAt) {
  const auto at = [](std::int64_t instant) {
    std::string text = isoSeconds(instant);
    text.pop_back();  // Graph wants the time without "Z", the zone named beside it
    return nlohmann::json{{"dateTime", text}, {"timeZone", "UTC"}};
  };
  return session.call({"PATCH",
                       "/v1.0/me/events/" + percentEncoded(eventId),
                       {},
                       nlohmann::json{{"start", at(startsAt)}, {"end", at(endsAt)}},
                       {IN_UTC}});
}

}  // namespace talewick::server
