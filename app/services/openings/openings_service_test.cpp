// Booking links from this side: against the real backend for what a visitor and the owner do
// together, against a fake one for what must never be sent and for failures.
#include "services/openings/openings_service.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include "platform/curl_http_client.hpp"
#include "support/local_calendar.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick::openings {
namespace {

using backend::BackendConnection;
using testing::localDate;

// A Monday far enough ahead for the backend, which offers only slots still to come.
const Date kNow = localDate(2099, 6, 8, 8);

CalendarEvent busy(const std::string& id, Date start, Date end) {
  CalendarEvent e;
  e.eventIdentifier = id;
  e.calendarID = "perso";
  e.title = "Occupé";
  e.start = start;
  e.end = end;
  return e;
}

std::string slotAt(int day, int hour, int minute = 0) {
  return iso8601::format(localDate(2099, 6, day, hour, minute),
                         LocalCalendar::utcOffsetSeconds(localDate(2099, 6, day, hour, minute)));
}

// The service over a backend at `url`, a calendar in memory, and a clock stopped at kNow.
struct World {
  explicit World(const std::string& url, const std::string& secret = std::string(64, 'a')) {
    preferences.values[BackendConnection::BASE_URL_KEY] = url;
    secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = secret;
    calendar.calendarList = {{"perso", "Perso", std::nullopt, true, ""}};
    quests.setReloadDelay(std::chrono::milliseconds(0));
  }

  template <class T>
  Outcome<T> wait(const std::function<void(std::function<void(Outcome<T>)>)>& start) {
    Outcome<T> result;
    start([&result](Outcome<T> outcome) { result = std::move(outcome); });
    loop.settle();
    return result;
  }
  Outcome<std::string> publish(const std::string& approval, int64_t days = 2) {
    AvailabilityConfig config;
    config.horizonDays = days;
    return wait<std::string>(
        [&](auto done) { service.publish("Café", 30, approval, config, std::move(done)); });
  }
  Outcome<int> poll() {
    return wait<int>([&](auto done) { service.pollAndImport(std::move(done)); });
  }
  std::vector<CalendarEvent> written() const {
    std::vector<CalendarEvent> events;
    for (const CalendarEvent& e : calendar.occurrences) {
      if (e.title != "Occupé") events.push_back(e);
    }
    return events;
  }

  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  testing::FakeCalendarStore calendar;
  CalendarSelection selection{preferences};
  CurlHttpClient http;
  RunLoop loop;
  BackendConnection backend{preferences, secrets, http, loop};
  QuestStore quests{calendar,    selection,           preferences, nullptr,
                    loop.main(), [] { return kNow; }, false};
  OpeningsService service{backend, preferences,        secrets, calendar, quests,
                          loop,    [] { return kNow; }};
};

// A visitor's form sent to the page at `url`; the status of the answer.
int book(const std::string& url, const std::string& slot, const std::string& name,
         const std::string& email) {
  const std::size_t path = url.find("/b/");
  httplib::Client client(url.substr(0, path));
  httplib::Params form{{"slot", slot}, {"name", name}, {"email", email}, {"note", "Bonjour"}};
  const httplib::Result answer = client.Post(url.substr(path), form);
  return answer ? answer->status : 0;
}

// The failure's message, and its case when it is an OpeningsError (server otherwise).
std::string textOf(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  }
}
OpeningsError::Kind kindOf(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const OpeningsError& e) {
    return e.kind();
  } catch (...) {
    ADD_FAILURE() << "not an OpeningsError: " << textOf(failure);
    return OpeningsError::Kind::server;
  }
}

class OpeningsWithTheRealBackend : public ::testing::Test {
 protected:
  testing::TempFolder folder{"openings-service"};
  testing::ServerProcess server{testing::serverBeside(TALEWICK_BINARY), folder.path()};
  World world{server.url(), server.signupSecret()};
};

