#include "server/provider_item_routes.hpp"

#include "server/microsoft_adapter.hpp"
#include "server/pipeline_rules.hpp"
#include "server/provider_status.hpp"
#include "server/request_parts.hpp"
#include "server/responses.hpp"
#include "server/time_text.hpp"
#include "server/todoist_adapter.hpp"

namespace talewick::server {

namespace {

using PipelineCall = PipelineRoutes::Call;

nlohmann::json todoistCache(const Config& config, ProviderSession& session) {
  const TodoistSnapshot snapshot = todoistSnapshot(session);
  const nlohmann::json status = statusRecord(config, session.provider(), {session.connection()});
  return {{"connection", status["connection"]}, {"tasks", snapshot.tasks},
          {"projects", snapshot.projects},      {"sections", snapshot.sections},
          {"labels", snapshot.labels},          {"syncedAt", isoSeconds(session.now())}};
}

void notConnected(const PipelineCall& call, const Provider& provider) {
  sendError(call.response, 409, std::string(provider.name) + " n'est pas connecté.");
}

}  // namespace

void ProviderItemRoutes::mount(httplib::Server& server,
                               const PipelineRoutes::Guard& authenticated) const {
  server.Get("/api/todoist/tasks", authenticated([this](const PipelineCall& call) {
               todoistTasks(call, isTrueParameter(call.request.get_param_value("force")));
             }));
  server.Post("/api/todoist/sync",
              authenticated([this](const PipelineCall& call) { todoistTasks(call, true); }));
  server.Post(R"(/api/todoist/tasks/(.+)/close)",
              authenticated([this](const PipelineCall& call) { todoistClose(call); }));
  server.Patch(R"(/api/microsoft/calendar/events/(.+))",
               authenticated([this](const PipelineCall& call) { moveMicrosoftEvent(call); }));
}

void ProviderItemRoutes::todoistTasks(const PipelineCall& call, bool force) const {
  if (!force) {
    if (std::optional<nlohmann::json> kept = pipeline_.kept(call.userId, "todoist")) {
      return sendJson(call.response, 200, *kept);
    }
  }
  const Provider& todoist = *findProvider("todoist");
  nlohmann::json cache;
  try {
    if (!pipeline_.withSession(call.userId, todoist, false, [&](ProviderSession& session) {
          cache = todoistCache(config_, session);
        })) {
      return notConnected(call, todoist);
    }
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  pipeline_.keep(call.userId, "todoist", cache);
  sendJson(call.response, 200, cache);
}

void ProviderItemRoutes::todoistClose(const PipelineCall& call) const {
  const std::string taskId = call.request.matches[1].str();
  const Provider& todoist = *findProvider("todoist");
  // The task as last listed gives its reward; a task never listed gets the least one.
  std::optional<PipelineItem> listed;
  if (std::optional<nlohmann::json> kept = pipeline_.kept(call.userId, "todoist")) {
    for (const nlohmann::json& task : (*kept)["tasks"]) {
      if (task.is_object() && task.value("id", "") == taskId) listed = todoistItem(task, {});
    }
  }
  nlohmann::json result;
  try {
    const bool connected =
        pipeline_.withSession(call.userId, todoist, true, [&](ProviderSession& session) {
          PipelineItem item;
          item.segment = item.provider = "todoist";
          item.kind = "task";
          item.providerItemId = taskId;
          TodoistAdapter().complete(session, item);
          nlohmann::json cache = todoistCache(config_, session);
          const PipelineRpg rpg = rpgOf(listed.value_or(item), session.now());
          result = {{"taskId", taskId},
                    {"reward", {{"xp", rpg.xp}, {"gold", rpg.gold}}},
                    {"cache", std::move(cache)}};
        });
    if (!connected) return notConnected(call, todoist);
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  pipeline_.keep(call.userId, "todoist", result["cache"]);
  sendJson(call.response, 200, result);
}

void ProviderItemRoutes::moveMicrosoftEvent(const PipelineCall& call) const {
  const std::optional<nlohmann::json> body = jsonBody(call.request);
  std::optional<ParsedInstant> startsAt, endsAt;
  if (body && body->is_object()) {
    if (body->contains("startsAt") && (*body)["startsAt"].is_string()) {
      startsAt = parseIsoInstant((*body)["startsAt"].get<std::string>());
    }
    if (body->contains("endsAt") && (*body)["endsAt"].is_string()) {
      endsAt = parseIsoInstant((*body)["endsAt"].get<std::string>());
    }
  }
  if (!startsAt || !endsAt || endsAt->unixSeconds < startsAt->unixSeconds) {
    return sendError(call.response, 400,
                     "Il faut « startsAt » et « endsAt » en ISO 8601, la fin après le début.");
  }
  const std::string eventId = call.request.matches[1].str();
  const Provider& microsoft = *findProvider("microsoft");
  nlohmann::ordered_json moved;
  try {
    const bool connected =
        pipeline_.withSession(call.userId, microsoft, true, [&](ProviderSession& session) {
          const nlohmann::json event = server::moveMicrosoftEvent(
              session, eventId, startsAt->unixSeconds, endsAt->unixSeconds);
          std::optional<PipelineItem> item = microsoftEventItem(event, "default");
          if (!item) throw ProviderFailure("Microsoft a répondu un événement illisible.");
          item->connectionId = session.connection().id;
          moved = itemRecord(*item, session.now());
        });
    if (!connected) return notConnected(call, microsoft);
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  sendRecord(call.response, 200, moved);
}

}  // namespace talewick::server
