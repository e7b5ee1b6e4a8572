// The pipeline's answer as the program reads it: forgiving per item, remote events as calendar
// occurrences, tasks as side quests, and actions that never lead away from the backend.
#include "pipeline/integration_items.hpp"

#include <gtest/gtest.h>

#include "support/local_calendar.hpp"

namespace talewick {
namespace {

using namespace IntegrationPipeline;

Date at(const char* iso) { return decodeJsonText<Date>(std::string("\"") + iso + "\""); }

Item event(std::string id, const char* start) {
  Item item;
  item.id = std::move(id);
  item.provider = "google-calendar";
  item.kind = "calendar";
  item.title = "Revue";
  item.status = "scheduled";
  item.startsAt = at(start);
  item.placements = {"calendar.grid"};
  item.calendarEvent.emplace();
  item.calendarEvent->calendarId = "work";
  item.calendarEvent->eventId = "e1";
  return item;
}

TEST(IntegrationWire, AnItemThatDoesNotDecodeIsLeftOutAndTheRestRoundTrips) {
  IntegrationWire::Response response;
  response.providers = {
      {"todoist", "Todoist", "tasks", true, "Léa", 1, at("2026-12-09T08:00:00Z")}};
  response.items = {event("google-calendar:e1", "2026-12-09T10:00:00+01:00")};
  response.items[0].platformSupport = IntegrationWire::PlatformSupport{};
  response.items[0].platformSupport->iOS.requires_ = "calendar";
  response.items[0].actions = {
      {"complete", "POST", "api/integrations/items/x/complete", "Terminer"}};
  response.errors = {{"notion", "Notion injoignable"}};
  response.summary = {1, 1, 0, 0, 0};
  response.syncedAt = at("2026-12-09T08:00:00Z");
  const std::string wire = IntegrationWire::encodeResponse(response);
  EXPECT_NE(wire.find(R"("requires":"calendar")"), std::string::npos) << wire;
  EXPECT_NE(wire.find(R"("syncedAt":"2026-12-09T)"), std::string::npos) << wire;
  EXPECT_EQ(IntegrationWire::decodeResponse(wire).response, response);

  Json damaged = Json::parse(wire);
  damaged["items"].push_back(Json{{"id", "x"}});  // no title, no rpg…
  damaged["items"].push_back(42);
  const IntegrationWire::Decoded read = IntegrationWire::decodeResponse(damaged.dump());
  EXPECT_EQ(read.skippedItems, 2);
  EXPECT_EQ(read.response.items, response.items);

  EXPECT_THROW(IntegrationWire::decodeResponse("<html>502</html>"), DecodeError);
  EXPECT_THROW(IntegrationWire::decodeResponse(R"({"items":{}})"), DecodeError);
  EXPECT_THROW(IntegrationWire::decodeResponse(R"({"items":[]})"), DecodeError);  // no summary
}

TEST(IntegrationItems, RemoteEventsBecomeOccurrencesOfTheirOwnCalendar) {
  Item plain = event("google-calendar:e1", "2026-12-09T10:00:00+01:00");
  std::optional<DayEvent> shown = asCalendarDayEvent(plain);
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->id, "integration:google-calendar:e1");
  EXPECT_EQ(shown->calendarID, "integration:google-calendar:work");
  EXPECT_EQ(shown->endDate - shown->startDate, 2700);  // neither end nor duration
  EXPECT_EQ(shown->calendarColorHex, "#4285F4");
  EXPECT_FALSE(shown->allDay);
  EXPECT_FALSE(shown->needsResponse);

  plain.durationMin = 90;
  EXPECT_EQ(asCalendarDayEvent(plain)->endDate - plain.startsAt.value(), 5400);
  plain.endsAt = at("2026-12-09T10:30:00+01:00");
  EXPECT_EQ(asCalendarDayEvent(plain)->endDate, *plain.endsAt);
  plain.endsAt = at("2026-12-09T09:00:00+01:00");  // before its start: the duration holds
  EXPECT_EQ(asCalendarDayEvent(plain)->endDate - plain.startsAt.value(), 5400);

  Item invitation = event("microsoft-calendar:e2", "2026-12-09T14:00:00+01:00");
  invitation.provider = "microsoft-calendar";
  invitation.calendarEvent->myResponseStatus = "tentative";
  EXPECT_TRUE(asCalendarDayEvent(invitation)->needsResponse);
  EXPECT_EQ(asCalendarDayEvent(invitation)->calendarColorHex, "#0078D4");
  invitation.calendarEvent->myResponseStatus = "accepted";
  EXPECT_FALSE(asCalendarDayEvent(invitation)->needsResponse);
  invitation.calendarEvent->myResponseStatus = "needsAction";
  EXPECT_TRUE(asCalendarDayEvent(invitation)->needsResponse);

  Item day = event("notion:d", "2026-12-09");  // a day without a time
  day.provider = "notion";
  day.startsAt.reset();
  day.dueAt = at("2026-12-09");
  day.calendarEvent.reset();
  const std::optional<DayEvent> allDay = asCalendarDayEvent(day);
  ASSERT_TRUE(allDay);
  EXPECT_TRUE(allDay->allDay);
  EXPECT_EQ(allDay->startDate, LocalCalendar::startOfDay(at("2026-12-09T12:00:00+01:00")));
  EXPECT_EQ(allDay->endDate, LocalCalendar::addingDays(allDay->startDate, 1));
  EXPECT_EQ(allDay->calendarID, "integration:notion");
  EXPECT_EQ(allDay->calendarColorHex, "#597DCE");

  day.dueAt.reset();
  EXPECT_FALSE(asCalendarDayEvent(day));
}

TEST(IntegrationItems, AnEventOfSeveralWholeDaysCoversEachOfThemAndNoMore) {
  Item seminar = event("g:s", "2026-12-12");
  seminar.endsAt = at("2026-12-15");  // the day after the last, as calendars count whole days
  Item lateNight = event("g:n", "2026-12-12T00:00:00+01:00");  // timed, ending at midnight
  lateNight.endsAt = at("2026-12-13T00:00:00+01:00");
  lateNight.durationMin = 24 * 60;
  const std::optional<DayEvent> shown = asCalendarDayEvent(seminar);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->allDay);
  EXPECT_EQ(shown->endDate, LocalCalendar::addingDays(shown->startDate, 3));
  EXPECT_FALSE(asCalendarDayEvent(lateNight)->allDay);

