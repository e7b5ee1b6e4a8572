// The services whose accounts the server connects on a user's behalf, each reached under
// "/api/<segment>/…".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/config.hpp"

namespace talewick::server {

// What GET "/api/<segment>/connections" answers for the provider.
enum class StatusShape {
  connectionAndConfig,  // {"connection", "config": {"configured", "missing"}}
  googleCalendar,       // the same, the config adding the granted "scopes"
  notion,               // the same, the config adding the "apiVersion" the server speaks
  workspaceList,        // an array of workspaces, one per connection
};

struct Provider {
  std::string_view segment;  // in paths and in the configuration: "google-calendar"
  std::string_view name;     // in messages: "Google Calendar"
  StatusShape shape;
  // How the provider wants several scopes joined in the authorization request.
  std::string_view scopeSeparator;
  // Query parameters the provider needs beyond the standard ones (a refresh token, an owner).
  std::vector<std::pair<std::string_view, std::string_view>> extraAuthorizationParameters;
  // The root of its public REST API, which the server's calls on the user's behalf go under
  // (Linear's: its one GraphQL endpoint).
  std::string_view defaultApiBaseURL;
};

// The six providers, in the order of their segments.
const std::vector<Provider>& allProviders();

// The provider of `segment`; nullptr for any other text.
const Provider* findProvider(std::string_view segment);

// Where the server calls the provider's API: the configured "apiBaseURL", else the public root.
std::string apiBaseURL(const ProviderSettings& settings, const Provider& provider);

// The version of Notion's interface the server speaks, announced in Notion's status record.
inline constexpr std::string_view NOTION_API_VERSION = "2025-09-03";

}  // namespace talewick::server
