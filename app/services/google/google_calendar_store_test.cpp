// The Google Calendar store, the invitation answers and the background rounds against a
// loopback stand-in for the backend: the cache kept on disk and through failures, the status
// lines, the latest of two quick answers winning, a Google or Outlook event moved only remotely,
// and the daemon's loop starting with a round.
#include "services/google/google_calendar_store.hpp"

#include <gtest/gtest.h>

#include "platform/linux_files.hpp"
#include "services/google/google_calendar_background_sync.hpp"
#include "services/google/invite_rsvp_service.hpp"
#include "services/pipeline/remote_event_move.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/service_session.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::google {
namespace {

using testing::FakeBackend;
using testing::ServiceSession;

constexpr const char* kStatus = "/api/google-calendar/connections";
constexpr const char* kSync = "/api/google-calendar/sync";
const std::string kConnected = R"({"connection": {"id": "acc", "accountLabel": "Ada"}})";

std::string synced(const std::vector<std::string>& ids) {
  Json events = Json::array();
  for (const std::string& id : ids) {
    events.push_back({{"id", id},
                      {"calendarId", "work"},
                      {"start", "2026-12-08T09:00:00Z"},
                      {"myResponseStatus", "needsAction"}});
  }
  return Json{{"connection", {{"id", "acc"}}},
              {"calendars", {{{"id", "work"}, {"name", "Travail"}}}},
              {"events", events},
              {"syncedAt", "2026-12-07T12:00:00Z"}}
      .dump();
}

GoogleCalendarStore open(ServiceSession& session, const std::filesystem::path& file) {
  return GoogleCalendarStore(linuxFiles(), file, session.backend(), session.preferences,
                             session.loop, session.said);
}

TEST(GoogleCalendarStore, KeepsTheLastCacheOnDiskAndThroughFailures) {
  testing::TempFolder home("google-store");
  FakeBackend fake;
  ServiceSession session(fake.url());
  const auto file = home / GoogleCalendarStore::FILE_NAME;
  GoogleCalendarStore store = open(session, file);

  fake.answer("GET", kStatus, {200, R"({"connection": null})"});
  store.refresh();
  session.loop.settle();
  EXPECT_EQ(store.statusLine(), "Google Calendar non connecté");
  session.preferences.values[GoogleCalendarStore::CONNECTED_FLAG] = true;
  store.refresh();
  session.loop.settle();
  EXPECT_EQ(store.statusLine(), "Google Calendar prêt, en attente de validation OAuth Google.");
  EXPECT_EQ(fake.count("POST", kSync), 0);

  fake.answer("GET", kStatus, {200, kConnected});
  fake.answer("POST", kSync, {200, synced({"e1", "e2"})});
  store.refresh();
  session.loop.settle();
  EXPECT_EQ(store.statusLine(), "Google Calendar synchronisé : 2");
  EXPECT_TRUE(store.isConnected());
  EXPECT_EQ(fake.received().back().headers.at("authorization"), "Bearer la-cle");
  ASSERT_TRUE(open(session, file).cache());
  EXPECT_EQ(open(session, file).cache()->events.size(), 2u);

  for (const FakeBackend::Answer& bad :
       {FakeBackend::Answer{502, R"({"error": "Google Calendar a répondu HTTP 500"})"},
        FakeBackend::Answer{200, R"({"events": 3})"}}) {
    fake.answer("POST", kSync, bad);
    store.refresh();
    session.loop.settle();
    EXPECT_TRUE(store.statusLine().starts_with("Google Calendar impossible : "))
        << store.statusLine();
    EXPECT_TRUE(store.failed());
    EXPECT_EQ(store.cache()->events.size(), 2u);
    EXPECT_EQ(open(session, file).cache()->events.size(), 2u);
  }
}

TEST(InviteRSVPService, TheLatestOfTwoQuickAnswersWinsAndIsRemembered) {
  testing::TempFolder home("google-rsvp");
  FakeBackend fake;
  fake.answer("GET", kStatus, {200, kConnected});
  fake.answer("POST", kSync, {200, synced({"e1"})});
  fake.answer("PATCH", "/api/google-calendar/events/work/e1", {200, "{}"});
  ServiceSession session(fake.url());
  session.preferences.values[InviteRSVPService::RESPONDED_KEY] =
      Json{{"old|1", "accepted"}, {"odd|2", "peut-être"}, {"bad|3", 4}};
  GoogleCalendarStore store = open(session, home / GoogleCalendarStore::FILE_NAME);
  InviteRSVPService service(store, session.preferences);
  EXPECT_EQ(service.responded(), (std::map<std::string, std::string>{{"old|1", "accepted"}}));

  const std::string occurrence = "integration:google-calendar:e1";
  const Date start = decodeJsonText<Date>(R"("2026-12-08T09:00:00Z")");
  std::vector<bool> results;
  service.warmUpIfNeeded([&] {
    for (const char* answer : {"accepted", "declined"}) {
      service.respond(answer, occurrence, start,
                      [&](bool ok, const std::string&) { results.push_back(ok); });
    }
  });
  session.loop.settle();
  EXPECT_EQ(results, (std::vector<bool>{true, true}));
  ASSERT_EQ(fake.count("PATCH", "/api/google-calendar/events/work/e1"), 2);
  EXPECT_EQ(Json::parse(fake.received().back().body), (Json{{"response", "declined"}}));
  EXPECT_EQ(service.optimisticResponse(occurrence, start), "declined");
  EXPECT_EQ((session.preferences.values[InviteRSVPService::RESPONDED_KEY]
                 .get<std::map<std::string, std::string>>()),
            (std::map<std::string, std::string>{{"old|1", "accepted"},
                                                {occurrence + "|1796720400", "declined"}}));

  // An occurrence no synced event stands for is not answered at all.
  std::optional<bool> unknown;
  service.respond("accepted", std::string("integration:google-calendar:zz"), start,
                  [&](bool ok, const std::string&) { unknown = ok; });
  EXPECT_EQ(unknown, false);
  fake.answer("PATCH", "/api/google-calendar/events/work/e1", {502, R"({"error": "refus"})"});
  std::string failure;
  service.respond("tentative", occurrence, start,
                  [&](bool, const std::string& why) { failure = why; });
  session.loop.settle();
  EXPECT_EQ(failure, "refus");
  EXPECT_EQ(service.optimisticResponse(occurrence, start), "declined");
}

TEST(RemoteEventMove, AGoogleOrOutlookEventIsPatchedOnceAtItsOwnCalendar) {
  FakeBackend fake;
  fake.answer("PATCH", "/api/google-calendar/events/work/e1", {200, "{}"});
  fake.answer("PATCH", "/api/microsoft/calendar/events/m1", {404, R"({"error": "inconnu"})"});
  ServiceSession session(fake.url());
  IntegrationWire::Item item;
  item.provider = "google-calendar";
  item.kind = "calendar";
  item.placements = {"calendar.grid"};
  item.calendarEvent.emplace();
  item.calendarEvent->calendarId = "work";
  item.calendarEvent->eventId = "e1";
  const Date start = decodeJsonText<Date>(R"("2026-12-08T09:00:00Z")");
  std::vector<std::optional<std::string>> outcomes;
  const auto move = [&](const IntegrationWire::Item& what) {
    pipeline::moveRemoteEvent(
        session.connection, session.loop.serialQueue("move"), what, start, start.adding(2700),
        [&](std::optional<std::string> failure) { outcomes.push_back(failure); });
    session.loop.settle();
  };
  move(item);
  ASSERT_EQ(fake.count("PATCH", "/api/google-calendar/events/work/e1"), 1);
  EXPECT_EQ(Json::parse(fake.received().back().body),
            (Json{{"start", "2026-12-08T09:00:00Z"}, {"end", "2026-12-08T09:45:00Z"}}));

  item.provider = "microsoft-calendar";
  item.calendarEvent->eventId = "m1";
  move(item);
  EXPECT_EQ(Json::parse(fake.received().back().body),
            (Json{{"startsAt", "2026-12-08T09:00:00Z"}, {"endsAt", "2026-12-08T09:45:00Z"}}));
  EXPECT_EQ(outcomes, (std::vector<std::optional<std::string>>{
                          std::nullopt, "Échec du déplacement Outlook Calendar : inconnu"}));
  item.provider = "todoist";
  EXPECT_FALSE(pipeline::isMovableRemoteEvent(item));
}

TEST(GoogleCalendarBackgroundSync, StartsWithOneRoundAndBacksOffOnFailures) {
  testing::TempFolder home("google-loop");
  FakeBackend fake;
  fake.answer("GET", kStatus, {200, kConnected});
  fake.answer("POST", kSync, {200, synced({"e1"})});
  ServiceSession session(fake.url());
  GoogleCalendarStore store = open(session, home / GoogleCalendarStore::FILE_NAME);
  std::vector<std::string> steps;
  GoogleCalendarBackgroundSync sync(store, session.loop.main(),
                                    {[&](std::function<void()> done) {
                                       steps.push_back("pipeline");
                                       done();
                                     },
                                     [&] { steps.push_back("quests"); }});
  sync.start();
  sync.start();       // once only
  sync.refreshNow();  // while the first round runs: it follows, never overlapping
  EXPECT_TRUE(sync.running());
  session.loop.settle();
  EXPECT_EQ(steps, (std::vector<std::string>{"pipeline", "quests", "pipeline", "quests"}));
  EXPECT_EQ(fake.count("POST", kSync), 2);
  EXPECT_EQ(sync.nextWait(), std::chrono::seconds(60));

  using std::chrono::seconds;
  EXPECT_EQ(GoogleCalendarBackgroundSync::waitAfter(seconds(60), true), seconds(120));
  EXPECT_EQ(GoogleCalendarBackgroundSync::waitAfter(seconds(600), true), seconds(900));
  EXPECT_EQ(GoogleCalendarBackgroundSync::waitAfter(seconds(900), false), seconds(60));
}

}  // namespace
}  // namespace talewick::google
