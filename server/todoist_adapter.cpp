#include "server/todoist_adapter.hpp"

#include <set>

#include "server/provider_json.hpp"
#include "server/time_text.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::server {

namespace {

// Every entry of a cursor-paged list: {"results": [...], "next_cursor": text or null}.
nlohmann::json allPages(ProviderSession& session, const std::string& path) {
  nlohmann::json entries = nlohmann::json::array();
  std::set<std::string> seen;
  std::optional<std::string> cursor;
  do {
    ProviderRequest request{"GET", path, {{"limit", "200"}}, std::nullopt, {}};
    if (cursor) request.query.emplace_back("cursor", *cursor);
    const nlohmann::json page = session.call(request);
    if (!page.is_object() || !page.contains("results") || !page["results"].is_array()) {
      throw ProviderFailure("Todoist a répondu une liste illisible.");
    }
    for (const nlohmann::json& entry : page["results"]) entries.push_back(entry);
    cursor = pjson::text(page, "next_cursor");
    // A cursor handed out twice would page forever.
    if (cursor && !seen.insert(*cursor).second) break;
  } while (cursor);
  return entries;
}

std::optional<std::string> nameOf(const nlohmann::json& entries,
                                  const std::optional<std::string>& id) {
  if (!id) return std::nullopt;
  for (const nlohmann::json& entry : entries) {
    if (pjson::string(entry, "id") == id) return pjson::text(entry, "name");
  }
  return std::nullopt;
}

std::string taskPath(const PipelineItem& item) {
  return "/api/v1/tasks/" + percentEncoded(item.providerItemId);
}

}  // namespace

TodoistSnapshot todoistSnapshot(ProviderSession& session) {
  TodoistSnapshot snapshot;
  snapshot.projects = allPages(session, "/api/v1/projects");
  snapshot.sections = allPages(session, "/api/v1/sections");
  snapshot.labels = allPages(session, "/api/v1/labels");
  snapshot.tasks = allPages(session, "/api/v1/tasks");
  return snapshot;
}

std::optional<PipelineItem> todoistItem(const nlohmann::json& task, const TodoistSnapshot& names) {
  const std::optional<std::string> id = pjson::text(task, "id");
  const std::optional<std::string> content = pjson::string(task, "content");
  if (!id || !content || pjson::flag(task, "checked") || pjson::flag(task, "is_deleted")) {
    return std::nullopt;
  }
  PipelineItem item;
  item.segment = item.provider = "todoist";
  item.providerItemId = *id;
  item.kind = "task";
  item.title = *content;
  item.notes = pjson::text(task, "description");
  item.url = pjson::text(task, "url").value_or("https://app.todoist.com/app/task/" + *id);
  // Todoist counts 1 (normal) to 4 (urgent); normal carries no priority of its own.
  const std::int64_t priority = pjson::integer(task, "priority").value_or(1);
  item.priority = priority >= 2 && priority <= 4 ? priority : 0;
  if (const nlohmann::json* due = pjson::at(task, "due"); due && due->is_object()) {
    std::optional<std::string> when = pjson::text(*due, "datetime");
    if (!when) when = pjson::text(*due, "date");
    if (const auto parsed = when ? parseIsoInstant(*when) : std::nullopt) {
      item.dueAt = parsed->unixSeconds;
      item.dueIsDay = parsed->dateOnly;
    }
  }
  if (const nlohmann::json* duration = pjson::at(task, "duration");
      duration && duration->is_object()) {
    const std::optional<std::int64_t> amount = pjson::integer(*duration, "amount");
    const std::optional<std::string> unit = pjson::string(*duration, "unit");
    if (amount && *amount > 0 && unit == "minute") item.durationMin = *amount;
    if (amount && *amount > 0 && unit == "day") item.durationMin = *amount * 24 * 60;
  }
  item.projectName = nameOf(names.projects, pjson::string(task, "project_id"));
  item.sectionName = nameOf(names.sections, pjson::string(task, "section_id"));
  item.labels = pjson::strings(task, "labels");
  item.updatedAt = pjson::instant(task, "updated_at");
  item.sourceLabel = "Todoist";
  return item;
}

std::vector<PipelineItem> TodoistAdapter::openItems(ProviderSession& session,
                                                    const PipelineFetch&) const {
  const TodoistSnapshot snapshot = todoistSnapshot(session);
  std::vector<PipelineItem> items;
  for (const nlohmann::json& task : snapshot.tasks) {
    if (std::optional<PipelineItem> item = todoistItem(task, snapshot)) {
      items.push_back(std::move(*item));
    }
  }
  return items;
}

void TodoistAdapter::complete(ProviderSession& session, const PipelineItem& item) const {
  session.call({"POST", taskPath(item) + "/close", {}, std::nullopt, {}});
}

void TodoistAdapter::remove(ProviderSession& session, const PipelineItem& item) const {
  session.call({"DELETE", taskPath(item), {}, std::nullopt, {}});
}

}  // namespace talewick::server
