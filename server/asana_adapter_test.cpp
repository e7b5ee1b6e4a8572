// The Asana adapter against a stand-in written from Asana's API 1.0 documentation: {"data"}
// envelopes, "next_page" {"offset"} pages, tasks with due_on or due_at.
#include "server/asana_adapter.hpp"

#include <gtest/gtest.h>

#include "server/provider_fake_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::ConnectedUser;
using testing::FakeProvider;

FakeProvider::Routes asanaRoutes() {
  return [](httplib::Server& server) {
    server.Get("/api/1.0/users/me", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"data",
                        {{"gid", "u1"},
                         {"name", "Ada"},
                         {"workspaces", {{{"gid", "w1"}, {"name", "Acme"}}, {{"gid", "w2"}}}}}}});
    });
    server.Get("/api/1.0/tasks", [](const httplib::Request& request, httplib::Response& res) {
      const std::string workspace = request.get_param_value("workspace");
      if (workspace == "w2")
        return answerJson(res, {{"data", json::array()}, {"next_page", nullptr}});
      if (request.get_param_value("offset") == "eyJwYWdlIjoyfQ") {
        return answerJson(res, {{"data",
                                 {{{"gid", "g3"}, {"name", "Relancer"}, {"due_on", "2026-12-09"}},
                                  {{"gid", "g4"}, {"name", "Fait"}, {"completed", true}},
                                  {{"name", "sans gid"}}}},
                                {"next_page", nullptr}});
      }
      answerJson(res, {{"data",
                        {{{"gid", "g1"},
                          {"name", "Revoir le devis"},
                          {"notes", "version 2"},
                          {"completed", false},
                          {"due_at", "2026-12-08T16:00:00.000Z"},
                          {"permalink_url", "https://app.asana.com/0/1/g1"},
                          {"memberships",
                           {{{"project", {{"gid", "p1"}, {"name", "Ventes"}}},
                             {"section", {{"gid", "s1"}, {"name", "À faire"}}}}}},
                          {"tags", {{{"gid", "t1"}, {"name", "client"}}}}},
                         {{"gid", "g2"}, {"name", 42}}}},
                       {"next_page",
                        {{"offset", "eyJwYWdlIjoyfQ"},
                         {"path", "/tasks?offset=eyJwYWdlIjoyfQ"},
                         {"uri", "https://app.asana.com/api/1.0/tasks?offset=eyJwYWdlIjoyfQ"}}}});
    });
    server.Put(R"(/api/1.0/tasks/(.+))",
               [](const httplib::Request& request, httplib::Response& res) {
                 answerJson(res, {{"data", {{"gid", request.matches[1]}, {"completed", true}}}});
               });
    server.Delete(R"(/api/1.0/tasks/(.+))", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"data", json::object()}});
    });
  };
}

TEST(AsanaAdapter, readsTheUsersTasksOfEachWorkspaceOverOffsetPages) {
  FakeProvider fake(asanaRoutes());
  ConnectedUser user("asana", fake);
  ProviderSession session = user.session();
  const std::vector<PipelineItem> items = AsanaAdapter().openItems(session, {});

  std::vector<std::string> ids;
  for (const PipelineItem& item : items) ids.push_back(item.id());
  EXPECT_EQ(ids, (std::vector<std::string>{"asana:g1", "asana:g3"}));

  const std::vector<testing::SeenRequest> pages = fake.seen("/api/1.0/tasks");
  ASSERT_EQ(pages.size(), 3u);  // two pages of w1, one of w2
  EXPECT_EQ(pages[0].param("assignee"), "me");
  EXPECT_EQ(pages[0].param("workspace"), "w1");
  EXPECT_EQ(pages[0].param("completed_since"), "now");
  EXPECT_NE(pages[0].param("opt_fields").find("due_at"), std::string::npos);
  EXPECT_EQ(pages[1].param("offset"), "eyJwYWdlIjoyfQ");
  EXPECT_EQ(pages[2].param("workspace"), "w2");

  const PipelineItem& first = items[0];
  EXPECT_EQ(first.title, "Revoir le devis");
  EXPECT_EQ(first.notes, "version 2");
  EXPECT_EQ(first.dueAt, ConnectedUser::NOW + 28 * 3600);
  EXPECT_EQ(first.projectName, "Ventes");
  EXPECT_EQ(first.sectionName, "À faire");
  EXPECT_EQ(first.teamName, "Acme");
  EXPECT_EQ(first.labels, std::vector<std::string>{"client"});
  EXPECT_TRUE(items[1].dueIsDay);

  // A picked workspace narrows the reading to it.
  fake.clearSeen();
  AsanaAdapter().openItems(session, {"w2"});
  EXPECT_EQ(fake.seen("/api/1.0/tasks").size(), 1u);
}

TEST(AsanaAdapter, completesWithAPutAndDeletes) {
  FakeProvider fake(asanaRoutes());
  ConnectedUser user("asana", fake);
  ProviderSession session = user.session();
  PipelineItem item;
  item.providerItemId = "g1";
  AsanaAdapter().complete(session, item);
  AsanaAdapter().remove(session, item);
  const std::vector<testing::SeenRequest> seen = fake.seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].method, "PUT");
  EXPECT_EQ(seen[0].path, "/api/1.0/tasks/g1");
  EXPECT_EQ(seen[0].json(), (json{{"data", {{"completed", true}}}}));
  EXPECT_EQ(seen[1].method, "DELETE");
  EXPECT_EQ(seen[1].path, "/api/1.0/tasks/g1");
}

}  // namespace
}  // namespace talewick::server
