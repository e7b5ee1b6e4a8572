// The connected services' items from the user's machine to a tracker and back: the program's
// pipeline store against the server's real routes, and the server against a stand-in for
// Todoist's API. What one user completes is closed once at the provider; another user's key
// reaches none of it.
#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "platform/curl_http_client.hpp"
#include "platform/linux_files.hpp"
#include "server/provider_fake_testing.hpp"
#include "server/route_testing.hpp"
#include "server/together_testing.hpp"
#include "services/pipeline/integration_pipeline_store.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::pipeline {
namespace {

using backend::BackendConnection;
using nlohmann::json;
using server::testing::FakeProvider;
using server::testing::TogetherServer;

// Todoist with three open tasks for the token "access-1"; a closed task is no longer listed.
FakeProvider::Routes todoist(std::set<std::string>& closed, std::mutex& mutex) {
  return [&](httplib::Server& api) {
    api.Get("/api/v1/tasks", [&](const httplib::Request& request, httplib::Response& res) {
      if (request.get_header_value("authorization") != "Bearer access-1") {
        return server::testing::answerJson(res, {{"error", "Unauthorized"}}, 401);
      }
      json tasks = json::array();
      const std::lock_guard lock(mutex);
      for (const char* id : {"t1", "t2", "t3"}) {
        if (closed.count(id)) continue;
        tasks.push_back({{"id", id}, {"content", std::string("Tâche ") + id}, {"priority", 2}});
      }
      server::testing::answerJson(res, {{"results", tasks}, {"next_cursor", nullptr}});
    });
    for (const char* list : {"/api/v1/projects", "/api/v1/sections", "/api/v1/labels"}) {
      api.Get(list, [](const httplib::Request&, httplib::Response& res) {
        server::testing::answerJson(res, {{"results", json::array()}, {"next_cursor", nullptr}});
      });
    }
    api.Post(R"(/api/v1/tasks/(.+)/close)",
             [&](const httplib::Request& request, httplib::Response& res) {
               const std::lock_guard lock(mutex);
               closed.insert(request.matches[1]);
               res.status = 204;
             });
  };
}

// One user's machine: its backend session and its pipeline store.
struct Machine {
  Machine(TogetherServer& server, const std::string& name) : home(name) {
    preferences.values[BackendConnection::BASE_URL_KEY] = server.url();
    secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = server::testing::kTogetherSecret;
  }
  // Registers this machine and gives its user id.
  std::string registered() {
    std::string key;
    connection.backendAuth([&](backend::Outcome<backend::BackendAuth> auth) {
      if (auth.ok()) key = auth.value->apiKey;
    });
    loop.settle();
    EXPECT_FALSE(key.empty());
    return connection.userId().value_or("");
  }
  bool run(const std::function<void(std::function<void(bool)>)>& action) {
    std::optional<bool> result;
    action([&](bool ok) { result = ok; });
    loop.settle();
    return result.value_or(false);
  }

  testing::TempFolder home;
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  CurlHttpClient http;
  RunLoop loop;
  BackendConnection connection{preferences, secrets, http, loop};
  std::ostringstream said;
  IntegrationPipelineStore store{linuxFiles(), home / IntegrationPipelineStore::FILE_NAME,
                                 [this]() -> BackendConnection& { return connection; }, loop, said};
};

TEST(PipelineTogether, ATaskCompletedFromTheGameClosesOnceAtTheProviderAndNowhereElse) {
  std::set<std::string> closed;
  std::mutex mutex;
  FakeProvider provider(todoist(closed, mutex));
  TogetherServer server(server::testing::Engine::sqlite, false, [&](server::Config& config) {
    server::ProviderSettings& todo = config.providers["todoist"];
    todo.authorizationURL = provider.url() + "/oauth/authorize";
    todo.tokenURL = provider.url() + "/oauth/token";
    todo.clientID = "client";
    todo.clientSecret = "secret";
    todo.apiBaseURL = provider.url();
  });
  Machine ada(server, "ada"), bob(server, "bob");
  // Ada connected Todoist through the browser: the server holds her sealed token.
  server::testing::connectAccount(
      server.storage(), server.config(),
      {ada.registered(), "todoist", "ada-todoist", "access-1", server.now()});
  bob.registered();

  ada.store.performRefresh(false);
  ada.loop.settle();
  ASSERT_FALSE(ada.store.failed()) << ada.store.statusLine();
  ASSERT_EQ(ada.store.sideQuests().size(), 3u);
  const Item task = *ada.store.item("todoist:t2");
  EXPECT_EQ(task.title, "Tâche t2");
  EXPECT_GT(task.rpg.xp, 0);

  // Bob's key reaches none of Ada's items, and his list is empty.
  EXPECT_FALSE(bob.run([&](auto done) { bob.store.complete(task, done); }));
  EXPECT_NE(bob.store.statusLine().find("Élément inconnu."), std::string::npos)
      << bob.store.statusLine();
  bob.store.performRefresh(false);
  bob.loop.settle();
  ASSERT_TRUE(bob.store.response());
  EXPECT_TRUE(bob.store.response()->items.empty());
  EXPECT_TRUE(closed.empty());

  EXPECT_TRUE(ada.run([&](auto done) { ada.store.complete(task, done); }))
      << ada.store.statusLine();
  EXPECT_EQ(closed, std::set<std::string>{"t2"});
  EXPECT_EQ(provider.seen("/api/v1/tasks/t2/close").size(), 1u);
  // The forced refresh that follows no longer finds it: nothing left to hide.
  EXPECT_EQ(ada.store.sideQuests().size(), 2u);
  EXPECT_TRUE(ada.store.suppressedItemIDs().empty());
  EXPECT_FALSE(ada.run([&](auto done) { ada.store.complete(task, done); }));
  EXPECT_EQ(provider.seen("/api/v1/tasks/t2/close").size(), 1u);
}

}  // namespace
}  // namespace talewick::pipeline
