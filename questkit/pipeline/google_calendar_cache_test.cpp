// The Google events an invitation is answered through: the key an answer is remembered under,
// the synced event chosen for an occurrence, the sync answer as the backend writes it, and a
// whole-day event sent as its day alone.
#include "pipeline/google_calendar_cache.hpp"

#include <gtest/gtest.h>

#include "pipeline/integration_items.hpp"
#include "support/local_calendar.hpp"

namespace talewick {
namespace {

using namespace GoogleCalendar;

Date at(const char* iso) { return decodeJsonText<Date>(std::string("\"") + iso + "\""); }

TEST(GoogleCalendarCache, OccurrenceKeysAndTargets) {
  EXPECT_EQ(occurrenceKey("integration:google-calendar:e1", at("2026-12-08T09:00:00.750Z")),
            "integration:google-calendar:e1|1796720400");
  EXPECT_EQ(occurrenceKey(std::nullopt, std::nullopt), "|");
  EXPECT_EQ(occurrenceKey("uid", std::nullopt), "uid|");

  // Two instances of one series share an iCalUID: the start closest to the occurrence's wins.
  const std::vector<RemoteEvent> events = {
      {"s_1", "work", "series@google.com", at("2026-12-08T09:00:00Z"), "needsAction"},
      {"s_2", "work", "series@google.com", at("2026-12-15T09:00:00Z"), "needsAction"},
      {"e1", "team", std::nullopt, at("2026-12-09T14:00:00Z"), std::nullopt}};
  struct Case {
    std::string identifier;
    const char* start;
    std::optional<EventTarget> expected;
  };
  for (const Case& c : std::vector<Case>{
           {"integration:google-calendar:e1", "2026-12-09T14:00:00Z", EventTarget{"team", "e1"}},
           {"e1", "2026-12-01T00:00:00Z", EventTarget{"team", "e1"}},
           {"series@google.com", "2026-12-14T09:00:00Z", EventTarget{"work", "s_2"}},
           {"series@google.com", "2026-12-08T10:00:00Z", EventTarget{"work", "s_1"}},
           {"integration:google-calendar:e2", "2026-12-09T14:00:00Z", std::nullopt},
           {"", "2026-12-09T14:00:00Z", std::nullopt}}) {
    EXPECT_EQ(target(events, c.identifier, at(c.start)), c.expected) << c.identifier;
  }
  EXPECT_TRUE(isRSVP("tentative"));
  EXPECT_FALSE(isRSVP("needsAction"));
}

TEST(GoogleCalendarCache, ReadsTheSyncAnswerAndAWholeDayStaysADay) {
  const Cache cache = decodeJsonText<Cache>(R"({
    "connection": {"id": "acc", "accountLabel": "ada@example.com"},
    "calendars": [{"id": "work", "name": "Travail", "primary": true}],
    "events": [{"id": "e1", "calendarId": "work", "iCalUID": "u1",
                "start": "2026-12-08T09:00:00Z", "myResponseStatus": "accepted"}],
    "syncedAt": "2026-12-07T12:00:00Z"})");
  EXPECT_EQ(cache.connection.accountLabel, "ada@example.com");
  ASSERT_EQ(cache.events.size(), 1u);
  EXPECT_EQ(cache.events[0].start, at("2026-12-08T09:00:00Z"));
  EXPECT_EQ(decodeJsonText<Cache>(json_coding::encode(cache).dump()), cache);
  EXPECT_THROW(decodeJsonText<Cache>(R"({"events": "rien"})"), DecodeError);

  IntegrationWire::Item day = decodeJsonText<IntegrationWire::Item>(R"({
    "id": "google-calendar:d1", "provider": "google-calendar", "providerItemId": "d1",
    "kind": "calendar", "title": "Congé", "status": "scheduled", "startsAt": "2026-12-10",
    "placements": ["calendar.grid"], "rpg": {"realm": "calendar", "sprite": "x", "threat": "low",
    "xp": 10, "gold": 5}})");
  const std::optional<DayEvent> shown = IntegrationPipeline::asCalendarDayEvent(day);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->allDay);
  EXPECT_EQ(shown->startDate, LocalCalendar::startOfDay(shown->startDate));
}

}  // namespace
}  // namespace talewick
