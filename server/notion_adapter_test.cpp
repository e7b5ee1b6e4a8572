// The Notion adapter against a stand-in written from Notion's public API documentation (version
// 2025-09-03): POST /v1/search for data sources, POST /v1/data_sources/{id}/query for their
// pages, both paged by "start_cursor"/"has_more"/"next_cursor"; pages with typed properties.
#include "server/notion_adapter.hpp"

#include <gtest/gtest.h>

#include "server/provider_fake_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::ConnectedUser;
using testing::FakeProvider;

json richText(const std::string& text) {
  return json::array({{{"type", "text"}, {"plain_text", text}}});
}

json titled(const std::string& text) { return {{"type", "title"}, {"title", richText(text)}}; }

json status(const std::string& name) {
  return {{"type", "status"}, {"status", {{"id", "x"}, {"name", name}}}};
}

json page(const std::string& id, json properties) {
  return {{"object", "page"},
          {"id", id},
          {"url", "https://www.notion.so/" + id},
          {"last_edited_time", "2026-12-07T10:00:00.000Z"},
          {"in_trash", false},
          {"properties", std::move(properties)}};
}

json list(json results, std::optional<std::string> next = std::nullopt) {
  return {{"object", "list"},
          {"results", std::move(results)},
          {"has_more", next.has_value()},
          {"next_cursor", next ? json(*next) : json(nullptr)}};
}

FakeProvider::Routes notionRoutes() {
  return [](httplib::Server& server) {
    server.Post("/v1/search", [](const httplib::Request& request, httplib::Response& res) {
      const json body = json::parse(request.body, nullptr, false);
      if (body.value("start_cursor", "") == "search-2") {
        // The second data source: a checkbox instead of a status, no schema of interest.
        return answerJson(res, list({{{"object", "data_source"},
                                      {"id", "ds-2"},
                                      {"title", richText("Courses")},
                                      {"properties", json::object()}}}));
      }
      answerJson(res, list({{{"object", "data_source"},
                             {"id", "ds-1"},
                             {"title", richText("Projets")},
                             {"properties",
                              {{"Nom", {{"type", "title"}, {"title", json::object()}}},
                               {"État",
                                {{"type", "status"},
                                 {"status",
                                  {{"options",
                                    {{{"id", "o1"}, {"name", "À faire"}},
                                     {{"id", "o2"}, {"name", "En cours"}},
                                     {{"id", "o3"}, {"name", "Livré"}}}},
                                   {"groups",
                                    {{{"name", "To-do"}, {"option_ids", {"o1"}}},
                                     {{"name", "In progress"}, {"option_ids", {"o2"}}},
                                     {{"name", "Complete"}, {"option_ids", {"o3"}}}}}}}}}}}},
                            {{"object", "data_source"}, {"title", richText("sans id")}}},
                           "search-2"));
    });
    server.Post(R"(/v1/data_sources/([^/]+)/query)", [](const httplib::Request& request,
                                                        httplib::Response& res) {
      const std::string source = request.matches[1];
      const json body = json::parse(request.body, nullptr, false);
      if (source == "ds-2") {
        return answerJson(
            res, list({page("p5", {{"Article", titled("Pain")},
                                   {"Pris", {{"type", "checkbox"}, {"checkbox", false}}}}),
                       page("p6", {{"Article", titled("Lait")},
                                   {"Pris", {{"type", "checkbox"}, {"checkbox", true}}}})}));
      }
      if (body.value("start_cursor", "") == "query-2") {
        return answerJson(
            res, list({page("p3", {{"Nom", titled("Relancer")},
                                   {"État", status("En cours")},
                                   {"Échéance",
                                    {{"type", "date"},
                                     {"date", {{"start", "2026-12-09"}, {"end", nullptr}}}}}}),
                       page("p4", {{"Nom", titled("Livré hier")}, {"État", status("Livré")}}),
                       page("p7", {{"Nom", titled("Clos")}, {"État", status("Terminé")}})}));
      }
      json trashed = page("p8", {{"Nom", titled("Jeté")}});
      trashed["in_trash"] = true;
      answerJson(
          res, list({page("p1", {{"Nom", titled("Revoir le devis")},
                                 {"État", status("À faire")},
                                 {"Échéance",
                                  {{"type", "date"},
                                   {"date", {{"start", "2026-12-08T17:00:00.000+01:00"}}}}}}),
                     page("p2", {{"Note", {{"type", "rich_text"}, {"rich_text", richText("x")}}}}),
                     {{"object", "page"}, {"properties", {{"Nom", titled("sans id")}}}},
                     {{"object", "page"}, {"id", "p9"}, {"properties", "illisible"}},
                     {{"object", "database"}, {"id", "db"}},
                     trashed},
                    "query-2"));
    });
    server.Patch(R"(/v1/pages/(.+))", [](const httplib::Request& request, httplib::Response& res) {
      answerJson(res, {{"object", "page"}, {"id", request.matches[1]}});
    });
  };
}

void expectNotionCall(const testing::SeenRequest& request, const std::string& method,
                      const std::string& path) {
  EXPECT_EQ(request.method, method);
  EXPECT_EQ(request.path, path);
  EXPECT_EQ(request.authorization, "Bearer access-1");
  const auto version = request.headers.find("Notion-Version");
  ASSERT_NE(version, request.headers.end()) << path;
  EXPECT_EQ(version->second, NOTION_API_VERSION);
}

