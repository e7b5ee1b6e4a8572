// Linear, read by the program: the mode it is reached in, the credentials of the direct modes,
// the last issues fetched (kept in the data folder, so that `today` and `kingdom` show them
// without a call) and the actions on one issue.
//
// Modes: the preference "linear.auth.mode" says "oauth" (the program's own token, secret
// "linear.oauth.token") or "personalAPIKey" (secret "linear.personalApiKey"); otherwise the
// backend, once its OAuth round trip succeeded ("linear.backend.oauth.connected"), on the
// workspace "linear.backend.selectedWorkspaceID"; otherwise none. The direct modes call the
// endpoint of the preference "linear.graphql.endpoint", Linear's public one by default.
//
// Lives on the main loop; the HTTP exchanges run on the serial queue QUEUE. A failure shows on
// the status line and leaves the last issues published. Issues completed here stay hidden until
// a fetch no longer lists them.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/http_port.hpp"
#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"
#include "core/state_file.hpp"
#include "linear/linear_graphql.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/linear/linear_queue.hpp"

namespace talewick::linear {

enum class LinearMode { none, backend, oauth, personalAPIKey };

class LinearAuthStore {
 public:
  static constexpr const char* FILE_NAME = "linear-issues.json";
  static constexpr const char* QUEUE = LINEAR_QUEUE;
  static constexpr const char* MODE_KEY = "linear.auth.mode";
  static constexpr const char* PERSONAL_KEY_ITEM = "linear.personalApiKey";
  static constexpr const char* OAUTH_TOKEN_ITEM = "linear.oauth.token";
  static constexpr const char* BACKEND_CONNECTED_KEY = "linear.backend.oauth.connected";
  static constexpr const char* WORKSPACE_KEY = "linear.backend.selectedWorkspaceID";
  static constexpr const char* ENDPOINT_KEY = "linear.graphql.endpoint";
  // The program's own OAuth: the deployment's client (preferences), Linear's endpoints (which
  // preferences may override), and the round trip's secrets kept until the browser comes back.
  static constexpr const char* CLIENT_ID_KEY = "linear.oauth.clientId";
  static constexpr const char* CLIENT_SECRET_KEY = "linear.oauth.clientSecret";
  static constexpr const char* AUTHORIZE_ENDPOINT_KEY = "linear.oauth.authorizeEndpoint";
  static constexpr const char* TOKEN_ENDPOINT_KEY = "linear.oauth.tokenEndpoint";
  static constexpr const char* PENDING_STATE_ITEM = "linear.oauth.pendingState";
  static constexpr const char* PENDING_VERIFIER_ITEM = "linear.oauth.pendingVerifier";
  static constexpr const char* OAUTH_REDIRECT = "talewick://linear/oauth/callback";

  // What is kept on disk.
  struct Saved {
    std::optional<Linear::FetchResult> result;
    std::set<std::string> suppressed;  // issue ids completed here
    bool operator==(const Saved&) const = default;
  };

  LinearAuthStore(Preferences& preferences, SecretsStore& secrets, HttpClient& http,
                  FilePort& files, std::filesystem::path file,
                  std::function<backend::BackendConnection&()> backend, RunLoop& loop,
                  std::ostream& diagnostics);

  LinearMode mode() const;
  // Keeps a personal key and makes it the mode. Throws what the stores throw.
  void setPersonalKey(const std::string& key);
  // Starts the program's own OAuth: keeps a fresh state and code verifier and gives the address
  // of Linear's authorization page. Nullopt, with the reason on the status line, when the
  // deployment's client is not set or the address is no http(s) URL; nothing is kept then.
  // Throws what the stores throw.
  std::optional<std::string> beginOAuth();
  // The browser's return to OAUTH_REDIRECT: the state checked against the pending one, the code
  // exchanged for a token, the token kept and made the mode, then a forced refresh. `done` gets
  // whether the token was kept; a refusal leaves everything as it was, said on the status line.
  void handleOAuthCallback(const std::string& url, std::function<void(bool)> done);
  // Picks the backend's workspace.
  void selectWorkspace(const std::string& workspaceID);

  const std::optional<Linear::FetchResult>& result() const { return saved_.result; }
  const std::set<std::string>& suppressed() const { return saved_.suppressed; }
  // The user's open issues of the last fetch, those completed here left out.
  std::vector<Linear::Issue> openIssues() const;
  const std::string& statusLine() const { return statusLine_; }
  bool failed() const { return failed_; }

  // Rereads the file, which another process may have written since (a damaged or missing one
  // keeps what is known); whether anything changed.
  bool reload();
  // Fetches the user's issues (`force`: past the backend's cache); `done` runs once applied.
  void refresh(bool force, std::function<void()> done);
  // Moves the issue to its team's first completed state; `done` gets the issue as it now is,
  // or nullopt with the reason on the status line.
  void complete(const std::string& issueID, std::function<void(std::optional<Linear::Issue>)> done);
  void addComment(const std::string& issueID, const std::string& body,
                  std::function<void(bool)> done);

 private:
  std::optional<std::string> authorization() const;
  // The GraphQL client's sender in a direct mode with its credential; nullopt otherwise.
  std::optional<LinearGraphQLClient::Send> directSend() const;
  // Why a direct mode cannot call Linear.
  std::string notConnectedLine() const;
  // How to set the deployment's OAuth client.
  static std::string oauthNotConfiguredLine();
  std::string workspace() const;
  void apply(Saved next);
  std::string countLine(size_t open) const;

  Preferences& preferences_;
  SecretsStore& secrets_;
  HttpClient& http_;
  StateFile file_;
  std::function<backend::BackendConnection&()> backend_;
  RunLoop& loop_;
  Saved saved_;
  std::string statusLine_;
  bool failed_ = false;
};

void to_json(Json& j, const LinearAuthStore::Saved& v);
void from_json(const Json& j, LinearAuthStore::Saved& v);

}  // namespace talewick::linear
