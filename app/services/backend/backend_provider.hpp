// The providers reached through the backend, and the lines their stores show.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talewick::backend {

struct BackendProvider {
  std::string segment;  // the path segment of its calls: "api/" + segment + "/connections"
  std::string name;     // as people read it: "Google Calendar"
  // Linear's status is the list of its workspaces, not one connection with a configuration.
  bool workspaceList = false;

  // Preference (Bool): the last OAuth round trip succeeded.
  std::string connectedFlagKey() const { return segment + ".backend.oauth.connected"; }
};

// The six, in the order lists show them.
const std::vector<BackendProvider>& backendProviders();
// The provider of `segment`; nullptr for any other text.
const BackendProvider* findBackendProvider(std::string_view segment);

// The status lines, in the user's language.
namespace lines {
// After a status fetch that found a connection; `label` names the account ("" when unknown).
std::string connected(const BackendProvider& p, const std::string& label);
std::string notConnected(const BackendProvider& p);
std::string notConfigured(const BackendProvider& p);
std::string disconnected(const BackendProvider& p);
// A failed call: the status fetch (`statusFetch`) or another.
std::string failed(const BackendProvider& p, const std::string& error, bool statusFetch);
// The browser was given the authorization page; `testAccess`: the provider's application is not
// yet open to the public.
std::string oauthOpened(const BackendProvider& p, bool testAccess);
std::string oauthRefused(const BackendProvider& p, const std::string& message);
// The OAuth round trip came back connected.
std::string oauthConnected(const BackendProvider& p);
}  // namespace lines

}  // namespace talewick::backend
