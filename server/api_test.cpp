#include "server/api.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "server/crypto.hpp"
#include "server/oauth_start.hpp"
#include "server/storage_engines_testing.hpp"
#include "server/token_box.hpp"
#include "support/digest.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;

const std::string kSignupSecret = std::string(60, 'a') + "1234";

Config testConfig() {
  Config config;
  config.publicBaseURL = "https://talewick.example.org";
  config.signupSecret = kSignupSecret;
  config.tokenKey = std::string(64, 'b');
  config.providers["asana"] = {"https://asana.example/authorize",
                               "https://asana.example/token",
                               "asana-client",
                               "asana-secret",
                               {"default"},
                               "",
                               ""};
  config.providers["google-calendar"].scopes = {"calendar.events"};
  return config;
}

// The routes of an Api on a loopback port of their own, for the life of the object.
class LoopbackServer {
 public:
  LoopbackServer(const Api& api, Log& log) {
    api.mount(server_);
    log.attach(server_);
    const int port = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port);
    // An answer proves the accept loop runs, after which stop() is heard.
    if (!client_->Get("/health")) ADD_FAILURE() << "the server does not answer";
  }
  ~LoopbackServer() { stop(); }

  httplib::Client& client() { return *client_; }

  // Returns once every request is answered and logged.
  void stop() {
    if (!thread_.joinable()) return;
    server_.stop();
    thread_.join();
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  std::unique_ptr<httplib::Client> client_;
};

struct Answer {
  int status = 0;
  json body;
};

Answer call(httplib::Client& client, const std::string& method, const std::string& path,
            httplib::Headers headers = {}, const std::string& body = "") {
  httplib::Result result = method == "GET"      ? client.Get(path, headers)
                           : method == "DELETE" ? client.Delete(path, headers)
                           : method == "PUT" ? client.Put(path, headers, body, "application/json")
                                             : client.Post(path, headers, body, "application/json");
  if (!result) {
    ADD_FAILURE() << method << " " << path << ": " << httplib::to_string(result.error());
    return {};
  }
  EXPECT_EQ(result->get_header_value("content-type"), "application/json") << path;
  return {result->status, json::parse(result->body, nullptr, false)};
}

void expectRefusal(const Answer& answer, int status) {
  EXPECT_EQ(answer.status, status) << answer.body;
  ASSERT_TRUE(answer.body.is_object()) << answer.body;
  EXPECT_TRUE(answer.body["error"].is_string()) << answer.body;
  EXPECT_FALSE(answer.body.value("error", "").empty());
}

class ApiTest : public ::testing::TestWithParam<testing::Engine> {
 protected:
  Answer call(const std::string& method, const std::string& path, httplib::Headers headers = {},
              const std::string& body = "") {
    return server::call(server_.client(), method, path, std::move(headers), body);
  }

  Answer authorized(const std::string& method, const std::string& path, const std::string& key,
                    const std::string& body = "") {
    return call(method, path, {{"authorization", "Bearer " + key}}, body);
  }

  struct Registration {
    std::string userId, apiKey;
  };
  Registration registerUser() {
    const Answer answer = call("POST", "/api/register", {{"x-signup-secret", kSignupSecret}});
    EXPECT_EQ(answer.status, 200) << answer.body;
    return {answer.body.value("userId", ""), answer.body.value("apiKey", "")};
  }

  talewick::testing::TempFolder folder_{"api"};
  Config config_ = testConfig();
  std::unique_ptr<Storage> storage_ =
      openStorage(*DatabaseLocation::parse(testing::newDatabaseUrl(GetParam(), folder_.path())));
  std::ostringstream logText_;
  Log log_{logText_};
  Api api_{config_, *storage_, log_};
  LoopbackServer server_{api_, log_};
};

TEST_P(ApiTest, answersHealthChecks) {
  const Answer answer = call("GET", "/health");
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, (json{{"status", "ok"}}));
}

