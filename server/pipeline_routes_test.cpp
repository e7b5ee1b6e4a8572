// The integration pipeline through the whole server: two users, Todoist and Asana stand-ins on
// loopback (and a Notion one for a third user), the answer's shape, its cache, and the actions of
// its items.
#include "server/pipeline_routes.hpp"

#include <gtest/gtest.h>

#include "pipeline/integration_wire.hpp"
#include "server/provider_fake_testing.hpp"
#include "server/request_parts.hpp"
#include "server/route_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::FakeProvider;
using testing::SeenRequest;

using Answer = testing::RouteAnswer;

// Todoist as two accounts see it: Ada ("ada-token") has 500 open tasks, Bob ("bob-token") two.
FakeProvider::Routes todoistRoutes(std::atomic<bool>& lockedTask) {
  return [&lockedTask](httplib::Server& server) {
    server.Get("/api/v1/tasks", [](const httplib::Request& request, httplib::Response& res) {
      const bool ada = request.get_header_value("authorization") == "Bearer ada-token";
      const int count = ada ? 500 : 2;
      const int start =
          request.has_param("cursor") ? std::stoi(request.get_param_value("cursor")) : 0;
      json page = json::array();
      for (int i = start; i < std::min(start + 200, count); ++i) {
        json task = {{"id", (ada ? "a" : "b") + std::to_string(i)},
                     {"content", "Tâche " + std::to_string(i)},
                     {"priority", 1 + i % 4}};
        // One overdue and one due tomorrow, among the first.
        if (i == 1) task["due"] = {{"date", "2026-12-06"}};
        if (i == 2) task["due"] = {{"date", "2026-12-08T09:00:00Z"}};
        page.push_back(task);
      }
      const bool more = start + 200 < count;
      answerJson(res, {{"results", page},
                       {"next_cursor", more ? json(std::to_string(start + 200)) : json()}});
    });
    for (const char* list : {"/api/v1/projects", "/api/v1/sections", "/api/v1/labels"}) {
      server.Get(list, [](const httplib::Request&, httplib::Response& res) {
        answerJson(res, {{"results", json::array()}, {"next_cursor", nullptr}});
      });
    }
    server.Post(R"(/api/v1/tasks/(.+)/close)",
                [&lockedTask](const httplib::Request& request, httplib::Response& res) {
                  if (lockedTask && request.matches[1] == "a13") {
                    return answerJson(res, {{"error", "Task is locked"}}, 500);
                  }
                  res.status = 204;
                });
    server.Delete(R"(/api/v1/tasks/(.+))",
                  [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
  };
}

FakeProvider::Routes asanaRoutes(std::atomic<bool>& down) {
  return [&down](httplib::Server& server) {
    server.Get("/api/1.0/users/me", [&down](const httplib::Request&, httplib::Response& res) {
      if (down) return answerJson(res, {{"errors", {{{"message", "Server Error"}}}}}, 500);
      answerJson(res,
                 {{"data", {{"gid", "u1"}, {"workspaces", {{{"gid", "w1"}, {"name", "Acme"}}}}}}});
    });
    server.Get("/api/1.0/tasks", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"data",
                        {{{"gid", "g1"},
                          {"name", "Revoir le devis"},
                          {"completed", false},
                          {"due_at", "2026-12-07T10:00:00.000Z"},
                          {"permalink_url", "https://app.asana.com/0/1/g1"}}}},
                       {"next_page", nullptr}});
    });
  };
}

class PipelineRoutesTest : public ::testing::Test {
 protected:
  // A user connected to Todoist (and Asana when asked) with `token`; the user's key.
  std::string connectedUser(const std::string& token, bool withAsana) {
    const testing::RouteServer::User user = server_.registerUser();
    for (const std::string segment : {"todoist", "asana"}) {
      if (segment == "asana" && !withAsana) continue;
      server_.connect(user.id, segment, "account-" + token, token,
                      {{"accountLabel", token.substr(0, 3)}});
    }
    return user.key;
  }

