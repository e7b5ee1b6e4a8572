// The Microsoft Graph adapter against a stand-in written from Graph's documentation: calendarView
// with "@odata.nextLink" pages and times in the "Prefer" zone, To Do lists and tasks, PATCH of a
// task's status and of an event's times.
#include "server/microsoft_adapter.hpp"

#include <gtest/gtest.h>

#include "server/pipeline_rules.hpp"
#include "server/provider_fake_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::ConnectedUser;
using testing::FakeProvider;

json event(const std::string& id, const std::string& start, const std::string& end) {
  return {{"id", id},
          {"subject", "Revue " + id},
          {"start", {{"dateTime", start}, {"timeZone", "UTC"}}},
          {"end", {{"dateTime", end}, {"timeZone", "UTC"}}},
          {"iCalUId", "uid-" + id},
          {"responseStatus", {{"response", "tentativelyAccepted"}}},
          {"webLink", "https://outlook.office365.com/owa/?itemid=" + id}};
}

FakeProvider::Routes graphRoutes() {
  return [](httplib::Server& server) {
    server.Get("/v1.0/me/calendar", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"id", "cal-1"}, {"name", "Calendrier"}});
    });
    server.Get(
        "/v1.0/me/calendarView", [](const httplib::Request& request, httplib::Response& res) {
          if (request.get_param_value("$skiptoken") == "2") {
            return answerJson(
                res, {{"value",
                       {event("E3", "2026-12-09T08:00:00.0000000", "2026-12-09T10:30:00.0000000"),
                        {{"id", "broken"}, {"subject", "Sans heures"}},
                        {{"id", "E4"},
                         {"isCancelled", true},
                         {"start", {{"dateTime", "2026-12-09T08:00:00"}}},
                         {"end", {{"dateTime", "2026-12-09T09:00:00"}}}}}}});
          }
          answerJson(res,
                     {{"value",
                       {event("E1", "2026-12-08T09:00:00.0000000", "2026-12-08T09:30:00.0000000"),
                        event("E2", "2026-12-08T13:00:00.0000000", "2026-12-08T14:00:00.0000000")}},
                      {"@odata.nextLink", "http://" + request.get_header_value("Host") +
                                              "/v1.0/me/calendarView?$skiptoken=2"}});
        });
    server.Get("/v1.0/me/todo/lists", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res,
                 {{"value", {{{"id", "L1"}, {"displayName", "Tâches"}}, {{"displayName", "?"}}}}});
    });
    server.Get("/v1.0/me/todo/lists/L1/tasks", [](const httplib::Request&, httplib::Response& res) {
      answerJson(
          res,
          {{"value",
            {{{"id", "T1"},
              {"title", "Payer la facture"},
              {"status", "notStarted"},
              {"importance", "high"},
              {"body", {{"content", "avant vendredi"}, {"contentType", "text"}}},
              {"dueDateTime", {{"dateTime", "2026-12-10T00:00:00.0000000"}, {"timeZone", "UTC"}}}},
             {{"id", "T2"}, {"title", "Fait"}, {"status", "completed"}},
             {{"title", "sans id"}}}}});
    });
    server.Patch(R"(/v1.0/me/todo/lists/L1/tasks/(.+))",
                 [](const httplib::Request& request, httplib::Response& res) {
                   answerJson(res, {{"id", request.matches[1]}, {"status", "completed"}});
                 });
    server.Patch(R"(/v1.0/me/events/(.+))",
                 [](const httplib::Request& request, httplib::Response& res) {
                   json updated = json::parse(request.body);
                   updated["id"] = request.matches[1];
                   answerJson(res, updated);
                 });
  };
}

