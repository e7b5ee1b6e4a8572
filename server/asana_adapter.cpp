#include "server/asana_adapter.hpp"

#include <set>

#include "server/provider_json.hpp"
#include "server/time_text.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::server {

namespace {

constexpr const char* TASK_FIELDS =
    "name,notes,completed,due_on,due_at,start_on,permalink_url,modified_at,assignee.name,"
    "memberships.project.name,memberships.section.name,projects.name,tags.name";

struct Workspace {
  std::string gid, name;
};

std::vector<Workspace> workspacesOf(ProviderSession& session) {
  const nlohmann::json me = session.call(
      {"GET", "/api/1.0/users/me", {{"opt_fields", "name,workspaces.name"}}, std::nullopt, {}});
  const nlohmann::json* data = pjson::at(me, "data");
  if (!data || !data->is_object()) throw ProviderFailure("Asana a répondu un profil illisible.");
  std::vector<Workspace> workspaces;
  for (const nlohmann::json& workspace : pjson::array(*data, "workspaces")) {
    const std::optional<std::string> gid = pjson::text(workspace, "gid");
    if (gid) workspaces.push_back({*gid, pjson::string(workspace, "name").value_or("")});
  }
  return workspaces;
}

std::optional<std::string> firstName(const nlohmann::json& entries, std::string_view outer) {
  for (const nlohmann::json& entry : entries) {
    const nlohmann::json* inner = pjson::at(entry, outer);
    if (inner) {
      if (std::optional<std::string> name = pjson::text(*inner, "name")) return name;
    }
  }
  return std::nullopt;
}

std::optional<PipelineItem> asanaItem(const nlohmann::json& task, const Workspace& workspace) {
  const std::optional<std::string> gid = pjson::text(task, "gid");
  const std::optional<std::string> name = pjson::string(task, "name");
  if (!gid || !name || pjson::flag(task, "completed")) return std::nullopt;
  PipelineItem item;
  item.segment = item.provider = "asana";
  item.providerItemId = *gid;
  item.kind = "task";
  item.title = *name;
  item.notes = pjson::text(task, "notes");
  item.url = pjson::text(task, "permalink_url");
  if (const std::optional<std::int64_t> dueAt = pjson::instant(task, "due_at")) {
    item.dueAt = dueAt;
  } else if (const std::optional<std::int64_t> dueOn = pjson::instant(task, "due_on")) {
    item.dueAt = dueOn;
    item.dueIsDay = true;
  }
  const nlohmann::json& memberships = pjson::array(task, "memberships");
  item.projectName = firstName(memberships, "project");
  if (!item.projectName) {
    for (const nlohmann::json& project : pjson::array(task, "projects")) {
      if ((item.projectName = pjson::text(project, "name"))) break;
    }
  }
  item.sectionName = firstName(memberships, "section");
  if (!workspace.name.empty()) item.teamName = workspace.name;
  if (const nlohmann::json* assignee = pjson::at(task, "assignee")) {
    item.assigneeName = pjson::text(*assignee, "name");
  }
  for (const nlohmann::json& tag : pjson::array(task, "tags")) {
    if (std::optional<std::string> tagName = pjson::text(tag, "name"))
      item.labels.push_back(*tagName);
  }
  item.updatedAt = pjson::instant(task, "modified_at");
  item.sourceLabel = "Asana";
  item.handle = {{"workspace", workspace.gid}};
  return item;
}

std::string taskPath(const PipelineItem& item) {
  return "/api/1.0/tasks/" + percentEncoded(item.providerItemId);
}

}  // namespace

std::vector<PipelineItem> AsanaAdapter::openItems(ProviderSession& session,
                                                  const PipelineFetch& fetch) const {
  std::vector<Workspace> workspaces = workspacesOf(session);
  // The workspace the user picked, when it is one of the account's; all of them otherwise.
  for (const Workspace& workspace : workspaces) {
    if (workspace.gid == fetch.workspaceId) {
      workspaces = {workspace};
      break;
    }
  }
  std::vector<PipelineItem> items;
  for (const Workspace& workspace : workspaces) {
    std::optional<std::string> offset;
    std::set<std::string> seen;
    do {
      ProviderRequest request{"GET",
                              "/api/1.0/tasks",
                              {{"assignee", "me"},
                               {"workspace", workspace.gid},
                               {"completed_since", "now"},
                               {"limit", "100"},
                               {"opt_fields", TASK_FIELDS}},
                              std::nullopt,
                              {}};
      if (offset) request.query.emplace_back("offset", *offset);
      const nlohmann::json page = session.call(request);
      const nlohmann::json* data = pjson::at(page, "data");
      if (!data || !data->is_array()) throw ProviderFailure("Asana a répondu une liste illisible.");
      for (const nlohmann::json& task : *data) {
        if (std::optional<PipelineItem> item = asanaItem(task, workspace)) {
          items.push_back(std::move(*item));
        }
      }
      const nlohmann::json* next = pjson::at(page, "next_page");
      offset = next ? pjson::text(*next, "offset") : std::nullopt;
      if (offset && !seen.insert(*offset).second) break;
    } while (offset);
  }
  return items;
}

void AsanaAdapter::complete(ProviderSession& session, const PipelineItem& item) const {
  session.call({"PUT", taskPath(item), {}, nlohmann::json{{"data", {{"completed", true}}}}, {}});
}

void AsanaAdapter::remove(ProviderSession& session, const PipelineItem& item) const {
  session.call({"DELETE", taskPath(item), {}, std::nullopt, {}});
}

}  // namespace talewick::server