TEST_P(ApiTest, registersDevicesHoldingTheSignupSecret) {
  const Registration first = registerUser();
  const Registration second = registerUser();
  EXPECT_TRUE(crypto::isHex(first.apiKey, 64, true)) << first.apiKey;
  EXPECT_FALSE(first.userId.empty());
  EXPECT_NE(first.userId, second.userId);
  EXPECT_NE(first.apiKey, second.apiKey);
  EXPECT_EQ(authorized("GET", "/api/asana/connections", first.apiKey).status, 200);

  // Only the key's hash is stored (in SQLite's case, looked for in the file and its journal).
  EXPECT_EQ(storage_->userWithKeyHash(crypto::hex(digest::sha256(first.apiKey))), first.userId);
  EXPECT_EQ(storage_->userWithKeyHash(first.apiKey), std::nullopt);
  if (GetParam() == testing::Engine::sqlite) {
    std::string stored;
    for (const char* file : {"talewick.db", "talewick.db-wal"}) stored += folder_.read(file);
    EXPECT_EQ(stored.find(first.apiKey), std::string::npos);
    EXPECT_NE(stored.find(crypto::hex(digest::sha256(first.apiKey))), std::string::npos);
  }
}

TEST_P(ApiTest, refusesRegistrationWithoutTheRightSecret) {
  std::string almost = kSignupSecret;
  almost.back() = '5';
  expectRefusal(call("POST", "/api/register"), 401);
  expectRefusal(call("POST", "/api/register", {{"x-signup-secret", almost}}), 401);
  expectRefusal(call("POST", "/api/register", {{"x-signup-secret", kSignupSecret + "0"}}), 401);
  expectRefusal(call("POST", "/api/register", {{"x-signup-secret", ""}}), 401);
  // A body, when there is one, must be JSON.
  expectRefusal(call("POST", "/api/register", {{"x-signup-secret", kSignupSecret}}, "{oops"), 400);
}

TEST_P(ApiTest, refusesCallsWithoutAKnownKey) {
  const Registration user = registerUser();
  const std::string path = "/api/todoist/connections";
  expectRefusal(call("GET", path), 401);
  expectRefusal(authorized("GET", path, crypto::randomHex(32)), 401);  // forged
  expectRefusal(authorized("GET", path, user.apiKey.substr(1)), 401);
  expectRefusal(call("GET", path, {{"authorization", "Basic " + user.apiKey}}), 401);
  expectRefusal(call("GET", path, {{"authorization", user.apiKey}}), 401);
  // The scheme's name is case-insensitive; the key is not.
  EXPECT_EQ(call("GET", path, {{"authorization", "bearer " + user.apiKey}}).status, 200);
  std::string upper = user.apiKey;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper != user.apiKey) expectRefusal(authorized("GET", path, upper), 401);
}

TEST_P(ApiTest, answersTheStatusRecordOfEachProvider) {
  const Registration user = registerUser();
  const auto missing = [](const std::string& segment) {
    return json::array({"providers." + segment + ".authorizationURL",
                        "providers." + segment + ".tokenURL", "providers." + segment + ".clientID",
                        "providers." + segment + ".clientSecret"});
  };
  const std::vector<std::pair<std::string, json>> expected = {
      {"asana",
       {{"connection", nullptr}, {"config", {{"configured", true}, {"missing", json::array()}}}}},
      {"google-calendar",
       {{"connection", nullptr},
        {"config",
         {{"configured", false},
          {"missing", missing("google-calendar")},
          {"scopes", {"calendar.events"}}}}}},
      {"linear", json::array()},
      {"microsoft",
       {{"connection", nullptr},
        {"config", {{"configured", false}, {"missing", missing("microsoft")}}}}},
      {"notion",
       {{"connection", nullptr},
        {"config",
         {{"configured", false},
          {"missing", missing("notion")},
          {"apiVersion", NOTION_API_VERSION}}}}},
      {"todoist",
       {{"connection", nullptr},
        {"config", {{"configured", false}, {"missing", missing("todoist")}}}}},
  };
  ASSERT_EQ(expected.size(), allProviders().size());
  for (const auto& [segment, record] : expected) {
    const Answer answer = authorized("GET", "/api/" + segment + "/connections", user.apiKey);
    EXPECT_EQ(answer.status, 200) << segment;
    EXPECT_EQ(answer.body, record) << segment;
  }
}

