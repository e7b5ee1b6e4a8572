// Linear's own routes, beside the pipeline and sharing its one-at-a-time rule per user, each on
// the workspace "workspaceId" names (one of the caller's connections; the latest otherwise):
// - GET "/api/linear/issues" (query "force", "workspaceId"): the fetch result of
//   linear/linear_records.hpp, kept IntegrationPipeline::CACHE_SECONDS unless forced.
// - GET "/api/linear/teams": the team contexts.
// - GET "/api/linear/issues/<id>": the issue in full.
// - PATCH "/api/linear/issues/<id>" {"input": {"stateId"} or {"assigneeId"}, "workspaceId"}: the
//   issue updated, in full.
// - POST "/api/linear/issues/<id>/comments" {"body", "workspaceId"}: 204.
// - GET "/api/linear/image" (query "url", "workspaceId"): the bytes of an image uploaded to the
//   workspace, with its content type. Linear serves its uploads only to a bearer of the
//   workspace's token, which never leaves the server, so the program asks here. Only https URLs of
//   Linear's upload host (the provider's "uploadsBaseURL" setting, when given) are fetched, 400
//   otherwise; an answer that is not an image or passes MAX_IMAGE_BYTES is a 502.
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
  LinearRoutes(const Config& config, IntegrationPipeline& pipeline)
      : config_(config), pipeline_(pipeline) {}

  // Linear's images are screenshots and diagrams, far below this; anything longer is not one.
  static constexpr std::size_t MAX_IMAGE_BYTES = 10'000'000;

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
  void image(const PipelineRoutes::Call& call) const;

  const Config& config_;
  IntegrationPipeline& pipeline_;
};

}  // namespace talewick::server
