#include "services/backend/provider_connection_store.hpp"

#include <gtest/gtest.h>

#include "platform/curl_http_client.hpp"
#include "services/backend/provider_connections.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::backend {
namespace {

using testing::FakeBackend;

// The six providers' stores over one backend session; `timeout` bounds each call.
struct Stores {
  Stores(const std::string& url, const std::string& secret,
         std::chrono::milliseconds timeout = ProviderConnectionStore::CALL_TIMEOUT)
      : connections(backend, preferences, loop, timeout) {
    preferences.values[BackendConnection::BASE_URL_KEY] = url;
    secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = secret;
  }
  ProviderConnectionStore& operator[](const std::string& segment) {
    return *connections.find(segment);
  }

  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  CurlHttpClient http;
  RunLoop loop;
  BackendConnection backend{preferences, secrets, http, loop};
  ProviderConnections connections;
};

TEST(ProviderConnectionStore, SpeaksWithTheRealBackend) {
  testing::TempFolder folder{"backend-real"};
  // Asana is set up on this server; the other providers are not.
  testing::ServerProcess server(
      testing::serverBeside(TALEWICK_BINARY), folder.path(), [](nlohmann::json& config) {
        config["publicBaseURL"] = "https://talewick.example";
        config["providers"]["asana"] = {{"authorizationURL", "https://app.asana.example/oauth"},
                                        {"tokenURL", "https://app.asana.example/token"},
                                        {"clientID", "client-1"},
                                        {"clientSecret", "shh"},
                                        {"scopes", {"default"}}};
      });
  Stores stores(server.url(), server.signupSecret());

  for (const auto& store : stores.connections.all()) store->refresh();
  stores.loop.settle();
  for (const auto& store : stores.connections.all()) {
    SCOPED_TRACE(store->provider().segment);
    EXPECT_FALSE(store->failed()) << store->statusLine();
    EXPECT_EQ(store->statusLine(), store->provider().name + " non connecté");
    ASSERT_TRUE(store->status().has_value());
    EXPECT_FALSE(store->status()->connected());
    if (store->provider().workspaceList) continue;
    ASSERT_TRUE(store->status()->config.has_value());
    EXPECT_EQ(store->status()->config->configured, store->provider().segment == "asana");
  }
  EXPECT_EQ(stores["notion"].status()->config->apiVersion.has_value(), true);
  // One registration served the six, and its key is kept.
  EXPECT_TRUE(stores.secrets.items.contains(BackendConnection::API_KEY_ITEM));

  std::vector<std::string> opened;
  stores["asana"].beginOAuth([&opened](const std::string& url) { opened.push_back(url); });
  stores["todoist"].beginOAuth([&opened](const std::string& url) { opened.push_back(url); });
  stores.loop.settle();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].starts_with("https://app.asana.example/oauth?")) << opened[0];
  EXPECT_EQ(stores["asana"].statusLine(), "OAuth Asana ouvert via Backend Talewick.");
  EXPECT_TRUE(stores["todoist"].failed());
  EXPECT_TRUE(stores["todoist"].statusLine().starts_with(
      "Backend Todoist impossible : Todoist n'est pas configuré sur ce serveur"))
      << stores["todoist"].statusLine();

  stores.preferences.values["asana.backend.oauth.connected"] = true;
  stores["asana"].disconnect();
  stores.loop.settle();
  EXPECT_EQ(stores["asana"].statusLine(), "Asana déconnecté");
  EXPECT_FALSE(stores["asana"].oauthConnected());
}

TEST(ProviderConnectionStore, ShowsTheAccountAndLinearsWorkspaces) {
  FakeBackend server;
  server.answer("POST", "/api/register", {200, R"({"userId": "u", "apiKey": "k"})"});
  server.answer("GET", "/api/asana/connections",
                {200, R"({"connection": {"id": "c1", "accountLabel": "Ada", "extra": [1]},
                          "config": {"configured": true, "missing": []}})"});
  server.answer("GET", "/api/todoist/connections",
                {200, R"({"connection": {"id": "c2", "userName": 7}, "config": null})"});
  server.answer("GET", "/api/linear/connections",
                {200, R"([{"id": "w1", "name": "Forge", "selected": true}])"});
  Stores stores(server.url(), std::string(64, 'a'));
  for (const char* segment : {"asana", "todoist", "linear"}) stores[segment].refresh();
  stores.loop.settle();
  EXPECT_EQ(stores["asana"].statusLine(), "Asana connecté : Ada");
  // A field of the wrong type counts as absent.
  EXPECT_EQ(stores["todoist"].statusLine(), "Todoist connecté via Backend Talewick");
  EXPECT_EQ(stores["linear"].statusLine(), "Linear connecté via Backend Talewick.");
  ASSERT_EQ(stores["linear"].status()->workspaces.size(), 1u);
  EXPECT_EQ(stores["linear"].status()->workspaces[0].name, "Forge");
}

