#include "server/provider_status.hpp"

#include "server/time_text.hpp"

namespace talewick::server {

namespace {

nlohmann::json connectionRecord(const ProviderConnection& connection) {
  nlohmann::json record = connection.profile;
  record["id"] = connection.id;
  if (connection.connectedAt) record["connectedAt"] = isoSeconds(*connection.connectedAt);
  return record;
}

}  // namespace

std::vector<std::string> missingSettings(const Config& config, const Provider& provider) {
  std::vector<std::string> missing;
  // The provider sends the browser back to an address under the public base URL.
  if (config.publicBaseURL.empty()) missing.push_back("publicBaseURL");
  const std::string prefix = "providers." + std::string(provider.segment) + ".";
  const ProviderSettings& settings = config.providerSettings(provider.segment);
  if (settings.authorizationURL.empty()) missing.push_back(prefix + "authorizationURL");
  if (settings.tokenURL.empty()) missing.push_back(prefix + "tokenURL");
  if (settings.clientID.empty()) missing.push_back(prefix + "clientID");
  if (settings.clientSecret.empty()) missing.push_back(prefix + "clientSecret");
  return missing;
}

nlohmann::json statusRecord(const Config& config, const Provider& provider,
                            const std::vector<ProviderConnection>& connections) {
  if (provider.shape == StatusShape::workspaceList) {
    nlohmann::json workspaces = nlohmann::json::array();
    for (const ProviderConnection& connection : connections) {
      workspaces.push_back(connectionRecord(connection));
    }
    return workspaces;
  }
  const std::vector<std::string> missing = missingSettings(config, provider);
  nlohmann::json settings = {{"configured", missing.empty()}, {"missing", missing}};
  if (provider.shape == StatusShape::googleCalendar) {
    settings["scopes"] = config.providerSettings(provider.segment).scopes;
  }
  if (provider.shape == StatusShape::notion) settings["apiVersion"] = NOTION_API_VERSION;
  return {{"connection",
           connections.empty() ? nlohmann::json(nullptr) : connectionRecord(connections.front())},
          {"config", settings}};
}

}  // namespace talewick::server
