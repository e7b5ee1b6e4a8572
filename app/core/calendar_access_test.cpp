// Occurrences to DayEvents, windows, hidden calendars, finding and removing occurrences.
#include "core/calendar_access.hpp"

#include <gtest/gtest.h>

#include "support/loc.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::FakeCalendarStore;
using testing::localDate;
namespace Access = CalendarAccess;

CalendarEvent occurrence(const std::string& id, const std::string& title, Date start, int minutes,
                         const std::string& calendar = "perso") {
  CalendarEvent e;
  e.eventIdentifier = e.externalIdentifier = id;
  e.title = title;
  e.start = start;
  e.end = start.adding(60.0 * minutes);
  e.calendarID = calendar;
  return e;
}

Participant person(std::optional<std::string> name, std::string url, ParticipantStatus status,
                   bool me = false, ParticipantRole role = ParticipantRole::required) {
  return Participant{std::move(name), std::move(url), status, role, me};
}

TEST(Addresses, FindFoldAndDeduplicate) {
  EXPECT_EQ(Access::normalizeAddresses(
                {"mailto:Jean.Dupont@Example.FR", "Léa <léa@exemple.fr>, jean.dupont@example.fr",
                 "pas une adresse", "a@b", "x@y.c", "team@corp.co.uk;ops@corp.io2"}),
            // Only ASCII letters make an address: of "léa@" the match keeps "a@".
            (std::vector<std::string>{"jean.dupont@example.fr", "a@exemple.fr", "team@corp.co.uk",
                                      "ops@corp.io"}));
  EXPECT_TRUE(Access::normalizeAddresses({"", "@@", "@example.com"}).empty());
}

TEST(MakeDayEvent, AttendeesLabelsAndTheCurrentUser) {
  CalendarEvent e = occurrence("E1", "Point Orion", localDate(2026, 12, 7, 10, 0), 30);
  e.attendees = {person("Léa Martin", "mailto:lea@example.com", ParticipantStatus::accepted),
                 person(std::nullopt, "MAILTO:Bob.SMITH@Example.com", ParticipantStatus::pending),
                 person("Moi", "mailto:me@example.com", ParticipantStatus::tentative, true),
                 person("Salle", "mailto:room@example.com", ParticipantStatus::accepted, false,
                        ParticipantRole::nonParticipant)};
  e.organizer = person(std::nullopt, "mailto:lea@example.com", ParticipantStatus::accepted);
  const CalendarInfo calendar{"perso", "me@example.com", "#12AB34", true, "Compte"};
  const DayEvent d = *Access::makeDayEvent(e, &calendar);
  EXPECT_EQ(d.attendees, 2);
  EXPECT_EQ(d.attendeeLabels, (std::vector<std::string>{"Léa Martin", "Bob.SMITH@Example.com"}));
  EXPECT_EQ(d.attendeeEmails, (std::vector<std::string>{"lea@example.com", "bob.smith@example.com",
                                                        "me@example.com", "room@example.com"}));
  EXPECT_TRUE(d.needsResponse);
  EXPECT_EQ(d.organizerEmail, "lea@example.com");
  EXPECT_EQ(d.organizerLabel, "lea@example.com");
  EXPECT_EQ(d.calendarColorHex, "#12AB34");
  EXPECT_EQ(d.externalIdentifier, "E1");

  e.attendees.pop_back();
  e.attendees[2].status = ParticipantStatus::accepted;
  EXPECT_FALSE(Access::makeDayEvent(e, &calendar)->needsResponse);
  e.attendees.pop_back();  // the user is not invited at all
  EXPECT_FALSE(Access::makeDayEvent(e, &calendar)->needsResponse);
}

