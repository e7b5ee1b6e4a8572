#include "services/backend/backend_connection.hpp"

#include <gtest/gtest.h>

#include "platform/curl_http_client.hpp"
#include "services/backend/backend_error.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_secrets.hpp"

namespace talewick::backend {
namespace {

using testing::FakeBackend;

const std::string SECRET(64, 'a');

// A session with the fake backend, registered on demand with the key "key-1".
class BackendConnectionTest : public ::testing::Test {
 protected:
  BackendConnectionTest() {
    preferences.values[BackendConnection::BASE_URL_KEY] = server.url();
    secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = SECRET;
    server.answer("POST", "/api/register", {200, R"({"userId": "user-1", "apiKey": "key-1"})"});
    server.answer("GET", "/api/asana/connections", {200, R"({"connection": null})"});
  }

  // Performs `call` and settles the loop: its outcome.
  Outcome<std::string> perform(const std::string& method, const std::string& path) {
    Outcome<std::string> result;
    connection.perform({method, path, "", std::chrono::seconds(5)}, loop.serialQueue("test"),
                       [&result](Outcome<std::string> outcome) { result = std::move(outcome); });
    loop.settle();
    return result;
  }

  FakeBackend server;
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  CurlHttpClient http;
  RunLoop loop;
  BackendConnection connection{preferences, secrets, http, loop};
};

TEST_F(BackendConnectionTest, RegistersOnTheFirstCallThenReusesTheKey) {
  EXPECT_EQ(connection.knownAPIKey(), std::nullopt);
  EXPECT_EQ(perform("GET", "api/asana/connections").get(), R"({"connection": null})");
  EXPECT_EQ(perform("GET", "api/asana/connections").get(), R"({"connection": null})");

  EXPECT_EQ(server.count("POST", "/api/register"), 1);
  const auto sent = server.received();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].headers.at("x-signup-secret"), SECRET);
  for (const auto& call : {sent[1], sent[2]}) {
    EXPECT_EQ(call.headers.at("authorization"), "Bearer key-1");
    EXPECT_EQ(call.headers.at("content-type"), "application/json");
  }
  EXPECT_EQ(secrets.items.at(BackendConnection::API_KEY_ITEM), "key-1");
  EXPECT_EQ(preferences.string(BackendConnection::USER_ID_KEY), "user-1");

  // Another process of this user finds the key where this one left it.
  BackendConnection again{preferences, secrets, http, loop};
  EXPECT_EQ(again.knownAPIKey(), "key-1");
}

TEST_F(BackendConnectionTest, SeveralFirstCallsAtOnceRegisterOnce) {
  std::vector<Outcome<std::string>> results(4);
  for (int i = 0; i < 4; ++i) {
    connection.perform({"GET", "api/asana/connections", "", std::chrono::seconds(5)},
                       loop.serialQueue("test-" + std::to_string(i % 2)),
                       [&results, i](Outcome<std::string> outcome) { results[i] = outcome; });
  }
  loop.settle();
  for (const auto& result : results) EXPECT_TRUE(result.ok());
  EXPECT_EQ(server.count("POST", "/api/register"), 1);
  EXPECT_EQ(server.count("GET", "/api/asana/connections"), 4);
}

TEST_F(BackendConnectionTest, AKeyThatTheSecretsCannotHoldIsKeptInThePreferences) {
  secrets.failWrites = true;
  EXPECT_TRUE(perform("GET", "api/asana/connections").ok());
  EXPECT_EQ(preferences.string(BackendConnection::API_KEY_ITEM), "key-1");
  BackendConnection again{preferences, secrets, http, loop};
  EXPECT_EQ(again.knownAPIKey(), "key-1");
}

