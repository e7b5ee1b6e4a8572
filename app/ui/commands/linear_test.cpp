// Linear on the command line: through the backend, the issues listed with their mode, one issue
// brought both by the pipeline and by Linear's own route being one ticket of the kingdom, an
// issue completed once with the hero paid once, a comment and the workspace; directly, the
// program's own OAuth from `linear login` to the browser's return through `handle-url`.
#include <gtest/gtest.h>

#include <fstream>

#include "pipeline/integration_wire.hpp"
#include "services/backend/oauth_callback.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

Json issue(const std::string& id, const std::string& title) {
  return {{"id", id},
          {"identifier", "ENG-" + id},
          {"title", title},
          {"priority", 3},
          {"assignee", {{"id", "me"}}},
          {"state", {{"id", "s-todo"}, {"name", "Todo"}, {"type", "unstarted"}}},
          {"team",
           {{"id", "t1"},
            {"name", "Eng"},
            {"states",
             {{"nodes",
               {{{"id", "s-todo"}, {"name", "Todo"}, {"type", "unstarted"}},
                {{"id", "s-done"}, {"name", "Done"}, {"type", "completed"}}}}}}}}};
}

class LinearCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    // No browser may open during a test: xdg-open is nowhere on this PATH.
    const char* path = std::getenv("PATH");
    savedPath = path ? path : "";
    ::setenv("PATH", (home / "no-programs").c_str(), 1);
    fake.answer("POST", "/api/register", {200, R"({"userId":"u1","apiKey":"la-cle"})"});
    ASSERT_EQ(testing::runCli({"backend", fake.url(), "--secret", std::string(64, 'a')}).status, 0);
    // The backend's OAuth round trip came back: Linear is read through it.
    fake.answer("GET", "/api/linear/connections",
                {200, R"([{"id":"w1","name":"Atelier","selected":true}])"});
    const testing::CliResult back =
        testing::runCli({"handle-url", "talewick://linear/backend/callback?connected=1"});
    ASSERT_EQ(back.status, 0) << back.err;
  }
  void TearDown() override {
    ::setenv("PATH", savedPath.c_str(), 1);
    testing::forgetCommandHome();
  }

  std::vector<std::string> tickets() {
    std::vector<std::string> ids;
    const Json kingdom = testing::runCliJson({"kingdom"});
    for (const Json& item : kingdom["realms"]["tickets"]) ids.push_back(item["id"]);
    return ids;
  }

  testing::TempFolder home{"linear-command"};
  testing::FakeBackend fake;
  std::string savedPath;
};