TEST_P(ApiTest, showsEachUserOnlyTheirOwnConnections) {
  const Registration ana = registerUser();
  const Registration bruno = registerUser();
  storage_->saveConnection(ana.userId, {"notion", "n1", {{"workspaceName", "Maison"}}, 0, ""});
  storage_->saveConnection(ana.userId,
                           {"linear", "w1", {{"name", "Atelier"}, {"selected", true}}, 60, ""});
  storage_->saveConnection(ana.userId, {"linear", "w2", json::object(), std::nullopt, ""});
  storage_->saveConnection(bruno.userId, {"linear", "w3", {{"name", "Forge"}}, 120, ""});

  EXPECT_EQ(
      authorized("GET", "/api/notion/connections", ana.apiKey).body["connection"],
      (json{{"id", "n1"}, {"workspaceName", "Maison"}, {"connectedAt", "1970-01-01T00:00:00Z"}}));
  EXPECT_EQ(authorized("GET", "/api/notion/connections", bruno.apiKey).body["connection"], nullptr);
  EXPECT_EQ(authorized("GET", "/api/linear/connections", ana.apiKey).body,
            (json{{{"id", "w1"},
                   {"name", "Atelier"},
                   {"selected", true},
                   {"connectedAt", "1970-01-01T00:01:00Z"}},
                  {{"id", "w2"}}}));
  EXPECT_EQ(authorized("GET", "/api/linear/connections", bruno.apiKey).body,
            (json{{{"id", "w3"}, {"name", "Forge"}, {"connectedAt", "1970-01-01T00:02:00Z"}}}));

  // Disconnecting forgets the caller's workspaces only.
  const Answer gone = authorized("DELETE", "/api/linear/connections", bruno.apiKey);
  EXPECT_EQ(gone.status, 200);
  EXPECT_EQ(gone.body, json::object());
  EXPECT_EQ(authorized("GET", "/api/linear/connections", bruno.apiKey).body, json::array());
  EXPECT_EQ(authorized("GET", "/api/linear/connections", ana.apiKey).body.size(), 2u);
}

TEST_P(ApiTest, startsOAuthForTheCallerOfAConfiguredProvider) {
  const Registration user = registerUser();
  const Answer answer = authorized("POST", "/api/asana/oauth/start", user.apiKey);
  ASSERT_EQ(answer.status, 200) << answer.body;
  const std::string url = answer.body.value("authorizationUrl", "");
  ASSERT_TRUE(url.starts_with("https://asana.example/authorize?")) << url;

  httplib::Params query;
  httplib::detail::parse_query_text(url.substr(url.find('?') + 1), query);
  ASSERT_EQ(query.count("state"), 1u);
  const std::optional<OAuthState> state = storage_->takeOAuthState(query.find("state")->second);
  ASSERT_TRUE(state.has_value());
  EXPECT_EQ(state->userId, user.userId);
  EXPECT_EQ(state->provider, "asana");
  EXPECT_EQ(query.find("code_challenge")->second,
            digest::base64URL(digest::sha256(state->codeVerifier)));
}