TEST(MicrosoftAdapter, listsTwoWeeksOfEventsOverPagesAndOpenToDoTasks) {
  FakeProvider fake(graphRoutes());
  ConnectedUser user("microsoft", fake);
  ProviderSession session = user.session();
  const std::vector<PipelineItem> items = MicrosoftAdapter().openItems(session, {});

  std::vector<std::string> ids;
  for (const PipelineItem& item : items) ids.push_back(item.id());
  EXPECT_EQ(ids, (std::vector<std::string>{"microsoft:E1", "microsoft:E2", "microsoft:E3",
                                           "microsoft:T1"}));

  const std::vector<testing::SeenRequest> views = fake.seen("/v1.0/me/calendarView");
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].param("startDateTime"), "2026-12-07T12:00:00Z");
  EXPECT_EQ(views[0].param("endDateTime"), "2026-12-21T12:00:00Z");
  EXPECT_EQ(views[1].param("$skiptoken"), "2");
  for (const testing::SeenRequest& request : views) {
    EXPECT_EQ(request.authorization, "Bearer access-1");
    EXPECT_EQ(request.headers.find("Prefer")->second, "outlook.timezone=\"UTC\"");
  }
  EXPECT_EQ(fake.seen("/v1.0/me/todo/lists/L1/tasks")[0].param("$filter"), "status ne 'completed'");

  const PipelineItem& first = items[0];
  EXPECT_EQ(first.provider, "microsoft-calendar");
  EXPECT_EQ(first.kind, "calendar");
  EXPECT_EQ(first.startsAt, ConnectedUser::NOW + 21 * 3600);
  EXPECT_EQ(first.durationMin, 30);
  EXPECT_EQ(first.calendarEvent, (PipelineCalendarEvent{"cal-1", "E1", "uid-E1", "tentative",
                                                        std::nullopt, std::nullopt}));
  const json record = itemRecord(first, ConnectedUser::NOW);
  EXPECT_EQ(record["placements"], json{"calendar.grid"});
  EXPECT_EQ(record["rpg"]["realm"], "calendar");
  EXPECT_EQ(record["actions"], json::array());
  EXPECT_EQ(record["calendarEvent"], (json{{"calendarId", "cal-1"},
                                           {"eventId", "E1"},
                                           {"iCalUID", "uid-E1"},
                                           {"myResponseStatus", "tentative"}}));
  EXPECT_EQ(rpgOf(items[2], ConnectedUser::NOW).threat, "high");  // two and a half hours

  const PipelineItem& task = items[3];
  EXPECT_EQ(task.provider, "microsoft-todo");
  EXPECT_EQ(task.title, "Payer la facture");
  EXPECT_EQ(task.notes, "avant vendredi");
  EXPECT_EQ(task.priority, 3);
  EXPECT_TRUE(task.dueIsDay);
  EXPECT_EQ(task.projectName, "Tâches");
}

TEST(MicrosoftAdapter, completesTasksMovesEventsAndLeavesEventsAlone) {
  FakeProvider fake(graphRoutes());
  ConnectedUser user("microsoft", fake);
  ProviderSession session = user.session();
  PipelineItem task;
  task.segment = "microsoft";
  task.kind = "task";
  task.providerItemId = "T1";
  task.handle = {{"listId", "L1"}};
  MicrosoftAdapter().complete(session, task);
  ASSERT_EQ(fake.seen().size(), 1u);
  EXPECT_EQ(fake.seen()[0].method, "PATCH");
  EXPECT_EQ(fake.seen()[0].path, "/v1.0/me/todo/lists/L1/tasks/T1");
  EXPECT_EQ(fake.seen()[0].json(), (json{{"status", "completed"}}));

  PipelineItem event = task;
  event.kind = "calendar";
  EXPECT_THROW(MicrosoftAdapter().complete(session, event), ProviderFailure);
  EXPECT_THROW(MicrosoftAdapter().remove(session, event), ProviderFailure);
  EXPECT_EQ(fake.seen().size(), 1u);

  const json moved =
      moveMicrosoftEvent(session, "E1", ConnectedUser::NOW, ConnectedUser::NOW + 1800);
  EXPECT_EQ(fake.seen().back().json(),
            (json{{"start", {{"dateTime", "2026-12-07T12:00:00"}, {"timeZone", "UTC"}}},
                  {"end", {{"dateTime", "2026-12-07T12:30:00"}, {"timeZone", "UTC"}}}}));
  EXPECT_EQ(moved["id"], "E1");
}

}  // namespace
}  // namespace talewick::server