  for (const auto& [dayText, covered] : {std::pair{"2026-12-11T00:00:00+01:00", false},
                                         {"2026-12-12T00:00:00+01:00", true},
                                         {"2026-12-13T00:00:00+01:00", true},
                                         {"2026-12-14T00:00:00+01:00", true},
                                         {"2026-12-15T00:00:00+01:00", false}}) {
    const Date day = at(dayText);
    const DateInterval interval{day, LocalCalendar::addingDays(day, 1)};
    EXPECT_EQ(calendarItems({seminar}, interval, {}).size(), covered ? 1u : 0u) << dayText;
  }
}

TEST(IntegrationItems, TheCalendarShowsOpenItemsOfTheWindowOnVisibleCalendars) {
  Item inside = event("g:1", "2026-12-09T10:00:00+01:00");
  Item before = event("g:2", "2026-12-08T23:30:00+01:00");  // ends 00:15 on the 9th: overlaps
  Item after = event("g:3", "2026-12-10T00:00:00+01:00");
  Item done = event("g:4", "2026-12-09T11:00:00+01:00");
  done.status = "completed";
  Item task = event("g:5", "2026-12-09T12:00:00+01:00");
  task.placements = {"sideQuests"};
  Item hidden = event("g:6", "2026-12-09T13:00:00+01:00");
  hidden.calendarEvent->calendarId = "perso";
  const DateInterval day{at("2026-12-09T00:00:00+01:00"), at("2026-12-10T00:00:00+01:00")};
  std::vector<std::string> ids;
  for (const Item& item : calendarItems({inside, before, after, done, task, hidden}, day,
                                        {"integration:google-calendar:perso"})) {
    ids.push_back(item.id);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"g:1", "g:2"}));

  EXPECT_TRUE(matchesCalendarQuestContent(inside, "Revue", at("2026-12-09T10:00:00+01:00")));
  EXPECT_FALSE(matchesCalendarQuestContent(inside, "Revue", at("2026-12-09T10:01:00+01:00")));
  EXPECT_FALSE(matchesCalendarQuestContent(inside, "revue", at("2026-12-09T10:00:00+01:00")));
}