// The provider's redirect ends the round trip: the code and the PKCE verifier go to the token URL
// (here a stand-in on loopback), the account is connected, its tokens kept only sealed, and the
// browser sent on to the desktop program; a state serves once, and a refusal is passed on.
TEST_P(ApiTest, finishesOAuthAtTheProvidersRedirectAndKeepsTheTokensSealed) {
  httplib::Server provider;
  std::mutex mutex;
  std::vector<httplib::Params> exchanges;
  provider.Post("/oauth/token", [&](const httplib::Request& request, httplib::Response& response) {
    const std::lock_guard lock(mutex);
    exchanges.push_back(request.params);
    response.set_content(R"({"access_token":"tok-secret-1","refresh_token":"ref-2",)"
                         R"("expires_in":3600,"workspace_name":"Acme"})",
                         "application/json");
  });
  const int port = provider.bind_to_any_port("127.0.0.1");
  std::thread providerThread([&] { provider.listen_after_bind(); });
  config_.providers["asana"].tokenURL = "http://127.0.0.1:" + std::to_string(port) + "/oauth/token";

  const Registration user = registerUser();
  const Answer started = authorized("POST", "/api/asana/oauth/start", user.apiKey);
  const std::string url = started.body.value("authorizationUrl", "");
  std::smatch state, challenge;
  ASSERT_TRUE(std::regex_search(url, state, std::regex("[?&]state=([^&]+)"))) << url;
  ASSERT_TRUE(std::regex_search(url, challenge, std::regex("code_challenge=([^&]+)"))) << url;

  const auto redirect = [&](const std::string& query) {
    httplib::Result result = server_.client().Get("/api/asana/oauth/callback?" + query);
    EXPECT_TRUE(result);
    if (!result) return std::string();
    EXPECT_EQ(result->status, 302);
    EXPECT_EQ(result->body.find("<script"), std::string::npos);
    return result->get_header_value("Location");
  };
  EXPECT_EQ(redirect("code=c0de&state=" + state[1].str()),
            "talewick://asana/backend/callback?connected=1");
  {
    const std::lock_guard lock(mutex);
    ASSERT_EQ(exchanges.size(), 1u);
    const httplib::Params& sent = exchanges[0];
    const auto value = [&](const std::string& key) {
      const auto it = sent.find(key);
      return it == sent.end() ? std::string("<absent>") : it->second;
    };
    EXPECT_EQ(value("grant_type"), "authorization_code");
    EXPECT_EQ(value("code"), "c0de");
    EXPECT_EQ(value("client_id"), "asana-client");
    EXPECT_EQ(value("redirect_uri"), "https://talewick.example.org/api/asana/oauth/callback");
    EXPECT_EQ(digest::pkceChallenge(value("code_verifier")), challenge[1].str());
  }
  const Answer status = authorized("GET", "/api/asana/connections", user.apiKey);
  EXPECT_EQ(status.body["connection"].value("name", ""), "Acme") << status.body;
  EXPECT_EQ(status.body.dump().find("tok-secret"), std::string::npos);
  const std::vector<ProviderConnection> kept = storage_->connections(user.userId, "asana");
  ASSERT_EQ(kept.size(), 1u);
  const json tokens = json::parse(tokens::open(config_.tokenKey, kept[0].sealedTokens).value());
  EXPECT_EQ(tokens["accessToken"], "tok-secret-1");
  EXPECT_EQ(tokens["refreshToken"], "ref-2");
  for (const char* file : {"talewick.db", "talewick.db-wal"}) {
    EXPECT_EQ(folder_.read(file).find("tok-secret-1"), std::string::npos) << file;
  }

  // The same state again, a state never given, the provider's refusal (its text escaped). The
  // client reads the Location header decoded.
  EXPECT_EQ(
      redirect("code=c0de&state=" + state[1].str()),
      "talewick://asana/backend/callback?error=Autorisation Asana inconnue ou déjà utilisée.");
  EXPECT_NE(redirect("code=x&state=forged").find("?error="), std::string::npos);
  httplib::Result refused = server_.client().Get(
      "/api/asana/oauth/callback?error=access_denied&error_description=%3Cb%3Enon%3C%2Fb%3E");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->body.find("<b>"), std::string::npos) << refused->body;
  EXPECT_NE(refused->get_header_value("Location").find("error="), std::string::npos);
  {
    const std::lock_guard lock(mutex);
    EXPECT_EQ(exchanges.size(), 1u);
  }
  provider.stop();
  providerThread.join();
}

TEST_P(ApiTest, namesWhatAnUnconfiguredProviderLacks) {
  const Registration user = registerUser();
  const Answer answer = authorized("POST", "/api/microsoft/oauth/start", user.apiKey);
  expectRefusal(answer, 409);
  const std::string message = answer.body.value("error", "");
  for (const char* setting :
       {"providers.microsoft.authorizationURL", "providers.microsoft.tokenURL",
        "providers.microsoft.clientID", "providers.microsoft.clientSecret"}) {
    EXPECT_NE(message.find(setting), std::string::npos) << message;
  }
  EXPECT_NE(message.find("Microsoft"), std::string::npos) << message;
}

TEST_P(ApiTest, refusesWhatItCannotServeWithAnErrorBody) {
  const Registration user = registerUser();
  expectRefusal(authorized("GET", "/api/github/connections", user.apiKey), 404);
  expectRefusal(authorized("POST", "/api/github/oauth/start", user.apiKey), 404);
  expectRefusal(authorized("GET", "/api/asana/nowhere", user.apiKey), 404);
  expectRefusal(authorized("PUT", "/api/asana/connections", user.apiKey, "{}"), 404);
  // Without a key, nothing under /api/ tells whether it exists.
  expectRefusal(call("GET", "/api/asana/nowhere"), 401);
  expectRefusal(call("GET", "/nowhere"), 404);

  expectRefusal(authorized("POST", "/api/asana/oauth/start", user.apiKey, "{\"a\": "), 400);
  expectRefusal(authorized("POST", "/api/asana/oauth/start", user.apiKey,
                           std::string(MAX_BODY_BYTES + 1, ' ')),
                413);
  // The limit itself is allowed.
  const std::string largest = "\"" + std::string(MAX_BODY_BYTES - 2, 'x') + "\"";
  EXPECT_EQ(authorized("POST", "/api/asana/oauth/start", user.apiKey, largest).status, 200);
}

