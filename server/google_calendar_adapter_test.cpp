// The Google Calendar adapter against a stand-in written from the API v3 reference: calendarList
// and events.list over "nextPageToken" pages, a 429 with Retry-After, an expired token renewed,
// and the PATCH and POST bodies of an answer, a move and a Meet creation.
#include "server/google_calendar_adapter.hpp"

#include <gtest/gtest.h>

#include "server/pipeline_rules.hpp"
#include "server/provider_fake_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using nlohmann::literals::operator""_json_pointer;
using testing::answerJson;
using testing::ConnectedUser;
using testing::FakeProvider;
using testing::SeenRequest;

json timed(const std::string& id, const std::string& start, const std::string& end) {
  return {{"id", id},
          {"summary", "Revue " + id},
          {"start", {{"dateTime", start}}},
          {"end", {{"dateTime", end}}},
          {"iCalUID", "uid-" + id},
          {"htmlLink", "https://calendar.google.com/event?eid=" + id},
          {"attendees",
           {{{"email", "boss@example.com"}, {"responseStatus", "accepted"}, {"organizer", true}},
            {{"email", "ada@example.com"}, {"self", true}, {"responseStatus", "needsAction"}}}}};
}

FakeProvider::Routes googleRoutes(std::atomic<int>& throttles) {
  return [&throttles](httplib::Server& server) {
    server.Get("/calendar/v3/users/me/calendarList", [](const httplib::Request& request,
                                                        httplib::Response& res) {
      if (request.get_param_value("pageToken") == "c2") {
        return answerJson(res, {{"items", {{{"summary", "sans id"}}}}});
      }
      answerJson(res, {{"items",
                        {{{"id", "ada@example.com"},
                          {"summary", "Ada"},
                          {"primary", true},
                          {"accessRole", "owner"}},
                         {{"id", "team"}, {"summary", "Équipe"}, {"accessRole", "reader"}}}},
                       {"nextPageToken", "c2"}});
    });
    server.Get(
        R"(/calendar/v3/calendars/ada@example.com/events)",
        [&throttles](const httplib::Request& request, httplib::Response& res) {
          if (throttles > 0) {
            --throttles;
            res.set_header("Retry-After", "2");
            return answerJson(res, {{"error", {{"message", "Rate Limit Exceeded"}}}}, 429);
          }
          if (request.get_param_value("pageToken") == "p2") {
            return answerJson(
                res, {{"items",
                       {timed("G3", "2026-12-09T10:00:00+01:00", "2026-12-09T11:00:00+01:00"),
                        {{"id", "G4"},
                         {"status", "cancelled"},
                         {"start", {{"dateTime", "2026-12-09T08:00:00Z"}}}},
                        {{"id", "broken"}, {"start", {{"dateTime", "demain"}}}},
                        "pas un objet"}}});
          }
          json allDay = {{"id", "G2"},
                         {"summary", "Congé"},
                         {"start", {{"date", "2026-12-10"}}},
                         {"end", {{"date", "2026-12-11"}}}};
          answerJson(res, {{"items",
                            {timed("G1", "2026-12-08T09:00:00Z", "2026-12-08T09:30:00Z"), allDay}},
                           {"nextPageToken", "p2"}});
        });
    server.Get(R"(/calendar/v3/calendars/team/events)", [](const httplib::Request&,
                                                           httplib::Response& res) {
      json noEnd = {{"id", "T1"}, {"start", {{"dateTime", "2026-12-08T15:00:00Z"}}}};
      json seminar = {
          {"id", "T2"}, {"start", {{"date", "2026-12-12"}}}, {"end", {{"date", "2026-12-15"}}}};
      answerJson(res, {{"items", {noEnd, seminar}}});
    });
    server.Get(R"(/calendar/v3/calendars/([^/]+)/events/([^/]+))",
               [](const httplib::Request& request, httplib::Response& res) {
                 answerJson(res, timed(request.matches[2], "2026-12-08T09:00:00Z",
                                       "2026-12-08T09:30:00Z"));
               });
    server.Patch(R"(/calendar/v3/calendars/([^/]+)/events/([^/]+))",
                 [](const httplib::Request& request, httplib::Response& res) {
                   json event =
                       timed(request.matches[2], "2026-12-08T09:00:00Z", "2026-12-08T09:30:00Z");
                   event.update(json::parse(request.body));
                   answerJson(res, event);
                 });
    server.Post(R"(/calendar/v3/calendars/([^/]+)/events)", [](const httplib::Request& request,
                                                               httplib::Response& res) {
      json event = json::parse(request.body);
      event["id"] = "new-1";
      event["htmlLink"] = "https://calendar.google.com/event?eid=new-1";
      event["conferenceData"]["entryPoints"] = {
          {{"entryPointType", "phone"}, {"uri", "tel:+33-1"}},
          {{"entryPointType", "video"}, {"uri", "https://meet.google.com/abc-defg-hij"}}};
      answerJson(res, event);
    });
  };
}

