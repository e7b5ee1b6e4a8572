// The Todoist adapter against a stand-in written from Todoist's API v1 documentation: cursor pages
// of {"results", "next_cursor"}, tasks with "content", "due", "duration", "priority" 1 to 4.
#include "server/todoist_adapter.hpp"

#include <gtest/gtest.h>

#include "server/provider_fake_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::ConnectedUser;
using testing::FakeProvider;

// Serves `entries` in pages of `pageSize`, the cursor being the next index.
void servePages(httplib::Server& server, const std::string& path, json entries,
                std::size_t pageSize) {
  server.Get(path, [entries, pageSize](const httplib::Request& request, httplib::Response& res) {
    const std::size_t start =
        request.has_param("cursor") ? std::stoul(request.get_param_value("cursor")) : 0;
    json page = json::array();
    for (std::size_t i = start; i < std::min(start + pageSize, entries.size()); ++i) {
      page.push_back(entries[i]);
    }
    const bool more = start + pageSize < entries.size();
    answerJson(res, {{"results", page},
                     {"next_cursor", more ? json(std::to_string(start + pageSize)) : json()}});
  });
}

json tasks() {
  return json::array({
      {{"id", "t1"},
       {"content", "Rendre le <rapport>"},
       {"description", "avec annexes"},
       {"project_id", "p1"},
       {"section_id", "s1"},
       {"labels", {"bureau"}},
       {"priority", 4},
       {"due", {{"date", "2026-12-08T09:30:00Z"}, {"is_recurring", false}, {"string", "demain"}}},
       {"duration", {{"amount", 45}, {"unit", "minute"}}},
       {"updated_at", "2026-12-01T10:00:00.000000Z"},
       {"checked", false}},
      {{"id", "t2"}, {"content", "Sans date"}, {"priority", 1}, {"project_id", "p-unknown"}},
      {{"id", "t3"}, {"content", "Un jour"}, {"due", {{"date", "2026-12-20"}}}},
      {{"id", "t4"}, {"content", "Déjà fait"}, {"checked", true}},
      {{"id", 5}, {"content", "id numérique"}},
      {{"id", "t6"}},
      "pas un objet",
      {{"id", "t7"},
       {"content", "Date abîmée"},
       {"due", {{"date", "demain midi"}}},
       {"duration", {{"amount", 2}, {"unit", "day"}}}},
  });
}

FakeProvider::Routes todoistRoutes() {
  return [](httplib::Server& server) {
    servePages(server, "/api/v1/tasks", tasks(), 3);
    servePages(server, "/api/v1/projects", json::array({{{"id", "p1"}, {"name", "Travail"}}}), 50);
    servePages(server, "/api/v1/sections", json::array({{{"id", "s1"}, {"name", "Cette semaine"}}}),
               50);
    servePages(server, "/api/v1/labels", json::array({{{"id", "l1"}, {"name", "bureau"}}}), 50);
    server.Post(R"(/api/v1/tasks/(.+)/close)",
                [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
    server.Delete(R"(/api/v1/tasks/(.+))",
                  [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
  };
}

TEST(TodoistAdapter, readsEveryPageAndNormalisesWellFormedTasks) {
  FakeProvider fake(todoistRoutes());
  ConnectedUser user("todoist", fake);
  ProviderSession session = user.session();
  const std::vector<PipelineItem> items = TodoistAdapter().openItems(session, {});

  std::vector<std::string> ids;
  for (const PipelineItem& item : items) ids.push_back(item.providerItemId);
  // Done, malformed and non-object entries are skipped; a damaged date only loses the date.
  EXPECT_EQ(ids, (std::vector<std::string>{"t1", "t2", "t3", "t7"}));

  const std::vector<testing::SeenRequest> pages = fake.seen("/api/v1/tasks");
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].param("cursor"), "");
  EXPECT_EQ(pages[1].param("cursor"), "3");
  EXPECT_EQ(pages[2].param("cursor"), "6");
  for (const testing::SeenRequest& request : fake.seen()) {
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.authorization, "Bearer access-1");
  }

  const PipelineItem& first = items[0];
  EXPECT_EQ(first.id(), "todoist:t1");
  EXPECT_EQ(first.title, "Rendre le <rapport>");
  EXPECT_EQ(first.notes, "avec annexes");
  EXPECT_EQ(first.url, "https://app.todoist.com/app/task/t1");
  EXPECT_EQ(first.priority, 4);
  EXPECT_EQ(first.dueAt, ConnectedUser::NOW + 21 * 3600 + 1800);
  EXPECT_FALSE(first.dueIsDay);
  EXPECT_EQ(first.durationMin, 45);
  EXPECT_EQ(first.projectName, "Travail");
  EXPECT_EQ(first.sectionName, "Cette semaine");
  EXPECT_EQ(first.labels, std::vector<std::string>{"bureau"});
  EXPECT_EQ(first.updatedAt, 1796119200);

  EXPECT_EQ(items[1].priority, 0);  // Todoist's 1 is its "normal"
  EXPECT_EQ(items[1].projectName, std::nullopt);
  EXPECT_TRUE(items[2].dueIsDay);
  EXPECT_EQ(items[2].dueAt, 1797724800);  // 2026-12-20 00:00 UTC
  EXPECT_EQ(items[3].dueAt, std::nullopt);
  EXPECT_EQ(items[3].durationMin, 2 * 24 * 60);
}

TEST(TodoistAdapter, closesAndDeletesAtTheDocumentedPaths) {
  FakeProvider fake(todoistRoutes());
  ConnectedUser user("todoist", fake);
  ProviderSession session = user.session();
  PipelineItem item;
  item.segment = "todoist";
  item.providerItemId = "t 1/x";
  TodoistAdapter().complete(session, item);
  TodoistAdapter().remove(session, item);
  const std::vector<testing::SeenRequest> seen = fake.seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].method, "POST");
  EXPECT_EQ(seen[0].path, "/api/v1/tasks/t 1/x/close");  // sent encoded, decoded by the router
  EXPECT_EQ(seen[1].method, "DELETE");
  EXPECT_EQ(seen[1].path, "/api/v1/tasks/t 1/x");
  EXPECT_EQ(seen[1].authorization, "Bearer access-1");
}

}  // namespace
}  // namespace talewick::server