TEST(IntegrationItems, TasksListedAsSideQuestsAreOfferedUntilDoneHere) {
  Item task;
  task.id = "todoist:1";
  task.kind = "task";
  task.platformSupport = IntegrationWire::PlatformSupport{};
  task.platformSupport->macOS.sideQuestList = true;
  Item unlisted = task;
  unlisted.id = "todoist:2";
  unlisted.platformSupport->macOS.sideQuestList = false;
  Item bare = task;
  bare.id = "todoist:3";
  bare.platformSupport.reset();
  Item done = task;
  done.id = "todoist:4";
  Item remote = event("g:1", "2026-12-09T10:00:00+01:00");
  remote.platformSupport = task.platformSupport;
  const std::vector<Item> offered =
      sideQuestItems({task, unlisted, bare, done, remote}, {"todoist:4"});
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0].id, "todoist:1");

  done.rpg = {"deadlines", "📌", "high", 50, 15};
  done.status = "in_progress";
  done.projectName = "Maison";
  done.labels = {"urgent"};
  const std::vector<TrackerTicket> tickets = trackerTickets({task, done, remote}, {"todoist:1"});
  ASSERT_EQ(tickets.size(), 1u);
  EXPECT_EQ(
      tickets[0],
      (TrackerTicket{
          "todoist:4", "", std::nullopt, true, true, 50, 15, done.provider, "Maison", {"urgent"}}));

  EXPECT_EQ(stillSuppressed({"todoist:1", "todoist:9"}, {task, done}),
            (std::set<std::string>{"todoist:1"}));
  task.actions = {{"delete", "DELETE", "a", "Supprimer"},
                  {"complete", "POST", "b", "Terminer"},
                  {"complete", "POST", "c", "Terminer"}};
  EXPECT_EQ(action(task, "complete")->href, "b");
  EXPECT_EQ(spriteEmoji("hourglass"), "⌛");
  EXPECT_EQ(spriteEmoji("\x1b[2J"), "•");
  EXPECT_FALSE(action(bare, "complete"));
}

TEST(IntegrationItems, ActionsNeverLeadAwayFromTheBackend) {
  const std::string root = "https://api.example.org/base";
  EXPECT_EQ(actionURL("api/integrations/items/t%3A1/complete", root),
            "https://api.example.org/base/api/integrations/items/t%3A1/complete");
  EXPECT_EQ(actionURL("/api/x", root + "/"), "https://api.example.org/base/api/x");
  EXPECT_EQ(actionURL("HTTPS://API.example.org/base/api/x", root),
            "HTTPS://API.example.org/base/api/x");
  EXPECT_FALSE(actionURL("https://evil.example/api/x", root));
  EXPECT_FALSE(actionURL("https://api.example.org.evil.example/x", root));
  EXPECT_FALSE(actionURL("https://api.example.org@evil.example/x", root));
  EXPECT_FALSE(actionURL("http://api.example.org/base/api/x", root));  // another scheme
  EXPECT_FALSE(actionURL("https://api.example.org:444/x", root));      // another port
  EXPECT_FALSE(actionURL("//evil.example/x", root));
  EXPECT_FALSE(actionURL("javascript://x", root));
  EXPECT_FALSE(actionURL("api/x\r\nHost: evil", root));
  EXPECT_FALSE(actionURL("", root));
}

TEST(IntegrationItems, AFailedCompletionSaysWhatToDoWhenItCan) {
  EXPECT_EQ(completionErrorMessage("todoist", 502, "Todoist injoignable"), "Todoist injoignable");
  EXPECT_EQ(completionErrorMessage("todoist", 500, ""), "HTTP 500");
  EXPECT_NE(completionErrorMessage("asana", 401, "jeton refusé").find("talewick connect asana"),
            std::string::npos);
  EXPECT_NE(completionErrorMessage("microsoft-calendar", 403, "x").find("connect microsoft"),
            std::string::npos);
  EXPECT_NE(completionErrorMessage("notion", 400, "x").find("Statut"), std::string::npos);
  EXPECT_NE(completionErrorMessage("asana", 404, "x").find("n'existe plus"), std::string::npos);
}

}  // namespace
}  // namespace talewick
