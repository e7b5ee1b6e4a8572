// The Google Calendar routes through the whole server: two users each with their own account at
// a Google stand-in, the sync answer, answers and moves reaching only the caller's own events,
// Meet creation, and the events joining the integration pipeline.
#include "server/google_calendar_routes.hpp"

#include <gtest/gtest.h>

#include "server/api.hpp"
#include "server/provider_fake_testing.hpp"
#include "server/token_box.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::FakeProvider;
using testing::SeenRequest;

const std::string kSecret(64, 'c');
constexpr std::int64_t NOW = 1796644800;  // 2026-12-07 12:00 UTC

struct Answer {
  int status = 0;
  json body;
};

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
  GoogleCalendarRoutesTest() {
    config_.signupSecret = kSecret;
    config_.tokenKey = std::string(64, 'd');
    config_.providers["google-calendar"].apiBaseURL = google_.url();
    api_.mount(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    ada_ = registerUser("ada-token");
    bob_ = registerUser("bob-token");
  }
  ~GoogleCalendarRoutesTest() override {
    server_.stop();
    thread_.join();
  }

  std::string registerUser(const std::string& token) {
    httplib::Result result = client_->Post("/api/register", {{"x-signup-secret", kSecret}}, "", "");
    EXPECT_TRUE(result && result->status == 200);
    const json body = json::parse(result->body);
    ProviderConnection connection;
    connection.provider = "google-calendar";
    connection.id = "account-" + token;
    connection.profile = {{"accountLabel", token.substr(0, 3)}};
    connection.sealedTokens = tokens::seal(config_.tokenKey, json{{"accessToken", token}}.dump());
    storage_->saveConnection(body["userId"], connection);
    return body["apiKey"];
  }

  Answer call(const std::string& key, const std::string& method, const std::string& path,
              const json& body = nullptr) {
    const httplib::Headers headers = {{"authorization", "Bearer " + key}};
    const std::string text = body.is_null() ? "" : body.dump();
    httplib::Result result = method == "GET" ? client_->Get(path, headers)
                             : method == "POST"
                                 ? client_->Post(path, headers, text, "application/json")
                                 : client_->Patch(path, headers, text, "application/json");
    if (!result) return {};
    return {result->status, json::parse(result->body, nullptr, false)};
  }

  FakeProvider google_{googleRoutes()};
  talewick::testing::TempFolder folder_{"google-routes"};
  Config config_;
  std::unique_ptr<Storage> storage_ =
      openStorage(*DatabaseLocation::parse("sqlite:" + (folder_ / "t.db").string()));
  std::ostringstream logText_;
  Log log_{logText_};
  Api api_{config_, *storage_, log_, postForm, [] { return NOW; }, [](int) {}};
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::unique_ptr<httplib::Client> client_;
  std::string ada_, bob_;
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

  for (const json& bad :
       {json{{"response", "peut-être"}}, json{{"start", "demain"}},
        json{{"start", "2026-12-09T10:00:00Z"}, {"end", "2026-12-09T09:00:00Z"}}}) {
    EXPECT_EQ(call(ada_, "PATCH", "/api/google-calendar/events/A1", bad).status, 400) << bad;
  }

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

TEST_F(GoogleCalendarRoutesTest, refusesAMeetWithoutTimesAndReportsGooglesRefusal) {
  EXPECT_EQ(call(ada_, "POST", "/api/google-calendar/events", {{"title", "Point"}}).status, 400);
  // The stand-in has no route to create events: Google's refusal comes back as a 502.
  const Answer refused = call(
      ada_, "POST", "/api/google-calendar/events",
      {{"title", "Point"}, {"start", "2026-12-09T10:00:00Z"}, {"end", "2026-12-09T10:30:00Z"}});
  EXPECT_EQ(refused.status, 502);
  EXPECT_FALSE(refused.body.value("error", "").empty());
}

}  // namespace
}  // namespace talewick::server
