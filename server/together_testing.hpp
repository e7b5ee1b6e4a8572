// The routes of playing together (guild, world boss, vigil) served on loopback for a test, on a
// storage engine of the test's choosing, with a clock the test moves by hand and, when asked, an
// SMTP sink that receives the guild's mail.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "server/api.hpp"
#include "server/storage_engines_testing.hpp"
#include "tests/support/smtp_sink.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server::testing {

inline const std::string kTogetherSecret = std::string(64, 'd');

struct Answer {
  int status = 0;
  nlohmann::json body;
};

class TogetherServer {
 public:
  // 2026-12-07 (a Monday) 12:00 UTC.
  static constexpr std::int64_t MONDAY_NOON = 1796644800;

  // `configure` may add to the configuration (a provider's settings) before the server starts.
  TogetherServer(Engine engine, bool withMail,
                 const std::function<void(Config&)>& configure = nullptr)
      : folder_("together"), databaseUrl_(newDatabaseUrl(engine, folder_.path())) {
    config_.signupSecret = kTogetherSecret;
    config_.tokenKey = std::string(64, 'b');
    if (configure) configure(config_);
    if (withMail) {
      sink_ = std::make_unique<talewick::testing::SmtpSink>(folder_ / "sink");
      config_.smtp = {
          "127.0.0.1",        sink_->port(),     "", "", "Talewick <guild@mail.example.org>",
          "mail.example.org", SmtpSecurity::none};
    }
    start();
  }
  ~TogetherServer() { stop(); }

  // Stops serving, closes the storage and opens it again: what a restart of the server keeps.
  void restart() {
    stop();
    start();
  }

  // "http://127.0.0.1:PORT", for a client of the test's own.
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

  void setNow(std::int64_t now) { now_ = now; }
  void advance(std::int64_t seconds) { now_ += seconds; }
  std::int64_t now() const { return now_; }

  Storage& storage() { return *storage_; }
  const Config& config() const { return config_; }
  talewick::testing::SmtpSink& sink() { return *sink_; }

  Answer call(const std::string& method, const std::string& path, const nlohmann::json& body,
              httplib::Headers headers = {}) {
    const std::string text = body.is_null() ? "" : body.dump();
    httplib::Result result = method == "GET"      ? client_->Get(path, headers)
                             : method == "DELETE" ? client_->Delete(path, headers)
                             : method == "PATCH"
                                 ? client_->Patch(path, headers, text, "application/json")
                                 : client_->Post(path, headers, text, "application/json");
    if (!result) {
      ADD_FAILURE() << method << " " << path << ": " << httplib::to_string(result.error());
      return {};
    }
    return {result->status, nlohmann::json::parse(result->body, nullptr, false)};
  }
  // With the bearer key.
  Answer as(const std::string& key, const std::string& method, const std::string& path,
            const nlohmann::json& body = nullptr) {
    return call(method, path, body, {{"authorization", "Bearer " + key}});
  }
  // With the sign-up secret.
  Answer signedUp(const std::string& path, const nlohmann::json& body) {
    return call("POST", path, body, {{"x-signup-secret", kTogetherSecret}});
  }

 private:
  void start() {
    storage_ = openStorage(*DatabaseLocation::parse(databaseUrl_));
    api_ =
        std::make_unique<Api>(config_, *storage_, log_, postForm, [this] { return now_.load(); });
    server_ = std::make_unique<httplib::Server>();
    api_->mount(*server_);
    // A restart serves on the same port, so that clients keep their address.
    if (port_ == 0) {
      port_ = server_->bind_to_any_port("127.0.0.1");
    } else if (!server_->bind_to_port("127.0.0.1", port_)) {
      ADD_FAILURE() << "port " << port_ << " is taken again";
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client_->set_read_timeout(30, 0);
    if (!client_->Get("/health")) ADD_FAILURE() << "the server does not answer";
  }
  void stop() {
    if (!thread_.joinable()) return;
    server_->stop();
    thread_.join();
    client_.reset();
    server_.reset();
    api_.reset();
    storage_.reset();
  }

  talewick::testing::TempFolder folder_;
  std::string databaseUrl_;
  std::unique_ptr<talewick::testing::SmtpSink> sink_;
  Config config_;
  std::ostringstream logText_;
  Log log_{logText_};
  std::atomic<std::int64_t> now_{MONDAY_NOON};
  std::unique_ptr<Storage> storage_;
  std::unique_ptr<Api> api_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  std::unique_ptr<httplib::Client> client_;
};

}  // namespace talewick::server::testing
