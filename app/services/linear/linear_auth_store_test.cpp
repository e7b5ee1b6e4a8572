// The Linear store against loopback stand-ins: Linear's GraphQL endpoint for the direct modes
// (documents, variables and the key checked; cursor pages; an errors envelope that keeps the
// last issues), Linear's token endpoint for the program's own OAuth, the backend for its mode,
// and the choice of the mode.
#include "services/linear/linear_auth_store.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/linux_files.hpp"
#include "services/backend/oauth_callback.hpp"
#include "support/digest.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/service_session.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::linear {
namespace {

using testing::ServiceSession;

Json issue(const std::string& id, const std::string& assignee, const std::string& stateName,
           const std::string& stateType) {
  return {{"id", id},
          {"identifier", "ENG-" + id},
          {"title", "Ticket " + id},
          {"priority", 2},
          {"dueDate", "2026-12-10"},
          {"assignee", {{"id", assignee}}},
          {"state", {{"id", "s-" + id}, {"name", stateName}, {"type", stateType}}},
          {"team", {{"id", "t1"}, {"name", "Eng"}}}};
}

// Linear's endpoint: the viewer "me" in the team "t1", whose open issues come in three pages;
// `refuse` makes it answer an errors envelope (how such envelopes decode is the GraphQL client's
// test: here only that the store shows the decoder's message).
class LinearEndpoint {
 public:
  LinearEndpoint() {
    server_.Post("/graphql", [this](const httplib::Request& request, httplib::Response& res) {
      const Json body = Json::parse(request.body);
      {
        const std::lock_guard lock(mutex_);
        received_.push_back(body);
        authorizations_.push_back(request.get_header_value("authorization"));
      }
      res.set_content(answer(body).dump(), "application/json");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~LinearEndpoint() {
    server_.stop();
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/graphql"; }
  std::vector<Json> received() const {
    const std::lock_guard lock(mutex_);
    return received_;
  }
  std::vector<std::string> authorizations() const {
    const std::lock_guard lock(mutex_);
    return authorizations_;
  }
  std::atomic<bool> refuse{false};

 private:
  Json answer(const Json& body) const {
    if (refuse) return {{"errors", {{{"message", "Rate limited"}}}}};
    const std::string query = body["query"];
    const Json& variables = body["variables"];
    if (query.starts_with("query TalewickLinearIssueTeams")) {
      return {
          {"data",
           {{"viewer",
             {{"id", "me"},
              {"name", "Ada"},
              {"organization", {{"teams", {{"nodes", {{{"id", "t1"}, {"name", "Eng"}}}}}}}}}}}}};
    }
    if (query.starts_with("query TalewickLinearTeamOpenIssues")) {
      const Json after = variables["after"];
      const int page = after.is_null() ? 1 : after == "p1" ? 2 : 3;
      Json nodes = Json::array();
      if (page == 1)
        nodes = {issue("1", "me", "Todo", "unstarted"), issue("2", "lea", "Todo", "unstarted")};
      if (page == 2) nodes = {issue("3", "me", "Livré", "started")};
      if (page == 3) nodes = {issue("4", "me", "En cours", "started")};
      return {{"data",
               {{"team",
                 {{"issues",
                   {{"nodes", nodes},
                    {"pageInfo",
                     {{"hasNextPage", page < 3}, {"endCursor", "p" + std::to_string(page)}}}}}}}}}};
    }
    Json full = issue(variables.value("id", ""), "me", "Todo", "unstarted");
    full["team"]["states"] = {
        {"nodes",
         {{{"id", "s-done"}, {"name", "Done"}, {"type", "completed"}, {"position", 2}},
          {{"id", "s-todo"}, {"name", "Todo"}, {"type", "unstarted"}, {"position", 0}}}}};
    if (query.starts_with("query TalewickLinearIssueDetail")) return {{"data", {{"issue", full}}}};
    full["state"] = {{"id", "s-done"}, {"name", "Done"}, {"type", "completed"}};
    return {{"data", {{"issueUpdate", {{"success", true}, {"issue", full}}}}}};
  }

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Json> received_;
  std::vector<std::string> authorizations_;
};

LinearAuthStore open(ServiceSession& session, const std::filesystem::path& file) {
  return LinearAuthStore(session.preferences, session.secrets, session.http, linuxFiles(), file,
                         session.backend(), session.loop, session.said);
}

TEST(LinearAuthStore, readsTheViewersIssuesDirectlyOverPagesAndKeepsThemThroughFailures) {
  testing::TempFolder home("linear");
  LinearEndpoint linear;
  ServiceSession session;
  session.preferences.values[LinearAuthStore::ENDPOINT_KEY] = linear.url();
  const auto file = home / LinearAuthStore::FILE_NAME;
  {
    LinearAuthStore store = open(session, file);
    EXPECT_EQ(store.mode(), LinearMode::none);
    store.setPersonalKey("lin_api_cle");
    EXPECT_EQ(store.mode(), LinearMode::personalAPIKey);
    store.refresh(false, {});
    session.loop.settle();
    EXPECT_EQ(store.statusLine(), "2 tâches Linear ouvertes.");
  }
  const std::vector<Json> sent = linear.received();
  ASSERT_EQ(sent.size(), 4u);  // the teams, then three pages
  EXPECT_EQ(sent[0]["variables"], (Json{{"teamFirst", 10}}));
  EXPECT_EQ(sent[1]["variables"], (Json{{"teamID", "t1"}, {"issueFirst", 50}, {"after", nullptr}}));
  EXPECT_EQ(sent[2]["variables"]["after"], "p1");
  EXPECT_EQ(sent[3]["variables"]["after"], "p2");
  // A personal key is sent as it is.
  for (const std::string& authorization : linear.authorizations()) {
    EXPECT_EQ(authorization, "lin_api_cle");
  }

  // The next command reads the issues from the data folder; "Livré" is done whatever its type.
  LinearAuthStore store = open(session, file);
  std::vector<std::string> listed;
  for (const Linear::Issue& each : store.openIssues()) listed.push_back(each.identifier);
  EXPECT_EQ(listed, (std::vector<std::string>{"ENG-1", "ENG-4"}));

  LinearAuthStore elsewhere = open(session, file);  // another process's, as the daemon's
  linear.refuse = true;
  store.refresh(true, {});
  session.loop.settle();
  EXPECT_EQ(store.statusLine(), "Linear : Rate limited");
  EXPECT_TRUE(store.failed());
  EXPECT_EQ(store.openIssues().size(), 2u);

  linear.refuse = false;
  std::optional<Linear::Issue> completed;
  store.complete("1", [&](std::optional<Linear::Issue> issue) { completed = issue; });
  session.loop.settle();
  ASSERT_TRUE(completed) << store.statusLine();
  EXPECT_EQ(linear.received().back()["variables"], (Json{{"id", "1"}, {"stateID", "s-done"}}));
  EXPECT_EQ(store.openIssues().size(), 1u);
  EXPECT_EQ(open(session, file).suppressed(), std::set<std::string>{"1"});
  EXPECT_TRUE(elsewhere.reload());
  EXPECT_EQ(elsewhere.suppressed(), std::set<std::string>{"1"});
  EXPECT_FALSE(elsewhere.reload());
}

TEST(LinearAuthStore, choosesItsModeAndReadsTheBackendsWorkspace) {
  testing::TempFolder home("linear-modes");
  testing::FakeBackend backend;
  ServiceSession session;
  LinearAuthStore store = open(session, home / LinearAuthStore::FILE_NAME);
  const struct {
    std::optional<Json> mode, connected;
    LinearMode expected;
  } cases[] = {{std::nullopt, std::nullopt, LinearMode::none},
               {std::nullopt, Json(false), LinearMode::none},
               {std::nullopt, Json(true), LinearMode::backend},
               {Json("oauth"), Json(true), LinearMode::oauth},
               {Json("personalAPIKey"), std::nullopt, LinearMode::personalAPIKey},
               {Json("autre"), Json(true), LinearMode::backend}};
  for (const auto& each : cases) {
    session.preferences.values.erase(LinearAuthStore::MODE_KEY);
    session.preferences.values.erase(LinearAuthStore::BACKEND_CONNECTED_KEY);
    if (each.mode) session.preferences.values[LinearAuthStore::MODE_KEY] = *each.mode;
    if (each.connected) {
      session.preferences.values[LinearAuthStore::BACKEND_CONNECTED_KEY] = *each.connected;
    }
    EXPECT_EQ(store.mode(), each.expected);
  }
  // OAuth without its token says how to get one, without a call.
  session.preferences.values[LinearAuthStore::MODE_KEY] = "oauth";
  store.refresh(false, {});
  session.loop.settle();
  EXPECT_EQ(store.statusLine(),
            "Linear : aucun jeton OAuth « linear.oauth.token » dans le trousseau.");

  session.preferences.values.erase(LinearAuthStore::MODE_KEY);
  session.preferences.values[backend::BackendConnection::BASE_URL_KEY] = backend.url();
  session.secrets.items[backend::BackendConnection::API_KEY_ITEM] = "la-cle";
  store.selectWorkspace("w2");
  backend.answer("GET", "/api/linear/issues",
                 {200, Json{{"viewerName", "Ada"},
                            {"issues", {issue("9", "me", "Todo", "unstarted")}},
                            {"workspaceID", "w2"},
                            {"workspaceName", "Atelier"}}
                           .dump()});
  store.refresh(true, {});
  session.loop.settle();
  EXPECT_EQ(store.statusLine(), "1 tâches Linear ouvertes dans Atelier");
  EXPECT_EQ(backend.received().back().query.at("workspaceId"), "w2");
  EXPECT_EQ(backend.received().back().query.at("force"), "1");
}

// The program's own OAuth: the login keeps a state and a verifier whose S256 is the challenge it
// sends; a return that answers no login of this program, a refusal and a token answer without a
// token leave everything as it was; the right one keeps the token, switches the mode and reads
// the issues with it.
TEST(LinearAuthStore, connectsWithItsOwnOAuthOnlyThroughTheRoundTripItStarted) {
  testing::TempFolder home("linear-oauth");
  LinearEndpoint linear;
  testing::FakeBackend tokens;  // Linear's token endpoint
  ServiceSession session;
  std::map<std::string, Json>& preferences = session.preferences.values;
  std::map<std::string, std::string>& secrets = session.secrets.items;
  preferences[LinearAuthStore::ENDPOINT_KEY] = linear.url();
  preferences[LinearAuthStore::TOKEN_ENDPOINT_KEY] = tokens.url() + "/oauth/token";
  LinearAuthStore store = open(session, home / LinearAuthStore::FILE_NAME);

  // Without the deployment's client nothing starts, and the line says which preferences to set.
  EXPECT_FALSE(store.beginOAuth());
  EXPECT_NE(store.statusLine().find(LinearAuthStore::CLIENT_SECRET_KEY), std::string::npos);
  EXPECT_FALSE(secrets.contains(LinearAuthStore::PENDING_STATE_ITEM));

  preferences[LinearAuthStore::CLIENT_ID_KEY] = "client-1";
  preferences[LinearAuthStore::CLIENT_SECRET_KEY] = "secret-1";
  const std::optional<std::string> url = store.beginOAuth();
  ASSERT_TRUE(url) << store.statusLine();
  ASSERT_TRUE(url->starts_with("https://linear.app/oauth/authorize?")) << *url;
  const std::string asked = url->substr(url->find('?') + 1);
  const auto item = [](const std::string& query, const char* name) {
    return backend::queryItem(query, name).value_or("");
  };
  const std::string state = secrets.at(LinearAuthStore::PENDING_STATE_ITEM);
  const std::string verifier = secrets.at(LinearAuthStore::PENDING_VERIFIER_ITEM);
  EXPECT_GE(verifier.size(), 43u);
  EXPECT_EQ(item(asked, "state"), state);
  EXPECT_EQ(item(asked, "code_challenge"), digest::pkceChallenge(verifier));
  EXPECT_EQ(item(asked, "code_challenge_method"), "S256");
  EXPECT_EQ(item(asked, "client_id"), "client-1");
  EXPECT_EQ(item(asked, "redirect_uri"), LinearAuthStore::OAUTH_REDIRECT);

  const auto callback = [&](const std::string& query) {
    std::optional<bool> connected;
    store.handleOAuthCallback(std::string(LinearAuthStore::OAUTH_REDIRECT) + "?" + query,
                              [&connected](bool ok) { connected = ok; });
    session.loop.settle();
    return connected;
  };
  tokens.answer("POST", "/oauth/token", {200, "<html>"});
  const struct {
    std::string query;
    const char* why;
  } refused[] = {
      {"code=c1&state=autre", "état différent"},
      {"code=c1", "état différent"},
      {"error=access_denied&error_description=Refus%C3%A9&state=" + state, "Refusé"},
      {"state=" + state, "aucun code"},
      {"code=c1&state=" + state, "sans jeton lisible"},  // the token endpoint's garbage
  };
  for (const auto& each : refused) {
    EXPECT_EQ(callback(each.query), false) << each.query;
    EXPECT_TRUE(store.statusLine().starts_with("OAuth Linear refusé : ")) << store.statusLine();
    EXPECT_NE(store.statusLine().find(each.why), std::string::npos) << store.statusLine();
    EXPECT_FALSE(secrets.contains(LinearAuthStore::OAUTH_TOKEN_ITEM));
    EXPECT_EQ(store.mode(), LinearMode::none);
    EXPECT_EQ(secrets.at(LinearAuthStore::PENDING_STATE_ITEM), state);
  }
  EXPECT_EQ(tokens.count("POST", "/oauth/token"), 1);  // only the last one was exchanged

  tokens.answer("POST", "/oauth/token", {200, R"({"access_token":"jeton-1"})"});
  ASSERT_EQ(callback("code=c2&state=" + state), true) << store.statusLine();
  const testing::FakeBackend::Received exchange = tokens.received().back();
  EXPECT_EQ(exchange.headers.at("content-type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(item(exchange.body, "grant_type"), "authorization_code");
  EXPECT_EQ(item(exchange.body, "code"), "c2");
  EXPECT_EQ(item(exchange.body, "redirect_uri"), LinearAuthStore::OAUTH_REDIRECT);
  EXPECT_EQ(item(exchange.body, "client_id"), "client-1");
  EXPECT_EQ(item(exchange.body, "client_secret"), "secret-1");
  EXPECT_EQ(digest::pkceChallenge(item(exchange.body, "code_verifier")),
            item(asked, "code_challenge"));
  EXPECT_EQ(secrets.at(LinearAuthStore::OAUTH_TOKEN_ITEM), "jeton-1");
  EXPECT_EQ(store.mode(), LinearMode::oauth);
  EXPECT_FALSE(secrets.contains(LinearAuthStore::PENDING_STATE_ITEM));
  EXPECT_FALSE(secrets.contains(LinearAuthStore::PENDING_VERIFIER_ITEM));
  // The forced refresh read the issues with the new token.
  EXPECT_EQ(store.statusLine(), "2 tâches Linear ouvertes.");
  EXPECT_EQ(linear.authorizations().back(), "Bearer jeton-1");
  // The same return again is refused: its state was spent.
  EXPECT_EQ(callback("code=c2&state=" + state), false);
  EXPECT_EQ(tokens.count("POST", "/oauth/token"), 2);
}

}  // namespace
}  // namespace talewick::linear
