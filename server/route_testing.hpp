// The whole server on loopback for the provider routes' tests: every route over a SQLite storage
// and the test's clock, users registered through the server's own route and connected to a
// provider as an OAuth return leaves them (the account's access token sealed in the storage).
// Provider stand-ins (provider_fake_testing.hpp) are pointed at through the configuration.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>

#include "server/api.hpp"
#include "server/token_box.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server::testing {

// A route's answer: its status, its body parsed (discarded when not JSON) and as it came.
struct RouteAnswer {
  int status = 0;
  nlohmann::json body;
  std::string text;
};

// What a provider's OAuth return leaves in the storage: the user's account, its access token
// sealed with the server's key.
struct AccountGrant {
  std::string userId, segment, accountId, accessToken;
  std::int64_t connectedAt = 0;
  nlohmann::json profile = nlohmann::json::object();
};

inline void connectAccount(Storage& storage, const Config& config, const AccountGrant& grant) {
  ProviderConnection connection;
  connection.provider = grant.segment;
  connection.id = grant.accountId;
  connection.profile = grant.profile;
  connection.connectedAt = grant.connectedAt;
  connection.sealedTokens =
      tokens::seal(config.tokenKey, nlohmann::json{{"accessToken", grant.accessToken}}.dump());
  storage.saveConnection(grant.userId, connection);
}

class RouteServer {
 public:
  static constexpr std::int64_t NOW = 1796644800;  // 2026-12-07 12:00 UTC

  struct User {
    std::string id, key;
  };

  // `configure` gives the providers' settings (a stand-in's address) before the routes serve;
  // the configuration may still change afterwards through config().
  explicit RouteServer(const std::function<void(Config&)>& configure = nullptr) {
    config_.signupSecret = std::string(64, 'c');
    config_.tokenKey = std::string(64, 'd');
    if (configure) configure(config_);
    api_.mount(server_);
    const int port = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port);
    client_->set_read_timeout(30, 0);
  }
  ~RouteServer() {
    server_.stop();
    thread_.join();
  }
  RouteServer(const RouteServer&) = delete;
  RouteServer& operator=(const RouteServer&) = delete;

  // A new user of the server, as a program's first call registers one.
  User registerUser() {
    httplib::Result result =
        client_->Post("/api/register", {{"x-signup-secret", config_.signupSecret}}, "", "");
    EXPECT_TRUE(result && result->status == 200);
    if (!result || result->status != 200) return {};
    const nlohmann::json body = nlohmann::json::parse(result->body);
    return {body["userId"], body["apiKey"]};
  }

  // Connects `userId` to the provider of `segment` as the account `accountId`, which the
  // provider knows by the access token `token`.
  void connect(const std::string& userId, const std::string& segment, const std::string& accountId,
               const std::string& token, const nlohmann::json& profile = nlohmann::json::object()) {
    connectAccount(*storage_, config_, {userId, segment, accountId, token, NOW - 86400, profile});
  }

  // A new user connected as connect() does; the user's key.
  std::string connectedUser(const std::string& segment, const std::string& accountId,
                            const std::string& token,
                            const nlohmann::json& profile = nlohmann::json::object()) {
    const User user = registerUser();
    connect(user.id, segment, accountId, token, profile);
    return user.key;
  }

  // `method` on `path` with the user's `key`; a JSON `body` when not null.
  RouteAnswer call(const std::string& key, const std::string& method, const std::string& path,
                   const nlohmann::json& body = nullptr) {
    const httplib::Headers headers = {{"authorization", "Bearer " + key}};
    const std::string text = body.is_null() ? "" : body.dump();
    const char* type = "application/json";
    httplib::Result result = method == "GET"      ? client_->Get(path, headers)
                             : method == "DELETE" ? client_->Delete(path, headers)
                             : method == "PATCH"  ? client_->Patch(path, headers, text, type)
                                                  : client_->Post(path, headers, text, type);
    if (!result) {
      ADD_FAILURE() << method << " " << path << ": " << httplib::to_string(result.error());
      return {};
    }
    return {result->status, nlohmann::json::parse(result->body, nullptr, false), result->body};
  }

  Config& config() { return config_; }
  Storage& storage() { return *storage_; }
  httplib::Client& client() { return *client_; }
  std::string logText() const { return logText_.str(); }

  std::atomic<std::int64_t> now{NOW};

 private:
  talewick::testing::TempFolder folder_{"routes"};
  Config config_;
  std::unique_ptr<Storage> storage_ =
      openStorage(*DatabaseLocation::parse("sqlite:" + (folder_ / "t.db").string()));
  std::ostringstream logText_;
  Log log_{logText_};
  Api api_{config_, *storage_, log_, postForm, [this] { return now.load(); }, [](int) {}};
  httplib::Server server_;
  std::thread thread_;
  std::unique_ptr<httplib::Client> client_;
};

}  // namespace talewick::server::testing