  Answer pipeline(const std::string& key, const std::string& query = "") {
    return call(key, "GET", "/api/integrations/pipeline" + query);
  }
  Answer call(const std::string& key, const std::string& method, const std::string& path) {
    return server_.call(key, method, path, method == "PATCH" ? json::object() : json());
  }
  std::size_t taskPagesRead() const {
    std::size_t pages = 0;
    for (const SeenRequest& request : todoist_.seen("/api/v1/tasks")) {
      pages += request.path == "/api/v1/tasks";
    }
    return pages;
  }

  std::atomic<bool> asanaDown_{false}, lockedTask_{false};
  FakeProvider todoist_{todoistRoutes(lockedTask_)};
  FakeProvider asana_{asanaRoutes(asanaDown_)};
  testing::RouteServer server_{[this](Config& config) {
    for (const auto& [segment, fake] : {std::pair{"todoist", &todoist_}, {"asana", &asana_}}) {
      config.providers[segment].apiBaseURL = fake->url();
      config.providers[segment].tokenURL = fake->url() + "/oauth/token";
    }
  }};
  std::string ada_ = connectedUser("ada-token", true), bob_ = connectedUser("bob-token", false);
};

TEST_F(PipelineRoutesTest, answersEveryProviderAndEveryOpenItemInOneRefresh) {
  const Answer answer = pipeline(ada_);
  ASSERT_EQ(answer.status, 200) << answer.body;
  const json& body = answer.body;
  std::vector<std::string> keys;
  for (const auto& [key, value] : body.items()) keys.push_back(key);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"errors", "items", "providers", "summary", "syncedAt"}));
  EXPECT_EQ(body["syncedAt"], "2026-12-07T12:00:00Z");
  EXPECT_EQ(body["errors"], json::array());

  ASSERT_EQ(body["providers"].size(), 6u);
  for (const json& status : body["providers"]) {
    const bool connected = status["id"] == "todoist" || status["id"] == "asana";
    EXPECT_EQ(status["connected"], connected) << status;
    EXPECT_EQ(status.contains("syncedAt"), connected) << status;
  }
  EXPECT_EQ(body["providers"][5], (json{{"id", "todoist"},
                                        {"label", "Todoist"},
                                        {"kind", "tasks"},
                                        {"connected", true},
                                        {"accountLabel", "ada"},
                                        {"connectionCount", 1},
                                        {"syncedAt", "2026-12-07T12:00:00Z"}}));

  // 500 Todoist tasks over three pages, and Asana's one.
  EXPECT_EQ(taskPagesRead(), 3u);
  ASSERT_EQ(body["items"].size(), 501u);
  EXPECT_EQ(
      body["summary"],
      (json{{"total", 501}, {"open", 501}, {"dueSoon", 1}, {"overdue", 2}, {"highThreat", 127}}));

  const json& asana = body["items"][0];
  EXPECT_EQ(asana["id"], "asana:g1");
  EXPECT_EQ(asana["dueAt"], "2026-12-07T10:00:00Z");
  EXPECT_EQ(asana["rpg"]["realm"], "deadlines");
  EXPECT_EQ(asana["placements"], (json{"sideQuests", "kingdom.deadlines"}));

  // "a2": priority 3, due in 21 hours; Todoist's priority 4 makes a quarter of the others "high".
  const json& task = body["items"][3];
  // In field order, absent optionals left out.
  const std::string text = task.dump();
  EXPECT_LT(text.find("\"id\""), text.find("\"provider\""));
  EXPECT_LT(text.find("\"labels\""), text.find("\"rpg\""));
  EXPECT_EQ(task["id"], "todoist:a2");
  EXPECT_EQ(task["dueAt"], "2026-12-08T09:00:00Z");
  EXPECT_FALSE(task.contains("notes"));
  EXPECT_FALSE(task.contains("startsAt"));
  EXPECT_EQ(task["rpg"], (json{{"realm", "deadlines"},
                               {"sprite", "hourglass"},
                               {"threat", "high"},
                               {"xp", 50},
                               {"gold", 25}}));
  EXPECT_EQ(task["actions"], (json{{{"kind", "complete"},
                                    {"method", "POST"},
                                    {"href", "api/integrations/items/todoist%3Aa2/complete"},
                                    {"label", "Terminer"}},
                                   {{"kind", "delete"},
                                    {"method", "DELETE"},
                                    {"href", "api/integrations/items/todoist%3Aa2"},
                                    {"label", "Supprimer"}}}));
  EXPECT_EQ(task["platformSupport"]["macOS"]["sideQuestList"], true);

  // A due day without a time is sent as that day, for the user's program to place in its own
  // time zone.
  EXPECT_EQ(body["items"][2]["id"], "todoist:a1");
  EXPECT_EQ(body["items"][2]["dueAt"], "2026-12-06");

  // The desktop program reads every item of the answer.
  const IntegrationWire::Decoded read = IntegrationWire::decodeResponse(answer.text);
  EXPECT_EQ(read.skippedItems, 0);
  EXPECT_EQ(read.response.items.size(), 501u);

  // The provider's tokens stay on the server.
  EXPECT_EQ(answer.text.find("ada-token"), std::string::npos);
  EXPECT_EQ(server_.logText().find("ada-token"), std::string::npos);
}