TEST_F(BackendConnectionTest, AnswersOutsideTwoHundredsCarryTheBackendsMessage) {
  secrets.items[BackendConnection::API_KEY_ITEM] = "known";
  server.answer("GET", "/api/asana/connections",
                {401, R"({"error": "Clé API manquante ou inconnue."})"});
  server.answer("GET", "/api/notion/connections",
                {502, "<html><body>Bad gateway</body></html>", "text/html"});
  server.answer("DELETE", "/api/linear/connections", {500, R"({"error": 12})"});

  const auto expectHttp = [&](const std::string& method, const std::string& path, int status,
                              const std::string& message) {
    try {
      perform(method, path).get();
      ADD_FAILURE() << path << " succeeded";
    } catch (const BackendError& e) {
      EXPECT_EQ(e.kind(), BackendError::Kind::http);
      EXPECT_EQ(e.status(), status);
      EXPECT_EQ(std::string(e.what()), message);
    }
  };
  expectHttp("GET", "api/asana/connections", 401, "Clé API manquante ou inconnue.");
  expectHttp("GET", "api/notion/connections", 502, "Backend Talewick HTTP 502");
  expectHttp("DELETE", "api/linear/connections", 500, "Backend Talewick HTTP 500");
  EXPECT_EQ(server.count("POST", "/api/register"), 0);
}

TEST_F(BackendConnectionTest, ARefusedRegistrationStoresNothingAndIsTriedAgainLater) {
  server.answer("POST", "/api/register", {401, R"({"error": "Secret d'inscription refusé."})"});
  const Outcome<std::string> refused = perform("GET", "api/asana/connections");
  ASSERT_FALSE(refused.ok());
  EXPECT_THROW(refused.get(), BackendError);
  EXPECT_EQ(connection.knownAPIKey(), std::nullopt);
  EXPECT_EQ(preferences.value(BackendConnection::USER_ID_KEY), std::nullopt);

  server.answer("POST", "/api/register", {200, R"({"userId": "user-2"})"});  // no key
  EXPECT_FALSE(perform("GET", "api/asana/connections").ok());
  EXPECT_EQ(connection.knownAPIKey(), std::nullopt);

  server.answer("POST", "/api/register", {200, R"({"userId": "user-3", "apiKey": "key-3"})"});
  EXPECT_TRUE(perform("GET", "api/asana/connections").ok());
  EXPECT_EQ(connection.knownAPIKey(), "key-3");
}

TEST_F(BackendConnectionTest, WithoutABackendOrASecretNothingIsSent) {
  for (const char* blank : {"", "    ", " \t "}) {
    preferences.values[BackendConnection::BASE_URL_KEY] = blank;
    EXPECT_FALSE(connection.configured());
    try {
      perform("GET", "api/asana/connections").get();
      ADD_FAILURE();
    } catch (const BackendError& e) {
      EXPECT_EQ(e.kind(), BackendError::Kind::notConfigured);
    }
  }
  preferences.values[BackendConnection::BASE_URL_KEY] = server.url();
  secrets.items.clear();
  try {
    perform("GET", "api/asana/connections").get();
    ADD_FAILURE();
  } catch (const BackendError& e) {
    EXPECT_EQ(e.kind(), BackendError::Kind::noSignupSecret);
  }
  EXPECT_TRUE(server.received().empty());
}

TEST_F(BackendConnectionTest, AnotherBackendForgetsTheKeyOfThePreviousOne) {
  ASSERT_TRUE(perform("GET", "api/asana/connections").ok());
  connection.setBaseURL(server.url() + "/");  // the same backend
  EXPECT_EQ(connection.knownAPIKey(), "key-1");
  connection.setBaseURL("https://elsewhere.example");
  EXPECT_EQ(connection.knownAPIKey(), std::nullopt);
  EXPECT_EQ(connection.userId(), std::nullopt);
  EXPECT_FALSE(secrets.items.contains(BackendConnection::API_KEY_ITEM));
  EXPECT_TRUE(connection.hasSignupSecret());
}

}  // namespace
}  // namespace talewick::backend