TEST(GoogleCalendarAdapter, listsEveryCalendarsEventsOverPagesAfterARenewalAndAWait) {
  std::atomic<int> throttles{1};
  FakeProvider fake(googleRoutes(throttles));
  ConnectedUser user("google-calendar", fake, ConnectedUser::NOW - 60);  // expired token
  ProviderSession session = user.session();
  const GoogleCalendarSnapshot snapshot = googleCalendarSnapshot(session);

  EXPECT_EQ(fake.renewals, 1);
  EXPECT_EQ(user.waits, std::vector<int>{2});
  for (const SeenRequest& request : fake.seen()) {
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.authorization, "Bearer access-2") << request.path;
  }
  EXPECT_EQ(fake.seen("/calendar/v3/users/me/calendarList").size(), 2u);
  const std::vector<SeenRequest> lists = fake.seen("/calendar/v3/calendars/ada@example.com/events");
  ASSERT_EQ(lists.size(), 3u);  // the throttled try, then two pages
  EXPECT_EQ(lists[1].param("singleEvents"), "true");
  EXPECT_EQ(lists[1].param("orderBy"), "startTime");
  EXPECT_EQ(lists[1].param("timeMin"), "2026-12-07T12:00:00Z");
  EXPECT_EQ(lists[1].param("timeMax"), "2026-12-21T12:00:00Z");
  EXPECT_EQ(lists[1].param("pageToken"), "");
  EXPECT_EQ(lists[2].param("pageToken"), "p2");
  EXPECT_EQ(lists[2].param("timeMin"), "2026-12-07T12:00:00Z");

  EXPECT_EQ(
      snapshot.calendars,
      (json{
          {{"id", "ada@example.com"}, {"name", "Ada"}, {"primary", true}, {"accessRole", "owner"}},
          {{"id", "team"}, {"name", "Équipe"}, {"accessRole", "reader"}}}));
  std::vector<std::string> ids;
  for (const PipelineItem& item : snapshot.items) ids.push_back(item.id());
  EXPECT_EQ(ids, (std::vector<std::string>{"google-calendar:G1", "google-calendar:G2",
                                           "google-calendar:G3", "google-calendar:T1",
                                           "google-calendar:T2"}));

  const PipelineItem& first = snapshot.items[0];
  EXPECT_EQ(first.provider, "google-calendar");
  EXPECT_EQ(first.startsAt, ConnectedUser::NOW + 21 * 3600);
  EXPECT_EQ(first.durationMin, 30);
  EXPECT_EQ(first.calendarEvent,
            (PipelineCalendarEvent{"ada@example.com", "G1", "uid-G1", "needsAction", std::nullopt,
                                   std::nullopt}));
  EXPECT_EQ(googleEventRecord(first), (json{{"id", "G1"},
                                            {"calendarId", "ada@example.com"},
                                            {"iCalUID", "uid-G1"},
                                            {"start", "2026-12-08T09:00:00Z"},
                                            {"myResponseStatus", "needsAction"}}));
  // A whole day travels as the day alone, for the user's program to place in its own zone.
  const json day = itemRecord(snapshot.items[1], ConnectedUser::NOW);
  EXPECT_EQ(day["startsAt"], "2026-12-10");
  EXPECT_FALSE(day.contains("endsAt"));
  EXPECT_EQ(googleEventRecord(snapshot.items[1])["start"], "2026-12-10");
  // Several whole days end on the day after the last, as Google counts them; no fight either way.
  const json seminar = itemRecord(snapshot.items[4], ConnectedUser::NOW);
  EXPECT_EQ(seminar.value("startsAt", ""), "2026-12-12") << seminar;
  EXPECT_EQ(seminar.value("endsAt", ""), "2026-12-15") << seminar;
  for (const json* record : {&day, &seminar}) {
    EXPECT_FALSE(record->contains("durationMin")) << *record;
    EXPECT_EQ(record->value("/rpg/threat"_json_pointer, ""), "low") << *record;
  }
  EXPECT_EQ(snapshot.items[2].startsAt, ConnectedUser::NOW + 2 * 86400 - 3 * 3600);
  // Google's own events carry no answer of the user; one without end has no length of its own.
  EXPECT_FALSE(snapshot.items[3].calendarEvent->myResponseStatus);
  EXPECT_FALSE(snapshot.items[3].endsAt);
}