TEST_F(LinearCommands, AnIssueIsOneTicketOfTheKingdomAndIsCompletedOnce) {
  // The pipeline brings L1; Linear's own route brings L1 and L2.
  IntegrationWire::Item piped;
  piped.id = "linear:L1";
  piped.provider = "linear";
  piped.providerItemId = "L1";
  piped.kind = "task";
  piped.title = "Corriger la connexion";
  piped.status = "open";
  piped.sourceLabel = "Linear";
  piped.rpg = {"tickets", "scroll", "medium", 25, 12};
  IntegrationWire::Response response;
  response.items = {piped};
  response.syncedAt = decodeJsonText<Date>(R"("2026-12-09T08:00:00Z")");
  fake.answer("GET", "/api/integrations/pipeline",
              {200, IntegrationWire::encodeResponse(response)});
  fake.answer(
      "GET", "/api/linear/issues",
      {200,
       Json{{"viewerName", "Ada"},
            {"issues", {issue("L1", "Corriger la connexion"), issue("L2", "Relire la PR\x1b[31m")}},
            {"workspaceName", "Atelier"}}
           .dump()});
  fake.answer("GET", "/api/linear/issues/L2", {200, issue("L2", "Relire la PR").dump()});
  Json updated = issue("L2", "Relire la PR");
  updated["state"] = {{"id", "s-done"}, {"name", "Done"}, {"type", "completed"}};
  fake.answer("PATCH", "/api/linear/issues/L2", {200, updated.dump()});

  ASSERT_EQ(testing::runCli({"pipeline"}).status, 0);
  const testing::CliResult listed = testing::runCli({"linear"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("2 tâches Linear ouvertes dans Atelier"), std::string::npos)
      << listed.out;
  EXPECT_NE(listed.out.find("ENG-L2 Relire la PR"), std::string::npos) << listed.out;
  EXPECT_EQ(listed.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(testing::runCliJson({"linear"})["mode"], "backend");
  EXPECT_EQ(tickets(), (std::vector<std::string>{"linear:L1", "linear:L2"}));

  const int64_t before = testing::runCliJson({"hero"})["hero"]["totalXp"].get<int64_t>();
  const testing::CliResult done = testing::runCli({"linear", "done", "ENG-L2"});
  ASSERT_EQ(done.status, 0) << done.err;
  EXPECT_NE(done.out.find("— Relire la PR"), std::string::npos) << done.out;
  const Json patch = Json::parse(fake.received().back().body);
  EXPECT_EQ(patch["input"], (Json{{"stateId", "s-done"}}));
  const int64_t paid = testing::runCliJson({"hero"})["hero"]["totalXp"].get<int64_t>();
  EXPECT_GT(paid, before);

  // Linear still lists it for a while: done here, neither sent nor paid again.
  const testing::CliResult again = testing::runCli({"linear", "done", "L2"});
  EXPECT_NE(again.out.find("Déjà fait"), std::string::npos) << again.out;
  EXPECT_EQ(fake.count("PATCH", "/api/linear/issues/L2"), 1);
  EXPECT_EQ(testing::runCliJson({"hero"})["hero"]["totalXp"].get<int64_t>(), paid);
  EXPECT_EQ(tickets(), std::vector<std::string>{"linear:L1"});

  // The workspace picked is the one read and written from then on; a comment goes as typed.
  ASSERT_EQ(testing::runCli({"linear", "workspace", "w2"}).status, 0);
  ASSERT_EQ(testing::runCli({"linear"}).status, 0);
  EXPECT_EQ(fake.received().back().query.at("workspaceId"), "w2");
  fake.answer("POST", "/api/linear/issues/L1/comments", {200, R"({"success":true})"});
  const testing::CliResult commented =
      testing::runCli({"linear", "comment", "L1", "Vu,", "je m'en occupe"});
  ASSERT_EQ(commented.status, 0) << commented.err;
  EXPECT_NE(commented.out.find("Commentaire ajouté sur L1"), std::string::npos);
  EXPECT_EQ(Json::parse(fake.received().back().body),
            (Json{{"body", "Vu, je m'en occupe"}, {"workspaceId", "w2"}}));
  const testing::CliResult refused = testing::runCli({"linear", "comment", "L9", "Vu"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Backend Linear : "), std::string::npos) << refused.err;

  // Ids that could change an address, an empty comment, a key as an argument: refused unsent.
  const int sent = int(fake.received().size());
  for (const std::vector<std::string>& args : {std::vector<std::string>{"linear", "done", "../x"},
                                               {"linear", "comment", "L1", "  "},
                                               {"linear", "comment", "L1?x=1", "Vu"},
                                               {"linear", "workspace", "w/../x"},
                                               {"linear", "key", "lin_api_x"}}) {
    EXPECT_EQ(testing::runCli(args).status, 2) << args[1];
  }
  EXPECT_EQ(int(fake.received().size()), sent);
}

TEST_F(LinearCommands, LogsInWithItsOwnOAuthThroughTheBrowsersReturn) {
  const testing::CliResult unset = testing::runCli({"linear", "login"});
  EXPECT_EQ(unset.status, 1);
  EXPECT_NE(unset.err.find("linear.oauth.clientId"), std::string::npos) << unset.err;

  Json preferences = Json::parse(std::ifstream(home / "defaults.json"));
  preferences["linear.oauth.clientId"] = "client-1";
  preferences["linear.oauth.clientSecret"] = "secret-1";
  preferences["linear.oauth.tokenEndpoint"] = fake.url() + "/oauth/token";
  preferences["linear.graphql.endpoint"] = fake.url() + "/graphql";
  std::ofstream(home / "defaults.json") << preferences.dump();
  const testing::CliResult login = testing::runCli({"linear", "login"});
  ASSERT_EQ(login.status, 0) << login.err;
  EXPECT_NE(login.err.find("xdg-open"), std::string::npos);  // printed, as no browser opened
  const std::string url = login.out.substr(0, login.out.find('\n'));
  const std::string state = backend::queryItem(url.substr(url.find('?') + 1), "state").value_or("");
  ASSERT_FALSE(state.empty()) << login.out;

  fake.answer("POST", "/oauth/token", {200, R"({"access_token":"jeton-1"})"});
  fake.answer("POST", "/graphql", {200, R"({"data":{"viewer":{"id":"me","name":"Ada",
                        "organization":{"teams":{"nodes":[]}}}}})"});
  const std::string callback = "talewick://linear/oauth/callback?code=c1&state=";
  const testing::CliResult forged = testing::runCli({"handle-url", callback + "autre"});
  EXPECT_EQ(forged.status, 1);
  EXPECT_NE(forged.err.find("OAuth Linear refusé"), std::string::npos) << forged.err;
  const testing::CliResult back = testing::runCli({"handle-url", callback + state});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_NE(back.out.find("Linear connecté en OAuth.\nAucune tâche Linear ouverte."),
            std::string::npos)
      << back.out;
  EXPECT_EQ(fake.received().back().headers.at("authorization"), "Bearer jeton-1");
  EXPECT_EQ(testing::runCliJson({"linear"})["mode"], "oauth");
}

}  // namespace
}  // namespace talewick::ui
