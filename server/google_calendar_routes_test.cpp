// The Google Calendar routes through the whole server: two users each with their own account at
// a Google stand-in, the sync answer, answers and moves reaching only the caller's own events,
// Meet creation, and the events joining the integration pipeline.
#include "server/google_calendar_routes.hpp"

#include <gtest/gtest.h>

#include "server/provider_fake_testing.hpp"
#include "server/route_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::FakeProvider;
using testing::SeenRequest;

using Answer = testing::RouteAnswer;

// Each account sees its primary calendar with one invitation: Ada "A1", Bob "B1".
FakeProvider::Routes googleRoutes() {
  const auto owner = [](const httplib::Request& request) {
    return request.get_header_value("authorization") == "Bearer ada-token" ? "A" : "B";
  };
  const auto event = [](const std::string& id) {
    return json{{"id", id},
                {"summary", "Réunion " + id},
                {"start", {{"dateTime", "2026-12-08T09:00:00Z"}}},
                {"end", {{"dateTime", "2026-12-08T10:00:00Z"}}},
                {"attendees", {{{"email", "me@example.com"}, {"self", true}}}}};
  };
  return [owner, event](httplib::Server& server) {
    server.Get("/calendar/v3/users/me/calendarList",
               [](const httplib::Request&, httplib::Response& res) {
                 answerJson(res, {{"items", {{{"id", "primary-cal"}, {"summary", "Moi"}}}}});
               });
    server.Get("/calendar/v3/calendars/primary-cal/events",
               [owner, event](const httplib::Request& request, httplib::Response& res) {
                 answerJson(res, {{"items", {event(std::string(owner(request)) + "1")}}});
               });
    server.Get(R"(/calendar/v3/calendars/primary-cal/events/(\w+))",
               [event](const httplib::Request& request, httplib::Response& res) {
                 answerJson(res, event(request.matches[1]));
               });
    server.Patch(R"(/calendar/v3/calendars/primary-cal/events/(\w+))",
                 [event](const httplib::Request& request, httplib::Response& res) {
                   json updated = event(request.matches[1]);
                   updated.update(json::parse(request.body));
                   answerJson(res, updated);
                 });
  };
}

class GoogleCalendarRoutesTest : public ::testing::Test {
 protected:
  // A user whose Google account `token` opens; the user's key.
  std::string connectedUser(const std::string& token) {
    return server_.connectedUser("google-calendar", "account-" + token, token,
                                 {{"accountLabel", token.substr(0, 3)}});
  }
  Answer call(const std::string& key, const std::string& method, const std::string& path,
              const json& body = nullptr) {
    return server_.call(key, method, path, body);
  }

  FakeProvider google_{googleRoutes()};
  testing::RouteServer server_{
      [this](Config& config) { config.providers["google-calendar"].apiBaseURL = google_.url(); }};
  std::string ada_ = connectedUser("ada-token"), bob_ = connectedUser("bob-token");
};

TEST_F(GoogleCalendarRoutesTest, syncsAndJoinsThePipeline) {
  const Answer synced = call(ada_, "POST", "/api/google-calendar/sync");
  ASSERT_EQ(synced.status, 200) << synced.body;
  EXPECT_EQ(synced.body["connection"]["id"], "account-ada-token");
  EXPECT_EQ(synced.body["calendars"], (json{{{"id", "primary-cal"}, {"name", "Moi"}}}));
  EXPECT_EQ(
      synced.body["events"],
      (json{{{"id", "A1"}, {"calendarId", "primary-cal"}, {"start", "2026-12-08T09:00:00Z"}}}));
  EXPECT_EQ(synced.body["syncedAt"], "2026-12-07T12:00:00Z");

  const Answer pipeline = call(bob_, "GET", "/api/integrations/pipeline");
  ASSERT_EQ(pipeline.status, 200);
  EXPECT_EQ(pipeline.body["errors"], json::array());
  ASSERT_EQ(pipeline.body["items"].size(), 1u);
  EXPECT_EQ(pipeline.body["items"][0]["id"], "google-calendar:B1");
  EXPECT_EQ(pipeline.body["items"][0]["placements"], json{"calendar.grid"});
}

TEST_F(GoogleCalendarRoutesTest, answersAndMovesOnlyTheCallersOwnEvents) {
  call(ada_, "POST", "/api/google-calendar/sync");
  google_.clearSeen();

  // Bob's last sync never listed Ada's event: refused without calling Google with his token.
  ASSERT_EQ(call(bob_, "POST", "/api/google-calendar/sync").status, 200);
  google_.clearSeen();
  for (const std::string path :
       {"/api/google-calendar/events/A1", "/api/google-calendar/events/primary-cal/A1"}) {
    const Answer refused = call(bob_, "PATCH", path, {{"response", "accepted"}});
    EXPECT_EQ(refused.status, 404) << path;
    EXPECT_EQ(refused.body, (json{{"error", "Élément inconnu."}}));
  }
  EXPECT_TRUE(google_.seen().empty());

  // Bodies that say nothing usable are refused before Google is called.
  const std::pair<std::string, json> bad[] = {
      {"PATCH", {{"response", "peut-être"}}},
      {"PATCH", {{"start", "demain"}}},
      {"PATCH", {{"start", "2026-12-09T10:00:00Z"}, {"end", "2026-12-09T09:00:00Z"}}},
      {"POST", {{"title", "Point"}}}};
  for (const auto& [method, body] : bad) {
    const std::string path =
        "/api/google-calendar/events" + std::string(method == "PATCH" ? "/A1" : "");
    EXPECT_EQ(call(ada_, method, path, body).status, 400) << body;
  }
  EXPECT_TRUE(google_.seen().empty());

  const Answer answered = call(ada_, "PATCH", "/api/google-calendar/events/primary-cal/A1",
                               {{"response", "tentative"}});
  ASSERT_EQ(answered.status, 200) << answered.body;
  EXPECT_EQ(answered.body["myResponseStatus"], "tentative");
  std::vector<SeenRequest> patches;
  for (const SeenRequest& request : google_.seen()) {
    if (request.method == "PATCH") patches.push_back(request);
  }
  ASSERT_EQ(patches.size(), 1u);
  EXPECT_EQ(patches[0].authorization, "Bearer ada-token");

  // The answer dropped what was kept: the move reads Ada's events again, then moves hers.
  google_.clearSeen();
  const Answer moved =
      call(ada_, "PATCH", "/api/google-calendar/events/A1",
           {{"start", "2026-12-09T10:00:00+01:00"}, {"end", "2026-12-09T10:45:00+01:00"}});
  ASSERT_EQ(moved.status, 200) << moved.body;
  EXPECT_EQ(google_.seen().back().json(), (json{{"start", {{"dateTime", "2026-12-09T09:00:00Z"}}},
                                                {"end", {{"dateTime", "2026-12-09T09:45:00Z"}}}}));
  EXPECT_EQ(moved.body["start"], "2026-12-09T09:00:00Z");
}

TEST_F(GoogleCalendarRoutesTest, reportsGooglesRefusalOfAMeet) {
  // The stand-in has no route to create events: Google's refusal comes back as a 502.
  const Answer refused = call(
      ada_, "POST", "/api/google-calendar/events",
      {{"title", "Point"}, {"start", "2026-12-09T10:00:00Z"}, {"end", "2026-12-09T10:30:00Z"}});
  EXPECT_EQ(refused.status, 502);
  EXPECT_FALSE(refused.body.value("error", "").empty());
}

}  // namespace
}  // namespace talewick::server
