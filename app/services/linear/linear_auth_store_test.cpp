// The Linear store against loopback stand-ins: Linear's GraphQL endpoint for the direct modes
// (documents, variables and the key checked; cursor pages; an errors envelope that keeps the
// last issues), the backend for its mode, and the choice of the mode.
#include "services/linear/linear_auth_store.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/curl_http_client.hpp"
#include "platform/linux_files.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::linear {
namespace {

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

// Linear's endpoint: the viewer "me" in the team "t1", whose open issues come in three pages.
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
    if (refuse)
      return {{"data", {{"viewer", nullptr}}}, {"errors", {{{"message", "Rate limited"}}}}};
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

struct Session {
  LinearAuthStore open(const std::filesystem::path& file) {
    return LinearAuthStore(
        preferences, secrets, http, linuxFiles(), file, [this]() -> auto& { return connection; },
        loop, said);
  }
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  CurlHttpClient http;
  RunLoop loop;
  backend::BackendConnection connection{preferences, secrets, http, loop};
  std::ostringstream said;
};

TEST(LinearAuthStore, readsTheViewersIssuesDirectlyOverPagesAndKeepsThemThroughFailures) {
  testing::TempFolder home("linear");
  LinearEndpoint linear;
  Session session;
  session.preferences.values[LinearAuthStore::ENDPOINT_KEY] = linear.url();
  const auto file = home / LinearAuthStore::FILE_NAME;
  {
    LinearAuthStore store = session.open(file);
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
  LinearAuthStore store = session.open(file);
  std::vector<std::string> open;
  for (const Linear::Issue& each : store.openIssues()) open.push_back(each.identifier);
  EXPECT_EQ(open, (std::vector<std::string>{"ENG-1", "ENG-4"}));

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
  EXPECT_EQ(session.open(file).suppressed(), std::set<std::string>{"1"});
}

TEST(LinearAuthStore, choosesItsModeAndReadsTheBackendsWorkspace) {
  testing::TempFolder home("linear-modes");
  testing::FakeBackend backend;
  Session session;
  LinearAuthStore store = session.open(home / LinearAuthStore::FILE_NAME);
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

}  // namespace
}  // namespace talewick::linear
