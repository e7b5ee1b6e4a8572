// Linear's own routes, beside the pipeline and sharing its one-at-a-time rule per user, each on
// the workspace "workspaceId" names (one of the caller's connections; the latest otherwise):
// - GET "/api/linear/issues" (query "force", "workspaceId"): the fetch result of
//   linear/linear_records.hpp, kept IntegrationPipeline::CACHE_SECONDS unless forced.
// - GET "/api/linear/teams": the team contexts.
// - GET "/api/linear/issues/<id>": the issue in full.
// - PATCH "/api/linear/issues/<id>" {"input": {"stateId"} or {"assigneeId"}, "workspaceId"}: the
//   issue updated, in full.
// - POST "/api/linear/issues/<id>/comments" {"body", "workspaceId"}: 204.
// Every call reaches Linear with the caller's own token, so an issue of a workspace the caller
// never connected is unknown to it. 409 when Linear is not connected, 400 for a body that says
// nothing to do, 502 with Linear's reason.
#pragma once

#include "server/config.hpp"
#include "server/integration_pipeline.hpp"
#include "server/pipeline_routes.hpp"

namespace talewick::server {

class LinearRoutes {
 public:
  explicit LinearRoutes(IntegrationPipeline& pipeline) : pipeline_(pipeline) {}

  // Installs the routes; mount before any catch-all route under "/api/".
  void mount(httplib::Server& server, const PipelineRoutes::Guard& authenticated) const;

 private:
  using Work = std::function<nlohmann::ordered_json(ProviderSession&)>;
  // Runs `work` on the caller's workspace and answers its JSON (or `status` when null).
  void answer(const PipelineRoutes::Call& call, const std::string& workspaceId, bool changes,
              const Work& work, int status = 200) const;
  void issues(const PipelineRoutes::Call& call) const;
  void update(const PipelineRoutes::Call& call) const;
  void comment(const PipelineRoutes::Call& call) const;

  IntegrationPipeline& pipeline_;
};

}  // namespace talewick::server