TEST_F(OpeningsWithTheRealBackend, PublishesFreeSlotsAndWritesEachConfirmedBookingOnce) {
  world.calendar.occurrences = {busy("matin", localDate(2099, 6, 8, 9), localDate(2099, 6, 8, 12)),
                                // A hidden calendar's meeting takes the time all the same.
                                busy("cache", localDate(2099, 6, 9, 9), localDate(2099, 6, 9, 18))};
  world.selection.setHidden("perso", true);
  const Outcome<std::string> url = world.publish("auto");
  ASSERT_TRUE(url.ok()) << textOf(url.failure);
  ASSERT_EQ(world.service.publishedOpenings().size(), 1u);
  EXPECT_EQ(world.service.publishedOpenings()[0].title, "Café");
  EXPECT_EQ(world.service.publishedOpenings()[0].durationMin, 30);

  // The page offers the afternoon, after the break that follows the morning's meeting.
  const std::size_t path = url.value->find("/b/");
  httplib::Client client(url.value->substr(0, path));
  const httplib::Result page = client.Get(url.value->substr(path));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->body.find(slotAt(8, 11, 30)), std::string::npos);
  EXPECT_EQ(page->body.find(slotAt(8, 12)), std::string::npos);
  EXPECT_NE(page->body.find(slotAt(8, 12, 30)), std::string::npos);
  EXPECT_NE(page->body.find(slotAt(8, 17, 30)), std::string::npos);
  EXPECT_EQ(page->body.find(slotAt(8, 18)), std::string::npos);
  EXPECT_EQ(page->body.find(slotAt(9, 10)), std::string::npos);

  EXPECT_EQ(book(*url.value, slotAt(8, 14), "Zoë Durand", "zoe@example.org"), 200);
  const Outcome<int> first = world.poll();
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(*first.value, 1);
  ASSERT_EQ(world.written().size(), 1u);
  const CalendarEvent event = world.written()[0];
  EXPECT_EQ(event.title, "Café");
  EXPECT_EQ(event.calendarID, "perso");
  EXPECT_EQ(event.start, localDate(2099, 6, 8, 14));
  EXPECT_EQ(event.end, localDate(2099, 6, 8, 14, 30));
  EXPECT_EQ(event.notes, "Contact : Zoë Durand <zoe@example.org>\nRéservé via Doridozu.");
  ASSERT_EQ(event.attendees.size(), 1u);
  EXPECT_EQ(event.attendees[0].name, "Zoë Durand");
  EXPECT_EQ(event.attendees[0].url, "mailto:zoe@example.org");
  EXPECT_EQ(world.service.importedIDs().size(), 1u);

  const Outcome<int> second = world.poll();
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(*second.value, 0);
  EXPECT_EQ(world.written().size(), 1u);
  world.service.refreshBookingRequests();
  world.loop.settle();
  ASSERT_EQ(world.service.bookingRequests().size(), 1u);
  EXPECT_EQ(world.service.bookingRequests()[0].status, "imported");
  EXPECT_EQ(world.service.bookingRequests()[0].openingTitle, "Café");
}

TEST_F(OpeningsWithTheRealBackend, RequestsWaitForTheOwnersAnswer) {
  const Outcome<std::string> url = world.publish("manual");
  ASSERT_TRUE(url.ok());
  EXPECT_EQ(book(*url.value, slotAt(8, 9), "Ana", "ana@example.org"), 200);
  EXPECT_EQ(book(*url.value, slotAt(8, 10), "Bob", "bob@example.org"), 200);
  EXPECT_EQ(book(*url.value, slotAt(8, 11), "Cy", "cy@example.org"), 200);
  EXPECT_EQ(*world.poll().value, 0) << "nothing is confirmed yet";

  world.service.refreshBookingRequests();
  world.loop.settle();
  EXPECT_FALSE(world.service.bookingsError());
  ASSERT_EQ(world.service.bookingRequests().size(), 3u);
  EXPECT_EQ(world.service.pendingBookingCount(), 3);
  const std::vector<BookingRequest> requests = world.service.bookingRequests();

  const Outcome<bool> approved =
      world.wait<bool>([&](auto done) { world.service.approve(requests[0], std::move(done)); });
  ASSERT_TRUE(approved.ok());
  EXPECT_TRUE(*approved.value);
  const Outcome<bool> declined =
      world.wait<bool>([&](auto done) { world.service.decline(requests[1], std::move(done)); });
  ASSERT_TRUE(declined.ok());
  ASSERT_EQ(world.written().size(), 1u);
  EXPECT_EQ(world.written()[0].attendees[0].name, "Ana");
  EXPECT_EQ(*world.poll().value, 0) << "approving wrote it already";

  world.service.refreshBookingRequests();
  world.loop.settle();
  std::vector<std::pair<std::string, std::string>> seen;
  for (const BookingRequest& r : world.service.bookingRequests())
    seen.emplace_back(r.name, r.status);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{
                      {"Cy", "pending"}, {"Ana", "imported"}, {"Bob", "declined"}}));
  EXPECT_EQ(world.service.pendingBookingCount(), 1);
}

