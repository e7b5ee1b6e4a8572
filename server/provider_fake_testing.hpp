// A stand-in for a provider's API on loopback, for the adapters' tests: the test installs the
// routes the provider documents, the stand-in records every request it receives (method, path,
// query, headers, body) and serves a token endpoint at "/oauth/token" that hands out renewed
// tokens. The server's side comes with it: a configuration pointing the provider at the stand-in,
// a SQLite storage, and a user whose connection holds sealed tokens.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "server/pipeline_adapter.hpp"
#include "server/provider_session.hpp"
#include "server/storage.hpp"
#include "server/token_box.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server::testing {

struct SeenRequest {
  std::string method, path, authorization, body;
  httplib::Params query;
  httplib::Headers headers;
  nlohmann::json json() const { return nlohmann::json::parse(body, nullptr, false); }
  std::string param(const std::string& key) const {
    const auto found = query.find(key);
    return found == query.end() ? "" : found->second;
  }
};

class FakeProvider {
 public:
  using Routes = std::function<void(httplib::Server&)>;

  explicit FakeProvider(const Routes& routes) {
    // After routing, once the body was read, and before the answer leaves.
    server_.set_post_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      const std::lock_guard lock(mutex_);
      seen_.push_back({request.method, request.path, request.get_header_value("authorization"),
                       request.body, request.params, request.headers});
    });
    server_.Post("/oauth/token", [this](const httplib::Request& request, httplib::Response& res) {
      if (request.get_param_value("grant_type") != "refresh_token" ||
          !request.get_param_value("refresh_token").starts_with("refresh-") || refuseRenewal) {
        res.status = 400;
        res.set_content(R"({"error":"invalid_grant"})", "application/json");
        return;
      }
      ++renewals;
      res.set_content(
          nlohmann::json{
              {"access_token", renewedToken}, {"refresh_token", "refresh-2"}, {"expires_in", 3600}}
              .dump(),
          "application/json");
    });
    routes(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~FakeProvider() {
    server_.stop();
    thread_.join();
  }

  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // The requests received but those of the token endpoint, oldest first.
  std::vector<SeenRequest> seen(const std::string& pathPrefix = "/") const {
    const std::lock_guard lock(mutex_);
    std::vector<SeenRequest> found;
    for (const SeenRequest& request : seen_) {
      if (request.path != "/oauth/token" && request.path.starts_with(pathPrefix)) {
        found.push_back(request);
      }
    }
    return found;
  }
  void clearSeen() {
    const std::lock_guard lock(mutex_);
    seen_.clear();
  }

  std::string renewedToken = "access-2";
  std::atomic<bool> refuseRenewal{false};
  std::atomic<int> renewals{0};

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<SeenRequest> seen_;
};

// A JSON answer of the stand-in.
inline void answerJson(httplib::Response& response, const nlohmann::json& body, int status = 200) {
  response.status = status;
  response.set_content(body.dump(), "application/json");
}

// The server's side of an adapter test: `segment`'s API at the stand-in, one user connected
// with the access token "access-1" (renewed by "refresh-1").
class ConnectedUser {
 public:
  static constexpr std::int64_t NOW = 1796644800;  // 2026-12-07 12:00 UTC

  ConnectedUser(const std::string& segment, const FakeProvider& fake,
                std::optional<std::int64_t> expiresAt = NOW + 3600)
      : segment_(segment) {
    config_.tokenKey = std::string(64, 'e');
    ProviderSettings& settings = config_.providers[segment];
    settings.apiBaseURL = fake.url();
    settings.tokenURL = fake.url() + "/oauth/token";
    settings.clientID = "client";
    settings.clientSecret = "secret";
    storage_->addUser(userId, std::string(64, '1'), NOW);
    connect(userId, "account-1", expiresAt);
  }

  void connect(const std::string& user, const std::string& accountId,
               std::optional<std::int64_t> expiresAt, const std::string& accessToken = "access-1") {
    nlohmann::json tokens = {{"accessToken", accessToken}, {"refreshToken", "refresh-1"}};
    if (expiresAt) tokens["expiresAt"] = *expiresAt;
    ProviderConnection connection;
    connection.provider = segment_;
    connection.id = accountId;
    connection.profile = {{"accountLabel", "Ada"}};
    connection.connectedAt = NOW - 86400;
    connection.sealedTokens = tokens::seal(config_.tokenKey, tokens.dump());
    storage_->saveConnection(user, connection);
  }

  // A session on the user's connection. `waits` collects the waits a 429 asked for.
  ProviderSession session() {
    const std::vector<ProviderConnection> connections = storage_->connections(userId, segment_);
    return ProviderSession(context_, *findProvider(segment_), userId, connections.at(0));
  }

  // The tokens the storage holds now for the user's connection.
  nlohmann::json storedTokens() {
    const std::vector<ProviderConnection> connections = storage_->connections(userId, segment_);
    return nlohmann::json::parse(
        tokens::open(config_.tokenKey, connections.at(0).sealedTokens).value_or("null"));
  }

  const std::string userId = "user-1";
  std::vector<int> waits;
  std::int64_t now = NOW;

 private:
  std::string segment_;
  talewick::testing::TempFolder folder_{"provider-fake"};
  Config config_;
  std::unique_ptr<Storage> storage_ =
      openStorage(*DatabaseLocation::parse("sqlite:" + (folder_ / "t.db").string()));
  SessionContext context_{config_, *storage_, postForm, [this] { return now; },
                          [this](int seconds) { waits.push_back(seconds); }};

 public:
  Storage& storage() { return *storage_; }
  const Config& config() const { return config_; }
  const SessionContext& context() const { return context_; }
};

}  // namespace talewick::server::testing