TEST(MakeDayEvent, UntitledAndCalendarless) {
  CalendarEvent e = occurrence("", "", localDate(2026, 12, 7, 10, 0), 30);
  const DayEvent d = *Access::makeDayEvent(e, nullptr);
  EXPECT_EQ(d.title, "Événement sans titre");
  EXPECT_EQ(d.id.size(), 36u);  // a fresh UUID
  EXPECT_NE(Access::makeDayEvent(e, nullptr)->id, d.id);
  e.calendarID.clear();
  EXPECT_FALSE(Access::makeDayEvent(e, nullptr));
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.calendarList = {{"perso", "Perso", "#00FF00", true, ""},
                          {"travail", "Travail", std::nullopt, true, ""}};
    const Date day = localDate(2026, 12, 7);
    store.occurrences = {occurrence("A", "Yoga", day.adding(3600 * 8), 60),
                         occurrence("B", " yoga ", day.adding(3600 * 8), 60),  // a repeat
                         occurrence("C", "Point", day.adding(3600 * 10), 30, "travail"),
                         occurrence("D", "Congés", day, 24 * 60)};
    store.occurrences[3].allDay = true;
  }
  FakeCalendarStore store;
  const Date from = localDate(2026, 12, 7);
  const Date to = localDate(2026, 12, 8);
};

TEST_F(WindowTest, SplitsAndDeduplicates) {
  const auto lists = Access::fetchDayEvents(store, from, to, {});
  ASSERT_EQ(lists.timed.size(), 2u);
  EXPECT_EQ(lists.timed[0].id, "A");
  EXPECT_EQ(lists.timed[1].id, "C");
  ASSERT_EQ(lists.allDay.size(), 1u);
  EXPECT_EQ(lists.allDay[0].title, "Congés");
}

TEST_F(WindowTest, TheEventJustWrittenStandsForItsRepeats) {
  // B repeats A on another calendar: named as just written, B is the one kept, where it was read.
  store.occurrences[1].calendarID = "travail";
  auto lists = Access::fetchDayEvents(store, from, to, {}, "B");
  ASSERT_EQ(lists.timed.size(), 2u);
  EXPECT_EQ(lists.timed[0].id, "B");
  EXPECT_EQ(lists.timed[0].calendarID, "travail");
  EXPECT_EQ(lists.timed[1].id, "C");
  // An event without repeats changes nothing, nor does one outside the window.
  for (const char* preferred : {"C", "Z"}) {
    lists = Access::fetchDayEvents(store, from, to, {}, preferred);
    ASSERT_EQ(lists.timed.size(), 2u) << preferred;
    EXPECT_EQ(lists.timed[0].id, "A") << preferred;
    EXPECT_EQ(lists.allDay.size(), 1u) << preferred;
  }
}

TEST_F(WindowTest, HiddenCalendarsAreNotQueried) {
  const auto lists = Access::fetchDayEvents(store, from, to, {"travail"});
  ASSERT_EQ(store.queries.size(), 1u);
  EXPECT_EQ(store.queries[0].calendarIDs, std::vector<std::string>{"perso"});
  EXPECT_EQ(lists.timed.size(), 1u);
  const auto none = Access::fetchDayEvents(store, from, to, {"travail", "perso"});
  EXPECT_EQ(store.queries.size(), 1u);
  EXPECT_TRUE(none.timed.empty() && none.allDay.empty());
}

TEST_F(WindowTest, WritableCalendarsAndHints) {
  store.calendarList.push_back({"lecture", "anniversaires", std::nullopt, false, ""});
  store.calendarList.push_back({"asso", "Association", std::nullopt, true, ""});
  const auto writable = Access::writableCalendars(store);
  ASSERT_EQ(writable.size(), 3u);
  EXPECT_EQ(writable[0].identifier, "asso");
  EXPECT_EQ(Access::calendarForHint(store, "TRAV")->identifier, "travail");
  EXPECT_EQ(Access::calendarForHint(store, "zzz")->identifier, "asso");
  EXPECT_EQ(Access::calendarForHint(store, "")->identifier, "asso");
  store.calendarList.clear();
  EXPECT_FALSE(Access::calendarForHint(store, "x"));
}

