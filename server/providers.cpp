#include "server/providers.hpp"

namespace talewick::server {

const std::vector<Provider>& allProviders() {
  static const std::vector<Provider> providers = {
      {"asana", "Asana", StatusShape::connectionAndConfig, " ", {}},
      // Without offline access and a fresh consent Google gives no refresh token.
      {"google-calendar",
       "Google Calendar",
       StatusShape::googleCalendar,
       " ",
       {{"access_type", "offline"}, {"prompt", "consent"}}},
      {"linear", "Linear", StatusShape::workspaceList, ",", {}},
      {"microsoft", "Microsoft", StatusShape::connectionAndConfig, " ", {}},
      {"notion", "Notion", StatusShape::notion, " ", {{"owner", "user"}}},
      {"todoist", "Todoist", StatusShape::connectionAndConfig, ",", {}},
  };
  return providers;
}

const Provider* findProvider(std::string_view segment) {
  for (const Provider& provider : allProviders()) {
    if (provider.segment == segment) return &provider;
  }
  return nullptr;
}

}  // namespace talewick::server
