// Routes of one provider's own items, beside the pipeline and sharing its kept answers and its
// one-at-a-time rule per user:
// - GET "/api/todoist/tasks" (query "force"), POST "/api/todoist/sync": the account's lists as
//   Todoist sends them, {"connection", "tasks", "projects", "sections", "labels", "syncedAt"},
//   kept IntegrationPipeline::CACHE_SECONDS unless forced or synced.
// - POST "/api/todoist/tasks/<id>/close": {"taskId", "reward": {"xp", "gold"}, "cache"}, the
//   reward being the pipeline's for that task.
// - PATCH "/api/microsoft/calendar/events/<id>" {"startsAt", "endsAt"} (ISO 8601): the event
//   moved, as a pipeline item.
// 409 when the provider is not connected, 400 for a body that does not say when, 502 with the
// provider's reason.
#pragma once

#include "server/config.hpp"
#include "server/integration_pipeline.hpp"
#include "server/pipeline_routes.hpp"

namespace talewick::server {

class ProviderItemRoutes {
 public:
  ProviderItemRoutes(const Config& config, IntegrationPipeline& pipeline)
      : config_(config), pipeline_(pipeline) {}

  // Installs the routes; mount before any catch-all route under "/api/".
  void mount(httplib::Server& server, const PipelineRoutes::Guard& authenticated) const;

 private:
  void todoistTasks(const PipelineRoutes::Call& call, bool force) const;
  void todoistClose(const PipelineRoutes::Call& call) const;
  void moveMicrosoftEvent(const PipelineRoutes::Call& call) const;

  const Config& config_;
  IntegrationPipeline& pipeline_;
};

}  // namespace talewick::server
