// What the server tells a user about one provider: whether the person who runs the server has
// configured it, and which accounts the user connected.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "server/config.hpp"
#include "server/providers.hpp"
#include "server/storage.hpp"

namespace talewick::server {

// The configuration keys the provider's OAuth still needs, as dotted paths
// ("providers.asana.clientID"), in the order of the file; empty when it is configured.
std::vector<std::string> missingSettings(const Config& config, const Provider& provider);

// The provider's status record for a user with `connections` (latest first): the latest
// connection and the configuration's state, or, for a provider of workspaces, every connection
// as a workspace.
nlohmann::json statusRecord(const Config& config, const Provider& provider,
                            const std::vector<ProviderConnection>& connections);

}  // namespace talewick::server