TEST_F(PipelineRoutesTest, aProviderDownCostsOnlyItsOwnItems) {
  asanaDown_ = true;
  const Answer answer = pipeline(ada_);
  ASSERT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body["errors"],
            (json{{{"provider", "asana"}, {"error", "Asana a répondu HTTP 500 : Server Error"}}}));
  EXPECT_EQ(answer.body["items"].size(), 500u);
  EXPECT_EQ(answer.body["providers"][0]["connected"], true);
  EXPECT_FALSE(answer.body["providers"][0].contains("syncedAt"));

  // Only the providers asked for; an unknown one is refused.
  const Answer todoistOnly = pipeline(ada_, "?providers=todoist");
  EXPECT_EQ(todoistOnly.body["errors"], json::array());
  EXPECT_EQ(todoistOnly.body["providers"].size(), 1u);
  EXPECT_EQ(pipeline(ada_, "?providers=todoist,github").status, 400);
}

TEST_F(PipelineRoutesTest, answersAreKeptAndForcedReadsAreSpaced) {
  pipeline(ada_);
  EXPECT_EQ(taskPagesRead(), 3u);
  server_.now += 60;
  pipeline(ada_);
  EXPECT_EQ(taskPagesRead(), 3u);  // kept
  pipeline(ada_, "?force=1");
  EXPECT_EQ(taskPagesRead(), 6u);
  server_.now += 9;
  pipeline(ada_, "?force=true");
  EXPECT_EQ(taskPagesRead(), 6u);  // a forced read 9 s after the last one serves the kept answer
  server_.now += 1;
  pipeline(ada_, "?force=true");
  EXPECT_EQ(taskPagesRead(), 9u);
  server_.now += IntegrationPipeline::CACHE_SECONDS;
  EXPECT_EQ(pipeline(ada_).body["syncedAt"], "2026-12-07T12:02:40Z");
  EXPECT_EQ(taskPagesRead(), 12u);  // expired
  // Another user's answer is their own.
  EXPECT_EQ(pipeline(bob_).body["items"].size(), 2u);
}

