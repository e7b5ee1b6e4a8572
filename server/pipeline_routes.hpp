// The integration pipeline's routes, under a user's key:
// - GET "/api/integrations/pipeline", query "force" ("1" or "true"), "providers" (segments, comma
//   separated; an unknown one is refused 400) and "workspaceId": the pipeline's answer.
// - POST "/api/integrations/items/<id>/complete" and DELETE "/api/integrations/items/<id>": the
//   actions the answer's items carry. 200 {"id", "status": "completed" or "deleted"}; 404 {"error":
//   "Élément inconnu."} for an id never listed to the caller; 502 with the provider's reason.
#pragma once

#include <httplib.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "server/integration_pipeline.hpp"

namespace talewick::server {

class PipelineRoutes {
 public:
  struct Call {
    const httplib::Request& request;
    httplib::Response& response;
    const std::string& userId;
  };
  using Handler = std::function<void(const Call&)>;
  // Wraps a handler into a route that first checks the key (401).
  using Guard = std::function<httplib::Server::Handler(Handler)>;

  explicit PipelineRoutes(IntegrationPipeline& pipeline) : pipeline_(pipeline) {}

  // Installs the routes; mount before any catch-all route under "/api/".
  void mount(httplib::Server& server, const Guard& authenticated) const;

 private:
  void pipeline(const Call& call) const;
  void act(const Call& call, IntegrationPipeline::Action action) const;

  IntegrationPipeline& pipeline_;
};

// "1" or "true" (any case).
bool isTrueParameter(const std::string& value);

}  // namespace talewick::server
