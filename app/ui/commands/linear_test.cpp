// Linear on the command line through the backend: the issues listed with their mode, one issue
// brought both by the pipeline and by Linear's own route being one ticket of the kingdom, and an
// issue completed once with the hero paid once.
#include <gtest/gtest.h>

#include "pipeline/integration_wire.hpp"
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
    fake.answer("POST", "/api/register", {200, R"({"userId":"u1","apiKey":"la-cle"})"});
    ASSERT_EQ(testing::runCli({"backend", fake.url(), "--secret", std::string(64, 'a')}).status, 0);
    // The backend's OAuth round trip came back: Linear is read through it.
    fake.answer("GET", "/api/linear/connections",
                {200, R"([{"id":"w1","name":"Atelier","selected":true}])"});
    const testing::CliResult back =
        testing::runCli({"handle-url", "talewick://linear/backend/callback?connected=1"});
    ASSERT_EQ(back.status, 0) << back.err;
  }
  void TearDown() override { testing::forgetCommandHome(); }

  std::vector<std::string> tickets() {
    std::vector<std::string> ids;
    const Json kingdom = testing::runCliJson({"kingdom"});
    for (const Json& item : kingdom["realms"]["tickets"]) ids.push_back(item["id"]);
    return ids;
  }

  testing::TempFolder home{"linear-command"};
  testing::FakeBackend fake;
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

  EXPECT_EQ(testing::runCli({"linear", "done", "../x"}).status, 2);
  // A key is never an argument.
  EXPECT_EQ(testing::runCli({"linear", "key", "lin_api_x"}).status, 2);
}

}  // namespace
}  // namespace talewick::ui