TEST_P(ApiTest, logsEveryRequestWithoutItsSecrets) {
  const Registration user = registerUser();
  authorized("GET", "/api/asana/connections", user.apiKey);
  authorized("POST", "/api/asana/oauth/start", user.apiKey);
  call("GET", "/api/asana/connections", {{"authorization", "Bearer " + crypto::randomHex(32)}});
  server_.stop();

  const std::string text = logText_.str();
  EXPECT_EQ(text.find(kSignupSecret), std::string::npos);
  EXPECT_EQ(text.find(user.apiKey), std::string::npos);
  EXPECT_EQ(text.find("asana-secret"), std::string::npos);
  std::vector<json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(json::parse(line, nullptr, false));
    ASSERT_TRUE(lines.back().is_object()) << line;
  }
  // The fixture's health check, then the test's four calls, each logged once answered (so not
  // necessarily in the order they were sent).
  std::multiset<std::tuple<std::string, std::string, int>> seen;
  for (const json& line : lines) {
    seen.emplace(line.value("method", ""), line.value("path", ""), line.value("status", 0));
    EXPECT_EQ(line.value("level", ""), "info");
    EXPECT_EQ(line.value("message", ""), "request");
    EXPECT_TRUE(line["duration"].is_number()) << line;
    EXPECT_TRUE(line["time"].is_string()) << line;
  }
  EXPECT_EQ(seen, (std::multiset<std::tuple<std::string, std::string, int>>{
                      {"GET", "/health", 200},
                      {"POST", "/api/register", 200},
                      {"GET", "/api/asana/connections", 200},
                      {"POST", "/api/asana/oauth/start", 200},
                      {"GET", "/api/asana/connections", 401}}));
}

// A storage whose every call fails, like a database on a full disk.
class FailingStorage final : public Storage {
 public:
  void addUser(const std::string&, const std::string&, std::int64_t) override { fail(); }
  std::optional<std::string> userWithKeyHash(const std::string&) override { fail(); }
  std::vector<ProviderConnection> connections(const std::string&, const std::string&) override {
    fail();
  }
  void saveConnection(const std::string&, const ProviderConnection&) override { fail(); }
  void removeConnections(const std::string&, const std::string&) override { fail(); }
  void saveOAuthState(const OAuthState&) override { fail(); }
  std::optional<OAuthState> takeOAuthState(const std::string&) override { fail(); }
  void addOpening(const Opening&) override { fail(); }
  std::optional<Opening> opening(const std::string&) override { fail(); }
  std::optional<Opening> openingWithPublicId(const std::string&) override { fail(); }
  bool addBooking(const Booking&) override { fail(); }
  std::vector<Booking> bookings(const std::string&) override { fail(); }
  BookingChange setBookingStatus(const std::string&, const std::string&,
                                 const std::string&) override {
    fail();
  }
  bool saveInvitation(const Invitation&) override { fail(); }
  std::optional<Invitation> invitation(const std::string&) override { fail(); }
  std::optional<Invitation> invitationWithToken(const std::string&) override { fail(); }
  bool saveAnswer(const std::string&, const std::string&, const std::string&, std::int64_t,
                  const std::optional<std::string>&) override {
    fail();
  }
  void inSqlTransaction(const std::function<void(SqlSession&)>&) override { fail(); }

 private:
  [[noreturn]] static void fail() { throw StorageError("database or disk is full"); }
};

INSTANTIATE_TEST_SUITE_P(Engines, ApiTest, testing::kEngines, testing::engineName);

TEST(ApiFailures, answer500WithoutTheirCauseWhichGoesToTheLog) {
  const Config config = testConfig();
  FailingStorage storage;
  std::ostringstream logText;
  Log log(logText);
  const Api api(config, storage, log);
  LoopbackServer server(api, log);

  const Answer registration =
      call(server.client(), "POST", "/api/register", {{"x-signup-secret", kSignupSecret}});
  const Answer status = call(server.client(), "GET", "/api/asana/connections",
                             {{"authorization", "Bearer " + crypto::randomHex(32)}});
  server.stop();
  for (const Answer& answer : {registration, status}) {
    expectRefusal(answer, 500);
    EXPECT_EQ(answer.body.dump().find("disk"), std::string::npos) << answer.body;
  }
  const std::string text = logText.str();
  EXPECT_NE(text.find("\"error\":\"database or disk is full\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"status\":500"), std::string::npos) << text;
}

}  // namespace
}  // namespace talewick::server