TEST_F(PipelineRoutesTest, completesOnlyItemsListedToTheCallerAndOnceAtTheProvider) {
  const json items = pipeline(ada_).body["items"];
  const std::string href = items[8]["actions"][0]["href"];  // todoist:a7
  ASSERT_EQ(href, "api/integrations/items/todoist%3Aa7/complete");

  // Bob never saw Ada's items: her ids, or ids made up, are unknown to him.
  pipeline(bob_);
  for (const std::string& path :
       {"/" + href, std::string("/api/integrations/items/todoist:zz/complete"),
        std::string("/api/integrations/items/asana%3Ag1/complete")}) {
    const Answer refused = call(bob_, "POST", path);
    EXPECT_EQ(refused.status, 404) << path;
    EXPECT_EQ(refused.body, (json{{"error", "Élément inconnu."}}));
  }
  EXPECT_EQ(call(bob_, "DELETE", "/api/integrations/items/todoist%3Aa7").status, 404);
  EXPECT_TRUE(todoist_.seen("/api/v1/tasks/").empty());

  const std::size_t pagesBefore = taskPagesRead();
  const Answer done = call(ada_, "POST", "/" + href);
  ASSERT_EQ(done.status, 200) << done.body;
  EXPECT_EQ(done.body, (json{{"id", "todoist:a7"}, {"status", "completed"}}));
  const std::vector<SeenRequest> closes = todoist_.seen("/api/v1/tasks/");
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].method, "POST");
  EXPECT_EQ(closes[0].path, "/api/v1/tasks/a7/close");
  EXPECT_EQ(closes[0].authorization, "Bearer ada-token");
  // The kept answer is gone: the next one reads the providers again.
  pipeline(ada_);
  EXPECT_EQ(taskPagesRead(), pagesBefore + 3);

  EXPECT_EQ(call(ada_, "DELETE", "/api/integrations/items/todoist%3Aa8").status, 200);
  EXPECT_EQ(todoist_.seen("/api/v1/tasks/").back().method, "DELETE");

  lockedTask_ = true;
  const Answer failed = call(ada_, "POST", "/api/integrations/items/todoist%3Aa13/complete");
  EXPECT_EQ(failed.status, 502);
  EXPECT_EQ(failed.body, (json{{"error", "Todoist a répondu HTTP 500 : Task is locked"}}));
}

TEST_F(PipelineRoutesTest, todoistsOwnListsAreKeptAndAClosedTaskEarnsItsReward) {
  const Answer first = call(bob_, "GET", "/api/todoist/tasks");
  ASSERT_EQ(first.status, 200) << first.body;
  EXPECT_EQ(first.body["tasks"].size(), 2u);
  EXPECT_EQ(first.body["connection"]["id"], "account-bob-token");
  EXPECT_EQ(first.body["syncedAt"], "2026-12-07T12:00:00Z");
  EXPECT_EQ(call(bob_, "GET", "/api/todoist/tasks").body, first.body);
  EXPECT_EQ(taskPagesRead(), 1u);
  call(bob_, "POST", "/api/todoist/sync");
  EXPECT_EQ(taskPagesRead(), 2u);

  const Answer closed = call(bob_, "POST", "/api/todoist/tasks/b1/close");
  ASSERT_EQ(closed.status, 200) << closed.body;
  EXPECT_EQ(closed.body["taskId"], "b1");
  // "b1": Todoist priority 2, overdue since yesterday: a "high" threat.
  EXPECT_EQ(closed.body["reward"], (json{{"xp", 50}, {"gold", 25}}));
  EXPECT_EQ(closed.body["cache"]["tasks"].size(), 2u);
  const std::vector<SeenRequest> closes = todoist_.seen("/api/v1/tasks/");
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].authorization, "Bearer bob-token");

  // Bob has no Microsoft account; a body without times is refused before anything else.
  EXPECT_EQ(call(bob_, "PATCH", "/api/microsoft/calendar/events/E1").status, 400);
}

