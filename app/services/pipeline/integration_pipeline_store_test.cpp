// The pipeline store against a loopback stand-in for the backend: answers kept on disk for the
// next process, failures that never cost the last answer, completion that hides at once and
// never sends the user's key elsewhere, and the forced refresh that follows a running one.
#include "services/pipeline/integration_pipeline_store.hpp"

#include <gtest/gtest.h>

#include "platform/linux_files.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/service_session.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::pipeline {
namespace {

using testing::FakeBackend;
using testing::ServiceSession;

constexpr const char* kPipeline = "/api/integrations/pipeline";

// One task (completable), one remote event; `extra` items are appended as raw JSON.
std::string answer(const std::vector<std::string>& ids, const std::string& href = "") {
  Json items = Json::array();
  for (const std::string& id : ids) {
    Json item = {
        {"id", id},
        {"provider", "todoist"},
        {"providerItemId", id.substr(id.find(':') + 1)},
        {"kind", "task"},
        {"title", "Tâche " + id},
        {"status", "open"},
        {"priority", 2},
        {"labels", Json::array()},
        {"sourceLabel", "Todoist"},
        {"automationScore", 0},
        {"placements", {"sideQuests"}},
        {"platformSupport", {{"macOS", {{"sideQuestList", true}}}, {"iOS", Json::object()}}},
        {"rpg",
         {{"realm", "tickets"}, {"sprite", "📌"}, {"threat", "medium"}, {"xp", 30}, {"gold", 9}}},
        {"actions",
         {{{"kind", "complete"},
           {"method", "POST"},
           {"href", href.empty() ? "api/integrations/items/" + id + "/complete" : href},
           {"label", "Terminer"}}}}};
    items.push_back(item);
  }
  items.push_back(
      {{"id", "google-calendar:e1"},
       {"provider", "google-calendar"},
       {"providerItemId", "e1"},
       {"kind", "calendar"},
       {"title", "Revue"},
       {"status", "scheduled"},
       {"startsAt", "2026-12-09T10:00:00+01:00"},
       {"placements", {"calendar.grid"}},
       {"rpg",
        {{"realm", "calendar"}, {"sprite", "📅"}, {"threat", "low"}, {"xp", 10}, {"gold", 3}}},
       {"calendarEvent", {{"calendarId", "work"}, {"eventId", "e1"}}}});
  return Json{
      {"providers", Json::array()},
      {"items", items},
      {"errors", {{{"provider", "notion"}, {"error", "Notion injoignable"}}}},
      {"summary", {{"total", 1}, {"open", 1}, {"dueSoon", 0}, {"overdue", 0}, {"highThreat", 0}}},
      {"syncedAt", "2026-12-09T08:00:00Z"}}
      .dump();
}

IntegrationPipelineStore open(ServiceSession& session, const std::filesystem::path& file) {
  return IntegrationPipelineStore(linuxFiles(), file, session.backend(), session.loop,
                                  session.said);
}

TEST(IntegrationPipelineStore, AnAnswerIsKeptForTheNextProcessAndFailuresNeverCostIt) {
  testing::TempFolder home("pipeline");
  FakeBackend fake;
  fake.answer("GET", kPipeline, {200, answer({"todoist:1", "todoist:2"})});
  ServiceSession session(fake.url());
  const auto file = home / IntegrationPipelineStore::FILE_NAME;
  {
    IntegrationPipelineStore store = open(session, file);
    EXPECT_FALSE(store.response());
    store.performRefresh(false);
    EXPECT_TRUE(store.isLoading());
    session.loop.settle();
    ASSERT_TRUE(store.response());
    EXPECT_EQ(store.response()->items.size(), 3u);
    EXPECT_EQ(store.statusLine(), "Pipeline : 3 éléments ouverts (1 en échec).");
    const auto sent = fake.received().back();
    EXPECT_EQ(sent.headers.at("authorization"), "Bearer la-cle");
    EXPECT_FALSE(sent.query.contains("force"));
  }
  // Another command, later: the answer is there without a call, and a failing backend keeps it.
  IntegrationPipelineStore store = open(session, file);
  ASSERT_TRUE(store.response());
  EXPECT_EQ(store.sideQuests().size(), 2u);
  const DateInterval day{decodeJsonText<Date>(R"("2026-12-09T00:00:00+01:00")"),
                         decodeJsonText<Date>(R"("2026-12-10T00:00:00+01:00")")};
  ASSERT_EQ(store.calendarEvents(day).size(), 1u);
  EXPECT_EQ(store.calendarEvents(day)[0].id, "integration:google-calendar:e1");
  EXPECT_TRUE(store.calendarEvents(day, {"integration:google-calendar:work"}).empty());
  EXPECT_EQ(store.itemForCalendarQuest("integration:google-calendar:e1", "", {})->id,
            "google-calendar:e1");
  EXPECT_EQ(
      store.itemForCalendarQuest("local-uid", "Revue", store.calendarEvents(day)[0].startDate)->id,
      "google-calendar:e1");

  fake.answer("GET", kPipeline, {502, "<html>Bad gateway</html>", "text/html"});
  store.performRefresh(true);
  session.loop.settle();
  EXPECT_EQ(store.statusLine(), "Pipeline : Backend Talewick HTTP 502");
  EXPECT_EQ(fake.received().back().query.at("force"), "1");
  fake.answer("GET", kPipeline, {200, R"({"items":"rien"})"});
  store.performRefresh(false);
  session.loop.settle();
  EXPECT_TRUE(store.statusLine().starts_with("Pipeline : ")) << store.statusLine();
  EXPECT_EQ(store.response()->items.size(), 3u);

  session.preferences.values[backend::BackendConnection::BASE_URL_KEY] = "   ";
  const size_t calls = fake.received().size();
  store.performRefresh(false);
  session.loop.settle();
  EXPECT_EQ(fake.received().size(), calls);
  EXPECT_EQ(store.response()->items.size(), 3u);
}

TEST(IntegrationPipelineStore, ACompletedItemHidesAtOnceUntilTheProviderStopsListingIt) {
  testing::TempFolder home("pipeline-done");
  FakeBackend fake;
  fake.answer("GET", kPipeline, {200, answer({"todoist:1", "todoist:2"})});
  fake.answer("POST", "/api/integrations/items/todoist:1/complete", {200, "{}"});
  ServiceSession session(fake.url());
  IntegrationPipelineStore store = open(session, home / IntegrationPipelineStore::FILE_NAME);
  store.performRefresh(false);
  session.loop.settle();

  std::optional<bool> result;
  store.complete(*store.item("todoist:1"), [&](bool ok) { result = ok; });
  session.loop.settle();
  EXPECT_EQ(result, true) << store.statusLine();
  EXPECT_EQ(fake.count("POST", "/api/integrations/items/todoist:1/complete"), 1);
  // The provider still lists it for a while: it stays hidden, here and in the next process.
  EXPECT_EQ(fake.received().back().query.at("force"), "1");
  EXPECT_EQ(store.suppressedItemIDs(), std::set<std::string>{"todoist:1"});
  ASSERT_EQ(store.sideQuests().size(), 1u);
  EXPECT_EQ(open(session, home / IntegrationPipelineStore::FILE_NAME).sideQuests().size(), 1u);
  fake.answer("GET", kPipeline, {200, answer({"todoist:2"})});
  store.performRefresh(false);
  session.loop.settle();
  EXPECT_TRUE(store.suppressedItemIDs().empty());
  EXPECT_EQ(store.sideQuests().size(), 1u);

  // Without a completion action nothing is sent.
  Item bare = *store.item("todoist:2");
  bare.actions.clear();
  store.complete(bare, [&](bool ok) { result = ok; });
  EXPECT_EQ(result, false);
  EXPECT_EQ(store.statusLine(), "Aucune action de complétion pour Tâche todoist:2.");

  // A failure at the provider says what to do and hides nothing.
  fake.answer("POST", "/api/integrations/items/todoist:2/complete",
              {401, R"({"error":"Todoist a refusé le jeton"})"});
  store.complete(*store.item("todoist:2"), [&](bool ok) { result = ok; });
  session.loop.settle();
  EXPECT_EQ(result, false);
  EXPECT_TRUE(store.statusLine().starts_with("Pipeline : Todoist a refusé le jeton (reconnecte"))
      << store.statusLine();
  EXPECT_TRUE(store.suppressedItemIDs().empty());
}

TEST(IntegrationPipelineStore, AnActionLeadingAwayFromTheBackendIsNeverSent) {
  testing::TempFolder home("pipeline-foreign");
  FakeBackend fake, elsewhere;
  fake.answer("GET", kPipeline, {200, answer({"todoist:1"}, elsewhere.url() + "/steal")});
  elsewhere.answer("POST", "/steal", {200, "{}"});
  ServiceSession session(fake.url());
  IntegrationPipelineStore store = open(session, home / IntegrationPipelineStore::FILE_NAME);
  store.performRefresh(false);
  session.loop.settle();
  std::optional<bool> result;
  store.complete(*store.item("todoist:1"), [&](bool ok) { result = ok; });
  session.loop.settle();
  EXPECT_EQ(result, false);
  EXPECT_TRUE(elsewhere.received().empty());
  EXPECT_EQ(store.statusLine(), "Pipeline : action refusée : son adresse est hors du backend");
}

TEST(IntegrationPipelineStore, AForcedRefreshAskedDuringOneFollowsIt) {
  testing::TempFolder home("pipeline-pending");
  FakeBackend fake;
  fake.answer("GET", kPipeline, {200, answer({"todoist:1"})});
  ServiceSession session(fake.url());
  IntegrationPipelineStore store = open(session, home / IntegrationPipelineStore::FILE_NAME);
  int finished = 0;
  store.performRefresh(false, [&] { ++finished; });
  store.performRefresh(true, [&] { ++finished; });
  store.performRefresh(false, [&] { ++finished; });
  EXPECT_TRUE(store.pendingRefreshForce());
  session.loop.settle();
  EXPECT_FALSE(store.pendingRefreshForce());
  EXPECT_EQ(finished, 3);
  const auto sent = fake.received();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_FALSE(sent[0].query.contains("force"));
  EXPECT_EQ(sent[1].query.at("force"), "1");
}

}  // namespace
}  // namespace talewick::pipeline