TEST(ProviderConnectionStore, AFailedCallSaysWhyAndKeepsThePreviousState) {
  FakeBackend server;
  server.answer("POST", "/api/register", {200, R"({"userId": "u", "apiKey": "k"})"});
  server.answer("GET", "/api/asana/connections",
                {200, R"({"connection": {"id": "c1", "accountLabel": "Ada"}})"});
  server.answer("GET", "/api/linear/connections", {200, R"([{"id": "w1"}])"});
  Stores stores(server.url(), std::string(64, 'a'), std::chrono::milliseconds(300));
  stores["asana"].refresh();
  stores["linear"].refresh();
  stores.loop.settle();
  ASSERT_TRUE(stores["asana"].status()->connected());

  const auto expectKept = [&](const std::string& line) {
    EXPECT_TRUE(stores["asana"].failed());
    EXPECT_EQ(stores["asana"].statusLine().substr(0, line.size()), line)
        << stores["asana"].statusLine();
    ASSERT_TRUE(stores["asana"].status().has_value());
    EXPECT_EQ(stores["asana"].status()->connection->accountLabel, "Ada");
  };
  for (const char* garbage : {"<html>oops</html>", R"({"connection": {"label": "no id"}})",
                              R"(["not", "a", "status"])"}) {
    server.answer("GET", "/api/asana/connections", {200, garbage});
    stores["asana"].refresh();
    stores.loop.settle();
    expectKept("Backend Asana impossible : réponse illisible du Backend Talewick");
  }
  server.answer("GET", "/api/asana/connections", {401, R"({"error": "Clé refusée."})"});
  stores["asana"].refresh();
  stores.loop.settle();
  expectKept("Backend Asana impossible : Clé refusée.");

  // A backend that never answers: the call gives up after its timeout.
  server.neverAnswer("GET", "/api/asana/connections");
  server.neverAnswer("DELETE", "/api/linear/connections");
  stores["asana"].refresh();
  stores["linear"].disconnect();
  stores.loop.settle();
  expectKept("Backend Asana impossible : ");
  EXPECT_TRUE(stores["linear"].statusLine().starts_with("Backend Linear : "))
      << stores["linear"].statusLine();
  EXPECT_EQ(stores["linear"].status()->workspaces.size(), 1u);
}

TEST(ProviderConnectionStore, WithoutABackendNothingIsSent) {
  FakeBackend server;
  Stores stores("   ", std::string(64, 'a'));
  stores["asana"].refresh();
  stores["google-calendar"].beginOAuth([](const std::string&) { ADD_FAILURE(); });
  stores["linear"].disconnect();
  stores.loop.settle();
  EXPECT_EQ(stores["asana"].statusLine(), "Backend Asana non configuré.");
  EXPECT_EQ(stores["google-calendar"].statusLine(), "Backend Google Calendar non configuré.");
  EXPECT_EQ(stores["linear"].statusLine(), "Backend Linear non configuré.");
  EXPECT_TRUE(server.received().empty());
}

TEST(ProviderConnectionStore, TheBrowsersReturnConnectsOrSaysTheRefusal) {
  FakeBackend server;
  server.answer("POST", "/api/register", {200, R"({"userId": "u", "apiKey": "k"})"});
  server.answer("GET", "/api/todoist/connections",
                {200, R"({"connection": {"id": "t1", "userName": "Ada"}})"});
  Stores stores(server.url(), std::string(64, 'a'));

  ProviderConnectionStore& todoist =
      stores.connections.handleURL("talewick://todoist/backend/callback?connected=1");
  EXPECT_EQ(&todoist, &stores["todoist"]);
  EXPECT_TRUE(todoist.oauthConnected());
  stores.loop.settle();
  EXPECT_EQ(server.count("GET", "/api/todoist/connections"), 1);
  EXPECT_EQ(todoist.statusLine(), "Todoist connecté via Backend Talewick.");

  stores.connections.handleURL("talewick://todoist/backend/callback?error=access_denied%20%1B[31m");
  stores.loop.settle();
  EXPECT_EQ(todoist.statusLine(), "OAuth Todoist refusé : access_denied [31m");
  EXPECT_TRUE(todoist.failed());
  // The refusal changes nothing else: no call, the flag and the connection as they were.
  EXPECT_EQ(server.count("GET", "/api/todoist/connections"), 1);
  EXPECT_TRUE(todoist.oauthConnected());
  EXPECT_TRUE(todoist.status()->connected());

  stores.connections.handleURL("talewick://linear/backend/callback?error=nope");
  EXPECT_EQ(stores["linear"].statusLine(), "OAuth Linear backend refusé : nope");
  EXPECT_THROW(stores.connections.handleURL("talewick://dropbox/backend/callback?connected=1"),
               UnhandledURL);
}

}  // namespace
}  // namespace talewick::backend