TEST(OpeningsService, AFullCalendarPublishesNothing) {
  testing::FakeBackend server;
  World world(server.url());
  world.calendar.occurrences = {busy("plein", localDate(2099, 6, 1), localDate(2099, 7, 1))};
  const Outcome<std::string> url = world.publish("manual", 5);
  ASSERT_FALSE(url.ok());
  EXPECT_EQ(kindOf(url.failure), OpeningsError::Kind::noSlots);
  EXPECT_TRUE(server.received().empty()) << "not even a registration";
  EXPECT_FALSE(world.preferences.values.contains(OpeningsService::PUBLISHED_KEY));

  // No backend at all: the same silence, for another reason.
  World nowhere("   ");
  EXPECT_EQ(kindOf(nowhere.publish("manual").failure), OpeningsError::Kind::notConfigured);
}

TEST(OpeningsService, AKeyLeftInThePreferencesMovesToTheSecrets) {
  testing::FakeBackend server;
  server.answer("GET", "/api/openings/o1/bookings", {200, R"({"bookings": []})"});
  World world(server.url());
  world.preferences.values[BackendConnection::API_KEY_ITEM] = "old-key";
  world.preferences.values[OpeningsService::PUBLISHED_KEY] =
      Json::array({{{"id", "o1"}, {"title", "Café"}, {"durationMin", 30}}});
  world.service.refreshBookingRequests();
  world.loop.settle();
  EXPECT_FALSE(world.service.bookingsError());
  EXPECT_EQ(world.secrets.items[BackendConnection::API_KEY_ITEM], "old-key");
  EXPECT_FALSE(world.preferences.values.contains(BackendConnection::API_KEY_ITEM));
  ASSERT_EQ(server.received().size(), 1u);
  EXPECT_EQ(server.received()[0].headers.at("authorization"), "Bearer old-key");

  // Without a usable secrets store, the key stays where it works.
  World stuck(server.url());
  stuck.secrets.failWrites = true;
  stuck.preferences.values[BackendConnection::API_KEY_ITEM] = "old-key";
  stuck.service.refreshBookingRequests();
  stuck.loop.settle();
  EXPECT_EQ(stuck.preferences.values[BackendConnection::API_KEY_ITEM], "old-key");
}

TEST(OpeningsService, FailuresKeepWhatWasAlreadyThere) {
  testing::FakeBackend server;
  const std::string confirmed =
      R"({"bookings": [{"id": "b1", "slot": "2099-06-08T10:00:00+02:00", "name": "Ana",
          "email": "ana@example.org", "note": "", "status": "confirmed",
          "createdAt": "2099-06-01T08:00:00.250Z"}]})";
  server.answer("POST", "/api/register", {200, R"({"userId": "u", "apiKey": "k"})"});
  server.answer("GET", "/api/openings/o1/bookings", {200, confirmed});
  World world(server.url());
  world.preferences.values[OpeningsService::PUBLISHED_KEY] =
      Json::array({{{"id", "o1"}, {"title", "Café"}, {"durationMin", 45}}});

  // The calendar refuses the write: nothing is recorded as written, the next poll tries again.
  world.calendar.failWrites = "disque plein";
  const Outcome<int> refused = world.poll();
  EXPECT_EQ(kindOf(refused.failure), OpeningsError::Kind::calendarAccess);
  EXPECT_NE(textOf(refused.failure).find("disque plein"), std::string::npos);
  EXPECT_TRUE(world.service.importedIDs().empty());
  world.calendar.failWrites.clear();
  EXPECT_EQ(*world.poll().value, 1);
  ASSERT_EQ(world.written().size(), 1u);
  EXPECT_EQ(world.written()[0].end - world.written()[0].start, 45 * 60);

  world.service.refreshBookingRequests();
  world.loop.settle();
  ASSERT_EQ(world.service.bookingRequests().size(), 1u);
  // The backend fails, then answers what cannot be read: the list stays, the error says so.
  for (const testing::FakeBackend::Answer& answer :
       {testing::FakeBackend::Answer{500, R"({"error": "panne"})"},
        testing::FakeBackend::Answer{200, R"({"bookings": [{"id": 3}]})"}}) {
    server.answer("GET", "/api/openings/o1/bookings", answer);
    world.service.refreshBookingRequests();
    world.loop.settle();
    EXPECT_EQ(world.service.bookingsError(), "Impossible de récupérer les réservations.");
    EXPECT_EQ(world.service.bookingRequests().size(), 1u);
    EXPECT_FALSE(world.service.isRefreshingBookings());
  }
  EXPECT_EQ(kindOf(world.poll().failure), OpeningsError::Kind::server);
  EXPECT_EQ(world.service.publishedOpenings().size(), 1u);
  EXPECT_EQ(world.service.importedIDs(), std::vector<std::string>{"b1"});
}

}  // namespace
}  // namespace talewick::openings
