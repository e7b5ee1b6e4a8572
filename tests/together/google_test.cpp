// A Google calendar from the user's command line to Google and back: the program against the
// server's real routes, and the server against a stand-in for Google Calendar's API. The events
// become quests, an invitation is answered at Google, and a moved event moves there, never into
// the local calendar.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "server/provider_fake_testing.hpp"
#include "server/route_testing.hpp"
#include "server/together_testing.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

using nlohmann::json;
using server::testing::FakeProvider;
using server::testing::TogetherServer;

// Ada's primary calendar ("access-1" is her token) holds one invitation, "A1", which remembers
// what was changed.
struct GoogleCalendar {
  std::mutex mutex;
  json invitation = {
      {"id", "A1"},
      {"iCalUID", "uid-A1"},
      {"summary", "Revue de sprint"},
      {"start", {{"dateTime", "2026-12-08T09:00:00Z"}}},
      {"end", {{"dateTime", "2026-12-08T10:00:00Z"}}},
      {"attendees",
       {{{"email", "lea@example.com"}, {"responseStatus", "accepted"}},
        {{"email", "ada@example.com"}, {"self", true}, {"responseStatus", "needsAction"}}}}};

  FakeProvider::Routes routes() {
    const auto ada = [](const httplib::Request& request) {
      return request.get_header_value("authorization") == "Bearer access-1";
    };
    return [this, ada](httplib::Server& api) {
      api.Get("/calendar/v3/users/me/calendarList",
              [ada](const httplib::Request& request, httplib::Response& res) {
                if (!ada(request)) return server::testing::answerJson(res, json::object(), 401);
                server::testing::answerJson(
                    res, {{"items", {{{"id", "primary"}, {"summary", "Ada"}, {"primary", true}}}}});
              });
      api.Get("/calendar/v3/calendars/primary/events",
              [this](const httplib::Request&, httplib::Response& res) {
                const std::lock_guard lock(mutex);
                server::testing::answerJson(res, {{"items", {invitation}}});
              });
      api.Get("/calendar/v3/calendars/primary/events/A1",
              [this](const httplib::Request&, httplib::Response& res) {
                const std::lock_guard lock(mutex);
                server::testing::answerJson(res, invitation);
              });
      api.Patch("/calendar/v3/calendars/primary/events/A1",
                [this](const httplib::Request& request, httplib::Response& res) {
                  const std::lock_guard lock(mutex);
                  invitation.update(json::parse(request.body));
                  server::testing::answerJson(res, invitation);
                });
    };
  }
};

class GoogleTogether : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-08T08:00:00+01:00");
    std::filesystem::create_directories(calendarFolder);
    ::setenv("TALEWICK_CALENDAR_DIR", calendarFolder.c_str(), 1);
    ASSERT_EQ(
        testing::runCli({"backend", server.url(), "--secret", server::testing::kTogetherSecret})
            .status,
        0);
  }
  void TearDown() override { testing::forgetCommandHome(); }

  // Registers the program (its first call does) and connects its user's Google account, as the
  // server's OAuth return would.
  void connectGoogle() {
    testing::runCli({"pipeline"});
    const std::string userId = testing::runCliJson({"backend"})["userId"].get<std::string>();
    server::testing::connectAccount(
        server.storage(), server.config(),
        {userId, "google-calendar", "ada-google", "access-1", server.now()});
  }

  std::vector<server::testing::SeenRequest> patches() const {
    std::vector<server::testing::SeenRequest> found;
    for (const auto& request : provider.seen()) {
      if (request.method == "PATCH") found.push_back(request);
    }
    return found;
  }

  GoogleCalendar google;
  FakeProvider provider{google.routes()};
  TogetherServer server{server::testing::Engine::sqlite, false, [this](server::Config& config) {
                          server::ProviderSettings& settings = config.providers["google-calendar"];
                          settings.apiBaseURL = provider.url();
                          settings.tokenURL = provider.url() + "/oauth/token";
                        }};
  testing::TempFolder home{"google-together"};
  std::filesystem::path calendarFolder = home / "calendar";
};

TEST_F(GoogleTogether, AnInvitationBecomesAQuestAnsweredAndMovedAtGoogleOnly) {
  connectGoogle();
  const testing::CliResult synced = testing::runCli({"pipeline", "--force"});
  ASSERT_EQ(synced.status, 0) << synced.err;
  const testing::CliResult today = testing::runCli({"today"});
  ASSERT_NE(today.out.find("10:00"), std::string::npos) << today.out << today.err;
  ASSERT_NE(today.out.find("[integration:google-calendar:A1]"), std::string::npos) << today.out;
  EXPECT_TRUE(patches().empty());

  const testing::CliResult answered =
      testing::runCli({"answer", "integration:google-calendar:A1", "accept"});
  ASSERT_EQ(answered.status, 0) << answered.out << answered.err;
  std::vector<server::testing::SeenRequest> sent = patches();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].authorization, "Bearer access-1");
  // Only Ada's own answer changes; Léa's stays hers.
  EXPECT_EQ(sent[0].json()["attendees"],
            (json{{{"email", "lea@example.com"}, {"responseStatus", "accepted"}},
                  {{"email", "ada@example.com"}, {"self", true}, {"responseStatus", "accepted"}}}));

  const testing::CliResult moved =
      testing::runCli({"move", "integration:google-calendar:A1", "--to", "2026-12-08T15:00"});
  ASSERT_EQ(moved.status, 0) << moved.out << moved.err;
  sent = patches();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].json(), (json{{"start", {{"dateTime", "2026-12-08T14:00:00Z"}}},
                                  {"end", {{"dateTime", "2026-12-08T15:00:00Z"}}}}));
  // The quest follows its event; the local calendar never got a copy.
  EXPECT_NE(testing::runCli({"today"}).out.find("15:00"), std::string::npos);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(calendarFolder)) {
    ADD_FAILURE() << "the local calendar holds " << entry.path();
  }
}

}  // namespace
}  // namespace talewick