TEST_F(PipelineRoutesTest, notionIsReadDiagnosedAndItsPagesCompletedThroughTheirStatus) {
  FakeProvider notion([](httplib::Server& server) {
    server.Post("/v1/search", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"results",
                        {{{"object", "data_source"},
                          {"id", "ds-1"},
                          {"title", {{{"plain_text", "Maison"}}}},
                          {"properties",
                           {{"Statut",
                             {{"type", "status"},
                              {"status", {{"options", {{{"id", "o1"}, {"name", "Fait"}}}}}}}}}}}}},
                       {"has_more", false},
                       {"next_cursor", nullptr}});
    });
    server.Post("/v1/data_sources/ds-1/query", [](const httplib::Request&, httplib::Response& res) {
      const json title = {{"type", "title"}, {"title", {{{"plain_text", "Arroser"}}}}};
      answerJson(res, {{"results",
                        {{{"object", "page"},
                          {"id", "p1"},
                          {"properties",
                           {{"Nom", title},
                            {"Statut", {{"type", "status"}, {"status", {{"name", "À faire"}}}}}}}},
                         {{"object", "page"}, {"id", "p2"}, {"properties", {{"Nom", title}}}}}},
                       {"has_more", false}});
    });
    server.Patch(R"(/v1/pages/(.+))", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"object", "page"}});
    });
  });
  server_.config().providers["notion"].apiBaseURL = notion.url();
  const std::string cleo = server_.connectedUser("notion", "n1", "cleo-token");

  const Answer answer = pipeline(cleo);
  ASSERT_EQ(answer.status, 200) << answer.body;
  EXPECT_EQ(answer.body["errors"], json::array());
  std::vector<std::string> ids;
  for (const json& item : answer.body["items"]) ids.push_back(item["id"]);
  EXPECT_EQ(ids, (std::vector<std::string>{"notion:p1", "notion:p2"}));
  EXPECT_EQ(answer.text.find("cleo-token"), std::string::npos);
  EXPECT_EQ(answer.text.find("Statut"), std::string::npos);  // the handle stays on the server

  const Answer done = call(cleo, "POST", "/api/integrations/items/notion%3Ap1/complete");
  ASSERT_EQ(done.status, 200) << done.body;
  std::vector<SeenRequest> patches = notion.seen("/v1/pages/");
  ASSERT_EQ(patches.size(), 1u);
  EXPECT_EQ(patches[0].method, "PATCH");
  EXPECT_EQ(patches[0].path, "/v1/pages/p1");
  EXPECT_EQ(patches[0].authorization, "Bearer cleo-token");
  EXPECT_EQ(patches[0].json(),
            (json{{"properties", {{"Statut", {{"status", {{"name", "Fait"}}}}}}}}));

  // The diagnostics tell what the integration reaches; plain status reads call nothing.
  const std::size_t callsBefore = notion.seen().size();
  EXPECT_FALSE(call(cleo, "GET", "/api/notion/connections").body.contains("diagnostics"));
  EXPECT_EQ(notion.seen().size(), callsBefore);
  const Answer diagnosed = call(cleo, "GET", "/api/notion/connections?diagnostics=1");
  ASSERT_EQ(diagnosed.status, 200) << diagnosed.body;
  EXPECT_EQ(diagnosed.body["connection"]["id"], "n1");
  EXPECT_EQ(diagnosed.body["diagnostics"],
            (json{{"dataSources", {{{"id", "ds-1"}, {"title", "Maison"}}}},
                  {"searchedPageCount", 1},
                  {"dataSourcePageCount", 2},
                  {"syncedAt", "2026-12-07T12:00:00Z"}}));
  EXPECT_EQ(diagnosed.text.find("cleo-token"), std::string::npos);

  // A page with neither a status nor a checkbox cannot be closed; nothing reaches Notion.
  pipeline(cleo);
  const Answer refused = call(cleo, "POST", "/api/integrations/items/notion%3Ap2/complete");
  EXPECT_EQ(refused.status, 502);
  EXPECT_NE(refused.body.value("error", "").find("case à cocher"), std::string::npos)
      << refused.body;
  EXPECT_EQ(notion.seen("/v1/pages/").size(), 1u);
}

TEST_F(PipelineRoutesTest, needsAKey) {
  EXPECT_EQ(server_.client().Get("/api/integrations/pipeline")->status, 401);
  EXPECT_EQ(
      call(std::string(64, 'f'), "POST", "/api/integrations/items/todoist%3Aa1/complete").status,
      401);
}

}  // namespace
}  // namespace talewick::server