TEST(NotionAdapter, readsTheOpenPagesOfEveryDataSourceOverCursorPages) {
  FakeProvider fake(notionRoutes());
  ConnectedUser user("notion", fake);
  ProviderSession session = user.session();
  const std::vector<PipelineItem> items = NotionAdapter().openItems(session, {});

  // Done pages (a done-like name, an option of the "Complete" group, a ticked checkbox), pages
  // in the trash, pages without a title property and malformed entries are left out.
  std::vector<std::string> ids;
  for (const PipelineItem& item : items) ids.push_back(item.id());
  EXPECT_EQ(ids, (std::vector<std::string>{"notion:p1", "notion:p3", "notion:p5"}));

  const std::vector<testing::SeenRequest> seen = fake.seen();
  ASSERT_EQ(seen.size(), 5u);  // two search pages, two pages of ds-1, one of ds-2
  for (std::size_t i : {0u, 1u}) expectNotionCall(seen[i], "POST", "/v1/search");
  EXPECT_EQ(seen[0].json(), (json{{"filter", {{"property", "object"}, {"value", "data_source"}}},
                                  {"page_size", 100}}));
  EXPECT_EQ(seen[1].json()["start_cursor"], "search-2");
  EXPECT_EQ(seen[1].json()["filter"]["value"], "data_source");
  for (std::size_t i : {2u, 3u}) expectNotionCall(seen[i], "POST", "/v1/data_sources/ds-1/query");
  EXPECT_EQ(seen[2].json(), (json{{"page_size", 100}}));
  EXPECT_EQ(seen[3].json(), (json{{"page_size", 100}, {"start_cursor", "query-2"}}));
  expectNotionCall(seen[4], "POST", "/v1/data_sources/ds-2/query");
  EXPECT_EQ(seen[4].json(), (json{{"page_size", 100}}));

  ASSERT_EQ(items.size(), 3u);
  const PipelineItem& first = items[0];
  EXPECT_EQ(first.provider, "notion");
  EXPECT_EQ(first.kind, "task");
  EXPECT_EQ(first.title, "Revoir le devis");
  EXPECT_EQ(first.dueAt, ConnectedUser::NOW + 28 * 3600);  // 17:00 +01:00 is 16:00 UTC
  EXPECT_FALSE(first.dueIsDay);
  EXPECT_EQ(first.url, "https://www.notion.so/p1");
  EXPECT_EQ(first.projectName, "Projets");
  EXPECT_EQ(first.updatedAt, ConnectedUser::NOW - 2 * 3600);
  EXPECT_EQ(first.sourceLabel, "Notion");
  EXPECT_EQ(first.handle["statusProperty"], "État");
  EXPECT_EQ(first.handle["doneStatus"], "Livré");

  // A date without a time is that day.
  EXPECT_EQ(items[1].title, "Relancer");
  EXPECT_EQ(items[1].dueAt, ConnectedUser::NOW - 12 * 3600 + 2 * 86400);
  EXPECT_TRUE(items[1].dueIsDay);

  EXPECT_EQ(items[2].title, "Pain");
  EXPECT_EQ(items[2].projectName, "Courses");
  EXPECT_EQ(items[2].dueAt, std::nullopt);
  EXPECT_EQ(items[2].handle["checkboxProperty"], "Pris");
  EXPECT_FALSE(items[2].handle.contains("statusProperty"));
}

TEST(NotionAdapter, aListThatIsNoListIsAFrenchFailure) {
  FakeProvider fake([](httplib::Server& server) {
    server.Post("/v1/search", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"object", "error"}, {"results", "rien"}});
    });
  });
  ConnectedUser user("notion", fake);
  ProviderSession session = user.session();
  try {
    NotionAdapter().openItems(session, {});
    FAIL() << "a garbage answer must fail";
  } catch (const ProviderFailure& failure) {
    EXPECT_STREQ(failure.what(), "Notion a répondu une liste illisible.");
  }
}

TEST(NotionAdapter, completesThroughTheStatusOrTheCheckboxAndDeletesToTheTrash) {
  FakeProvider fake(notionRoutes());
  ConnectedUser user("notion", fake);
  ProviderSession session = user.session();
  const std::vector<PipelineItem> items = NotionAdapter().openItems(session, {});
  ASSERT_EQ(items.size(), 3u);
  fake.clearSeen();

  NotionAdapter().complete(session, items[0]);  // status "État" → "Livré"
  NotionAdapter().complete(session, items[2]);  // checkbox "Pris"
  NotionAdapter().remove(session, items[1]);
  const std::vector<testing::SeenRequest> seen = fake.seen();
  ASSERT_EQ(seen.size(), 3u);
  expectNotionCall(seen[0], "PATCH", "/v1/pages/p1");
  EXPECT_EQ(seen[0].json(), (json{{"properties", {{"État", {{"status", {{"name", "Livré"}}}}}}}}));
  expectNotionCall(seen[1], "PATCH", "/v1/pages/p5");
  EXPECT_EQ(seen[1].json(), (json{{"properties", {{"Pris", {{"checkbox", true}}}}}}));
  expectNotionCall(seen[2], "PATCH", "/v1/pages/p3");
  EXPECT_EQ(seen[2].json(), (json{{"in_trash", true}}));

  // A page with neither a status nor a checkbox is refused without a call.
  fake.clearSeen();
  PipelineItem bare = items[0];
  bare.handle = {{"dataSource", "ds-1"}};
  try {
    NotionAdapter().complete(session, bare);
    FAIL() << "a page without a status or a checkbox cannot be completed";
  } catch (const ProviderFailure& failure) {
    const std::string message = failure.what();
    EXPECT_NE(message.find("propriété Status"), std::string::npos) << message;
    EXPECT_NE(message.find("case à cocher"), std::string::npos) << message;
  }
  EXPECT_TRUE(fake.seen().empty());
}

}  // namespace
}  // namespace talewick::server