TEST(OccurrenceEvent, FindsTheOccurrenceOfTheQuestsDay) {
  FakeCalendarStore store;
  for (int day = 1; day <= 3; ++day) {
    CalendarEvent e = occurrence("S", "Standup", localDate(2026, 12, day, 9, 30), 15);
    e.hasRecurrenceRules = true;
    e.occurrenceDate = e.start;
    store.occurrences.push_back(e);
  }
  Quest quest;
  quest.id = "quest_S";
  quest.startDate = localDate(2026, 12, 2, 9, 30).adding(20);
  EXPECT_EQ(Access::occurrenceEvent(store, quest)->start, localDate(2026, 12, 2, 9, 30));
  quest.startDate = localDate(2026, 12, 2, 11, 0);  // no occurrence near: the series itself
  EXPECT_EQ(Access::occurrenceEvent(store, quest)->start, localDate(2026, 12, 1, 9, 30));
  quest.id = "quest_nothing";
  EXPECT_FALSE(Access::occurrenceEvent(store, quest));
}

TEST(RemoveOptimistically, ThisOrFutureOccurrences) {
  std::vector<Quest> quests;
  for (int day = 1; day <= 4; ++day) {
    Quest q;
    q.id = "quest_S";
    q.startDate = localDate(2026, 12, day, 9, 0);
    quests.push_back(q);
  }
  Quest other;
  other.id = "quest_T";
  other.startDate = localDate(2026, 12, 3, 9, 0);
  quests.push_back(other);

  auto thisOne = quests;
  Access::removeOptimistically(thisOne, quests[1], EventSpan::thisEvent);
  EXPECT_EQ(thisOne.size(), 4u);
  auto future = quests;
  Access::removeOptimistically(future, quests[1], EventSpan::futureEvents);
  ASSERT_EQ(future.size(), 2u);
  EXPECT_EQ(future[0].startDate, quests[0].startDate);
  EXPECT_EQ(future[1].id, "quest_T");
}

TEST(StatusLines, FailedWritesNameTheErrorInTheUsersLanguage) {
  EXPECT_EQ(Access::failedWriteStatus(Access::CalendarWrite::remove, "disque plein"),
            "Échec de suppression : disque plein");
  EXPECT_EQ(Access::failedWriteStatus(Access::CalendarWrite::move, "x"),
            "Échec du déplacement : x");
  EXPECT_EQ(Access::demoQuestStatus(Access::CalendarWrite::move),
            "Cette quête de démo ne peut pas être déplacée.");
  Loc::setLanguage(Loc::Language::en);
  EXPECT_EQ(Access::failedWriteStatus(Access::CalendarWrite::create, "x"), "Could not create: x");
  Loc::setLanguage(Loc::Language::fr);
}

TEST(Tombstones, HideUntilTheStoreLetsGo) {
  DayEvent e;
  e.title = "  Dentiste ";
  e.externalIdentifier = "X1";
  e.startDate = localDate(2026, 12, 7, 10, 0);
  e.endDate = e.startDate.adding(1800);
  DayEvent moved = e;
  moved.startDate = e.startDate.adding(30);
  DayEvent later = e;
  later.startDate = e.startDate.adding(7 * 86400);
  DayEvent unrelated = e;
  unrelated.externalIdentifier = "X2";

  const auto stone = Access::tombstoneFor(e, EventSpan::thisEvent);
  EXPECT_EQ(stone.normalizedTitle, "dentiste");
  auto r = Access::reconcile({moved, later, unrelated}, {stone});
  EXPECT_EQ(r.events.size(), 2u);  // the one within a minute is hidden
  EXPECT_EQ(r.remainingTombstones.size(), 1u);
  r = Access::reconcile({later, unrelated}, {stone});
  EXPECT_EQ(r.events.size(), 2u);
  EXPECT_TRUE(r.remainingTombstones.empty());  // the deletion reached the store

  auto future = Access::tombstoneFor(e, EventSpan::futureEvents);
  EXPECT_EQ(Access::reconcile({e, later, unrelated}, {future}).events.size(), 1u);
  // Without an external identifier the title decides.
  future.externalIdentifier.reset();
  unrelated.externalIdentifier.reset();
  EXPECT_TRUE(Access::reconcile({unrelated}, {future}).events.empty());
}

}  // namespace
}  // namespace talewick
