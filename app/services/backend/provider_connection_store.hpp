// One provider's connection through the backend: its status (connection and configuration, or
// Linear's workspaces), the status line people read, and the OAuth round trip that connects it.
//
// Lives on the main loop like every store: calls are made there and their results applied
// there. A failed call shows on the status line and leaves the previous state in place.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/backend/backend_provider.hpp"
#include "services/backend/connection_status.hpp"
#include "services/backend/oauth_callback.hpp"

namespace talewick::backend {

class ProviderConnectionStore {
 public:
  static constexpr std::chrono::seconds CALL_TIMEOUT{20};

  // Calls run on `queue`; each waits `timeout` at most for its answer.
  ProviderConnectionStore(const BackendProvider& provider, BackendConnection& backend,
                          Preferences& preferences, SerialQueue& queue,
                          std::chrono::milliseconds timeout = CALL_TIMEOUT);

  const BackendProvider& provider() const { return provider_; }
  // The last status received; nullopt before the first one.
  const std::optional<ProviderStatus>& status() const { return status_; }
  const std::string& statusLine() const { return statusLine_; }
  // Whether the last call that finished failed (the backend unconfigured included).
  bool failed() const { return failed_; }
  // Preference "<segment>.backend.oauth.connected".
  bool oauthConnected() const;

  // Asks the backend for the status. Skipped while one is under way, unless `force`.
  void refresh(bool force = false);
  // Asks the backend for the authorization page and hands its http(s) address to `open` (the
  // browser), then says so on the status line.
  void beginOAuth(std::function<void(const std::string& url)> open);
  // Deletes the connection on the backend and clears the connected flag.
  void disconnect();
  // The browser came back from the OAuth round trip: connected sets the flag and refreshes;
  // a refusal says so and changes nothing else.
  void handleOAuthCallback(const OAuthCallback& callback);

 private:
  // Sends `method path`, then gives `apply` the body on success; a failure goes to the status
  // line. False (and the not-configured line) when there is no backend: nothing is sent.
  bool call(const char* method, const std::string& path, bool statusFetch,
            std::function<void(const std::string& body)> apply);
  void showFailure(const std::exception_ptr& failure, bool statusFetch);
  void setFlag(bool connected);

  const BackendProvider& provider_;
  BackendConnection& backend_;
  Preferences& preferences_;
  SerialQueue& queue_;
  std::chrono::milliseconds timeout_;
  std::optional<ProviderStatus> status_;
  std::string statusLine_;
  bool failed_ = false;
  int refreshesUnderWay_ = 0;
  // The refresh that follows a successful OAuth round trip announces it.
  bool announceConnection_ = false;
};

}  // namespace talewick::backend