TEST(GoogleCalendarAdapter, answersKeepingTheOtherGuestsMovesAndCreatesAMeet) {
  std::atomic<int> throttles{0};
  FakeProvider fake(googleRoutes(throttles));
  ConnectedUser user("google-calendar", fake);
  ProviderSession session = user.session();

  const json answered = answerGoogleEvent(session, "ada@example.com", "G1", "declined");
  const std::vector<SeenRequest> calls = fake.seen();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].method, "PATCH");
  EXPECT_EQ(calls[1].path, "/calendar/v3/calendars/ada@example.com/events/G1");
  EXPECT_EQ(
      calls[1].json(),
      (json{{"attendees",
             {{{"email", "boss@example.com"}, {"responseStatus", "accepted"}, {"organizer", true}},
              {{"email", "ada@example.com"}, {"self", true}, {"responseStatus", "declined"}}}}}));
  EXPECT_EQ(googleEventItem(answered, "ada@example.com")->calendarEvent->myResponseStatus,
            "declined");

  fake.clearSeen();
  moveGoogleEvent(session, "team", "T1", ConnectedUser::NOW, ConnectedUser::NOW + 2700);
  ASSERT_EQ(fake.seen().size(), 1u);
  EXPECT_EQ(fake.seen()[0].method, "PATCH");
  EXPECT_EQ(fake.seen()[0].json(), (json{{"start", {{"dateTime", "2026-12-07T12:00:00Z"}}},
                                         {"end", {{"dateTime", "2026-12-07T12:45:00Z"}}}}));

  fake.clearSeen();
  GoogleMeetRequest request;
  request.title = "Point hebdo";
  request.startsAt = ConnectedUser::NOW;
  request.endsAt = ConnectedUser::NOW + 1800;
  request.timeZone = "Europe/Paris";
  request.notes = "ordre du jour";
  request.attendees = {"bob@example.com"};
  const nlohmann::ordered_json created = createGoogleMeetEvent(session, request);
  const SeenRequest post = fake.seen().at(0);
  EXPECT_EQ(post.path, "/calendar/v3/calendars/primary/events");
  EXPECT_EQ(post.param("conferenceDataVersion"), "1");
  const json body = post.json();
  EXPECT_EQ(body["summary"], "Point hebdo");
  EXPECT_EQ(body["description"], "ordre du jour");
  EXPECT_EQ(body["start"],
            (json{{"dateTime", "2026-12-07T12:00:00Z"}, {"timeZone", "Europe/Paris"}}));
  EXPECT_EQ(body["attendees"], (json{{{"email", "bob@example.com"}}}));
  EXPECT_EQ(body["conferenceData"]["createRequest"]["conferenceSolutionKey"],
            (json{{"type", "hangoutsMeet"}}));
  EXPECT_EQ(body["conferenceData"]["createRequest"]["requestId"].get<std::string>().size(), 36u);
  EXPECT_EQ(json(created), (json{{"id", "new-1"},
                                 {"calendarId", "primary"},
                                 {"title", "Point hebdo"},
                                 {"start", "2026-12-07T12:00:00Z"},
                                 {"end", "2026-12-07T12:30:00Z"},
                                 {"htmlLink", "https://calendar.google.com/event?eid=new-1"},
                                 {"meetLink", "https://meet.google.com/abc-defg-hij"}}));

  // An event is answered or moved, never completed: nothing is sent.
  fake.clearSeen();
  PipelineItem item;
  EXPECT_THROW(GoogleCalendarAdapter().complete(session, item), ProviderFailure);
  EXPECT_TRUE(fake.seen().empty());
}

}  // namespace
}  // namespace talewick::server
