#include "server/pipeline_routes.hpp"

#include <algorithm>
#include <cctype>

#include "server/providers.hpp"
#include "server/responses.hpp"

namespace talewick::server {

bool isTrueParameter(const std::string& value) {
  std::string lower = value;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return lower == "1" || lower == "true";
}

void PipelineRoutes::mount(httplib::Server& server, const Guard& authenticated) const {
  server.Get("/api/integrations/pipeline",
             authenticated([this](const Call& call) { pipeline(call); }));
  server.Post(R"(/api/integrations/items/(.+)/complete)", authenticated([this](const Call& call) {
                act(call, IntegrationPipeline::Action::complete);
              }));
  server.Delete(R"(/api/integrations/items/(.+))", authenticated([this](const Call& call) {
                  act(call, IntegrationPipeline::Action::remove);
                }));
}

void PipelineRoutes::pipeline(const Call& call) const {
  IntegrationPipeline::Query query;
  query.force = isTrueParameter(call.request.get_param_value("force"));
  query.workspaceId = call.request.get_param_value("workspaceId");
  const std::string providers = call.request.get_param_value("providers");
  std::size_t start = 0;
  while (start <= providers.size() && !providers.empty()) {
    const std::size_t comma = std::min(providers.find(',', start), providers.size());
    const std::string segment = providers.substr(start, comma - start);
    if (!segment.empty()) {
      if (!findProvider(segment)) {
        return sendError(call.response, 400, "Fournisseur inconnu : « " + segment + " ».");
      }
      query.providers.push_back(segment);
    }
    start = comma + 1;
  }
  sendRecord(call.response, 200, pipeline_.answer(call.userId, query));
}

void PipelineRoutes::act(const Call& call, IntegrationPipeline::Action action) const {
  // The router hands the path over decoded: the id is as the answer listed it.
  const std::string itemId = call.request.matches[1].str();
  const IntegrationPipeline::Outcome outcome = pipeline_.act(call.userId, itemId, action);
  if (outcome.status != 200) return sendError(call.response, outcome.status, outcome.message);
  sendJson(call.response, 200,
           {{"id", itemId},
            {"status", action == IntegrationPipeline::Action::complete ? "completed" : "deleted"}});
}

}  // namespace talewick::server
