#include "server/providers.hpp"

namespace talewick::server {

const std::vector<Provider>& allProviders() {
  static const std::vector<Provider> providers = {
      {"asana", "Asana", StatusShape::connectionAndConfig, " ", {}, "https://app.asana.com"},
      // Without offline access and a fresh consent Google gives no refresh token.
      {"google-calendar",
       "Google Calendar",
       StatusShape::googleCalendar,
       " ",
       {{"access_type", "offline"}, {"prompt", "consent"}},
       "https://www.googleapis.com"},
      {"linear", "Linear", StatusShape::workspaceList, ",", {}, "https://api.linear.app/graphql"},
      {"microsoft",
       "Microsoft",
       StatusShape::connectionAndConfig,
       " ",
       {},
       "https://graph.microsoft.com"},
      {"notion", "Notion", StatusShape::notion, " ", {{"owner", "user"}}, "https://api.notion.com"},
      {"todoist", "Todoist", StatusShape::connectionAndConfig, ",", {}, "https://api.todoist.com"},
  };
  return providers;
}

std::string apiBaseURL(const ProviderSettings& settings, const Provider& provider) {
  std::string url =
      settings.apiBaseURL.empty() ? std::string(provider.defaultApiBaseURL) : settings.apiBaseURL;
  while (url.ends_with('/')) url.pop_back();
  return url;
}

const Provider* findProvider(std::string_view segment) {
  for (const Provider& provider : allProviders()) {
    if (provider.segment == segment) return &provider;
  }
  return nullptr;
}

}  // namespace talewick::server
