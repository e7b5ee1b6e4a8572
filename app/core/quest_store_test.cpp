// The quest store: what a load publishes, how reloads coalesce and queue, the quest cache, and
// writes through the calendar port.
#include "core/quest_store.hpp"

#include <gtest/gtest.h>

#include "core/kingdom_refresh_queue.hpp"
#include "support/local_calendar.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/test_environment.hpp"
#include "text/rsvp.hpp"

namespace talewick {
namespace {

using testing::localDate;

CalendarEvent occurrence(const std::string& id, const std::string& title, Date start, int minutes,
                         const std::string& calendar = "perso") {
  CalendarEvent e;
  e.eventIdentifier = e.externalIdentifier = id;
  e.calendarID = calendar;
  e.title = title;
  e.start = start;
  e.end = Date{start.seconds + minutes * 60.0};
  return e;
}

class QuestStoreTest : public ::testing::Test {
 protected:
  QuestStoreTest() {
    calendar.calendarList = {{"perso", "Perso", "#00AAFF", true, ""},
                             {"travail", "Travail", std::nullopt, true, ""}};
    calendar.occurrences = {
        occurrence("standup", "Réunion d'équipe", localDate(2026, 12, 9, 9, 30), 30, "travail"),
        occurrence("sport", "Séance de sport", localDate(2026, 12, 10, 18), 60)};
  }
  QuestStore& store(bool disabled = false) {
    if (!store_) {
      store_ = std::make_unique<QuestStore>(
          calendar, selection, prefs, &cloud, main, [this] { return now; }, disabled);
      store_->setReloadDelay(std::chrono::milliseconds(0));
    }
    return *store_;
  }
  void loadWeek() {
    store().load(QuestStore::weekInterval(now), store().labelFor(QuestStore::weekInterval(now)));
  }

  Date now = localDate(2026, 12, 9, 8);  // a Wednesday
  testing::FakeCalendarStore calendar;
  testing::MemoryPreferences prefs;
  testing::MemoryCloudStore cloud;
  CalendarSelection selection{prefs};
  asio::io_context main;
  std::unique_ptr<QuestStore> store_;
};

TEST_F(QuestStoreTest, WindowsStartOnMondayAndTheKingdomSpansTwoHundredFortyOneDays) {
  const DateInterval week = QuestStore::weekInterval(localDate(2026, 12, 13, 23));  // a Sunday
  EXPECT_EQ(week.start, localDate(2026, 12, 7));
  EXPECT_EQ(week.end, localDate(2026, 12, 14));
  const DateInterval kingdom = QuestStore::kingdomInterval(localDate(2026, 12, 9, 15));
  EXPECT_EQ(kingdom.start, localDate(2026, 8, 11));
  EXPECT_EQ(kingdom.end, localDate(2027, 4, 9));
}

TEST_F(QuestStoreTest, ALoadPublishesTheCalendarsQuestsWithTheirStatusLine) {
  loadWeek();
  EXPECT_EQ(store().source(), QuestSource::agenda);
  EXPECT_EQ(store().statusLine(), "Cette semaine — 2 quêtes de ton agenda");
  ASSERT_EQ(store().quests().size(), 2u);
  EXPECT_EQ(store().quests()[0].id, "quest_standup");
  EXPECT_EQ(store().dayEvent(store().quests()[0])->calendarID, "travail");
  EXPECT_EQ(store().agenda(now, 1).size(), 1u);

  selection.setHidden("travail", true);
  store().toggleCalendar("perso");  // hides it too: nothing left to read
  EXPECT_EQ(store().source(), QuestSource::emptyDay);
  EXPECT_TRUE(store().statusLine().starts_with("Agenda vide — aperçu (")) << store().statusLine();
  EXPECT_FALSE(store().quests().empty());  // the demonstration day as a preview
}

TEST_F(QuestStoreTest, TheAgendaShowsAnAllDayQuestOnEveryDayItCovers) {
  CalendarEvent fair = occurrence("foire", "Foire aux santons", localDate(2026, 12, 8), 2 * 1440);
  fair.allDay = true;
  calendar.occurrences.push_back(fair);
  loadWeek();
  std::vector<std::string> days;
  for (const auto& item : store().agenda(localDate(2026, 12, 7), 4)) {
    days.push_back(LocalCalendar::dayKey(item.date) + (item.allDay ? " " + item.id : ""));
  }
  EXPECT_EQ(days, (std::vector<std::string>{"2026-12-08 quest_foire", "2026-12-09 quest_foire",
                                            "2026-12-09", "2026-12-10"}));
}

TEST_F(QuestStoreTest, WithoutAccessTheCalendarIsNeverAskedAndTheDemoDayShows) {
  store(/*disabled=*/true);
  loadWeek();
  EXPECT_EQ(calendar.accessRequests, 0);
  EXPECT_TRUE(calendar.queries.empty());
  EXPECT_EQ(store().source(), QuestSource::denied);
  EXPECT_EQ(store().statusLine(), "Accès calendrier refusé — aperçu (" +
                                      std::to_string(store().quests().size()) + " quêtes démo)");
  Quest demo = store().quests()[0];
  EXPECT_FALSE(store().deleteEvent(demo, EventSpan::thisEvent));
  EXPECT_EQ(store().statusLine(), "Cette quête de démo ne peut pas être supprimée.");
}

TEST_F(QuestStoreTest, TenChangesInABurstCauseOneReload) {
  loadWeek();
  const int before = store().loadsCompleted();
  for (int i = 0; i < 10; ++i) store().calendarStoreChanged();
  main.run();
  EXPECT_EQ(store().loadsCompleted(), before + 1);
}

TEST_F(QuestStoreTest, LoadsFinishInCallOrderAndUnchangedOccurrencesKeepTheirQuest) {
  loadWeek();
  const Quest standup = store().quests()[0];
  std::vector<std::string> seen;
  bool asked = false;
  store().observe([&] {
    seen.push_back(store().currentLabel());
    if (!asked) {  // a load asked for while the first one publishes waits for it
      asked = true;
      store().load(QuestStore::weekInterval(now), "second");
      seen.push_back("asked");
    }
  });
  calendar.occurrences[1].title = "Séance de yoga";
  store().load(QuestStore::weekInterval(now), "first");
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "asked", "second"}));
  EXPECT_EQ(store().quests()[0], standup);                    // same input, same quest
  EXPECT_EQ(store().quests()[1].rawTitle, "Séance de yoga");  // changed input, forged again
}

// The published quests keep no story; each one, asked for whole, has the story its own occurrence
// forges: also when two calendars hold the same event at the same time under other titles, and
// when a quest moved ahead of the calendar.
TEST_F(QuestStoreTest, PublishedQuestsAreOutlinesWholeOnDemand) {
  CalendarEvent copy =
      occurrence("standup", "Point sprint", localDate(2026, 12, 9, 9, 30), 30, "perso");
  copy.attendees = {{"Léa", "mailto:lea@exemple.fr", ParticipantStatus::accepted,
                     ParticipantRole::required, false}};  // in company: another intro
  calendar.occurrences.push_back(copy);
  loadWeek();
  const RPGMode mode = store().mode();
  ASSERT_EQ(store().quests().size(), 3u);
  ASSERT_EQ(store().rawEvents().size(), 3u);
  EXPECT_TRUE(store().quests()[0].choices.empty() && store().quests()[0].intro.empty());
  for (const DayEvent& event : store().rawEvents()) {
    const Quest forged = QuestEngine::eventToQuest(event, mode);
    const auto published = std::find_if(
        store().quests().begin(), store().quests().end(),
        [&](const Quest& q) { return q.id == forged.id && q.rawTitle == forged.rawTitle; });
    ASSERT_NE(published, store().quests().end()) << event.title;
    EXPECT_EQ(store().whole(*published), forged) << event.title;
  }
  const std::vector<QuestStore::AgendaItem> items = store().agenda(now, 2);
  ASSERT_EQ(items.size(), 3u);
  for (const QuestStore::AgendaItem& item : items) {
    EXPECT_FALSE(item.quest.choices.empty()) << item.quest.rawTitle;
  }
  const auto hits = store().searchChronicles("seance sport", 1, 1);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].quest, store().whole(store().quests()[2]));

  // Moved to another day, the quest keeps the story of the day its occurrence is on.
  const Quest sport = store().quests()[2];
  Quest expected = QuestEngine::eventToQuest(*store().dayEvent(sport), mode);
  expected.startDate = localDate(2026, 12, 12, 7);
  expected.durationMin = 45;
  store().optimisticMove(sport.id, sport.startDate, expected.startDate, 45);
  EXPECT_EQ(store().whole(store().quests()[2]), expected);
}

TEST_F(QuestStoreTest, MovesAndDeletionsGoThroughTheCalendarAndReload) {
  loadWeek();
  const Quest sport = store().quests()[1];
  ASSERT_TRUE(store().reschedule(sport, localDate(2026, 12, 11, 7), 45));
  EXPECT_EQ(calendar.occurrences[1].start, localDate(2026, 12, 11, 7));
  EXPECT_EQ(calendar.occurrences[1].end, localDate(2026, 12, 11, 7, 45));
  EXPECT_EQ(store().quests()[1].startDate, localDate(2026, 12, 11, 7));

  calendar.failWrites = "disque plein";
  EXPECT_FALSE(store().reschedule(store().quests()[1], localDate(2026, 12, 12, 7), std::nullopt));
  EXPECT_EQ(store().statusLine(), "Échec du déplacement : disque plein");
  EXPECT_EQ(store().quests()[1].startDate, localDate(2026, 12, 11, 7));  // back where it is

  calendar.failWrites.clear();
  ASSERT_TRUE(store().deleteEvent(store().quests()[0], EventSpan::thisEvent));
  ASSERT_EQ(store().quests().size(), 1u);
  EXPECT_EQ(calendar.occurrences.size(), 1u);

  CalendarEvent draft = occurrence("", "Dîner chez Léa", localDate(2026, 12, 12, 20), 120);
  const auto id = store().createEvent(draft);
  ASSERT_TRUE(id);
  EXPECT_EQ(store().quests().back().id, "quest_" + *id);
}

TEST_F(QuestStoreTest, AQuickAddDraftReachesTheCalendarWithItsRepetitionAsARecord) {
  loadWeek();
  // "Sport 18h tous les vendredis avec Léa <lea@exemple.fr> et Paul", said on a Wednesday.
  ParsedEvent draft;
  draft.title = "Sport";
  draft.start = localDate(2026, 12, 9, 18);
  draft.durationMin = 90;
  draft.attendees = {"Léa <lea@exemple.fr>", "Paul"};
  draft.reminderMinutes = 15;
  ParsedRecurrence weekly;
  weekly.frequency = ParsedRecurrence::Frequency::weekly;
  weekly.weekdays = {6, 6};
  draft.recurrence = weekly;

  const std::optional<QuickAdd::Draft> written =
      store().quickAdd(draft, CalendarInfo{"perso", "Perso", std::nullopt, true, ""});
  ASSERT_TRUE(written);
  EXPECT_EQ(written->namesInNotes, std::vector<std::string>{"Paul"});
  const CalendarEvent& saved = calendar.occurrences.back();
  EXPECT_EQ(saved.eventIdentifier, written->event.eventIdentifier);
  EXPECT_EQ(saved.calendarID, "perso");
  EXPECT_EQ(saved.start, localDate(2026, 12, 11, 18));  // the first Friday, not the Wednesday
  EXPECT_EQ(saved.end, localDate(2026, 12, 11, 19, 30));
  ASSERT_TRUE(saved.recurrence);
  EXPECT_EQ(saved.recurrence->weekdays, std::vector<int64_t>{6});
  EXPECT_FALSE(saved.recurrenceRule);
  ASSERT_EQ(saved.attendees.size(), 1u);
  EXPECT_EQ(saved.attendees[0].url, "mailto:lea@exemple.fr");
  EXPECT_EQ(saved.attendees[0].name, "Léa");
  EXPECT_EQ(saved.notes, "Avec : Paul");
  EXPECT_EQ(saved.alarmMinutesBefore, std::vector<int>{15});

  calendar.failWrites = "disque plein";
  EXPECT_FALSE(store().quickAdd(draft, CalendarInfo{"perso", "Perso", std::nullopt, true, ""}));
  EXPECT_NE(store().statusLine().find("disque plein"), std::string::npos);
}

TEST_F(QuestStoreTest, AnEventWrittenOverACopyInAnotherCalendarIsTheOneShown) {
  loadWeek();
  // The team meeting, already in Travail, written again into Perso: one quest for the two, and
  // it is the one just written, whichever the calendar reads first.
  const CalendarEvent copy =
      occurrence("", "Réunion d'équipe", localDate(2026, 12, 9, 9, 30), 30, "perso");
  const auto id = store().createEvent(copy);
  ASSERT_TRUE(id);
  std::vector<std::string> ids;
  for (const Quest& q : store().quests()) ids.push_back(q.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"quest_" + *id, "quest_sport"}));
  EXPECT_EQ(store().dayEvent(store().quests()[0])->calendarID, "perso");
}

TEST_F(QuestStoreTest, AModeFromAnotherMachineIsTakenAndReloads) {
  loadWeek();
  const std::string heroicName = store().quests()[0].name;
  cloud.writeFromElsewhere(QuestStore::MODE_KEY, "\"donjon\"");
  store().cloudChanged({"unrelated"});
  store().cloudChanged({QuestStore::MODE_KEY});
  main.run();
  EXPECT_EQ(prefs.string(QuestStore::MODE_KEY), "donjon");
  EXPECT_EQ(store().mode(), RPGMode::donjon);
  EXPECT_NE(store().quests()[0].name, heroicName);
}

TEST_F(QuestStoreTest, SearchFindsEveryWordWhateverTheAccents) {
  const auto hits = store().searchChronicles("reunion EQUIPE", 1, 1);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].id, "quest_standup");
  EXPECT_TRUE(store().searchChronicles("reunion yoga", 1, 1).empty());
}

// What the notifier is told after a load, written down.
struct NotificationsHeard : QuestNotifications {
  void announcePendingInvitations(const std::vector<DayEvent>& events, RPGMode) override {
    for (const DayEvent& e : events) announced.push_back(e.id);
  }
  void purgeStaleInvites(const std::set<std::string>& keys, DateInterval) override {
    validKeys = keys;
  }
  void scheduleEpicNotifications(const std::vector<Quest>&,
                                 const std::map<std::string, std::string>& links,
                                 const std::map<std::string, std::vector<int>>& leads,
                                 DateInterval covered) override {
    joinURLs = links;
    offsets = leads;
    coverage = covered;
  }
  std::vector<std::string> announced;
  std::set<std::string> validKeys;
  std::map<std::string, std::string> joinURLs;
  std::map<std::string, std::vector<int>> offsets;
  DateInterval coverage;
};

TEST_F(QuestStoreTest, TheNotifierHearsOfTheNextTwoDaysAlarmsLinksAndInvitations) {
  calendar.occurrences[0].alarmMinutesBefore = {15, -5};  // an alarm after the start is no lead
  calendar.occurrences[0].url = "https://meet.google.com/abc-defg-hij";
  CalendarEvent later = occurrence("plus-tard", "Dentiste", localDate(2026, 12, 12, 9), 30);
  CalendarEvent invite = occurrence("revue", "Revue", localDate(2026, 12, 11, 14), 60);
  invite.attendees = {{"Moi", "mailto:moi@exemple.fr", ParticipantStatus::pending,
                       ParticipantRole::required, true}};
  calendar.occurrences.push_back(later);
  calendar.occurrences.push_back(invite);
  NotificationsHeard heard;
  store().setNotifications(&heard);
  loadWeek();
  loadWeek();

  EXPECT_EQ(heard.coverage.start, now);
  EXPECT_EQ(heard.coverage.end, now.adding(2 * 86400.0));
  EXPECT_EQ(heard.offsets, (std::map<std::string, std::vector<int>>{{"quest_standup", {15}},
                                                                    {"quest_sport", {10}}}));
  EXPECT_EQ(heard.joinURLs, (std::map<std::string, std::string>{
                                {"quest_standup", "https://meet.google.com/abc-defg-hij"}}));
  EXPECT_EQ(heard.announced, std::vector<std::string>{"revue"});  // once, over two loads
  EXPECT_EQ(heard.validKeys,
            std::set<std::string>{invitationKey("revue", localDate(2026, 12, 11, 14))});
  store().setNotifications(nullptr);
}

TEST_F(QuestStoreTest, AQuestEnteringTheNextTwoDaysIsPlannedEvenWhenTheCalendarIsUnchanged) {
  CalendarEvent review = occurrence("revue", "Revue", localDate(2026, 12, 11, 14), 60);
  review.url = "https://meet.google.com/abc-defg-hij";
  calendar.occurrences.push_back(review);
  NotificationsHeard heard;
  store().setNotifications(&heard);
  loadWeek();
  ASSERT_FALSE(heard.offsets.contains("quest_revue"));  // Friday is beyond Wednesday's two days

  now = localDate(2026, 12, 10, 8);  // same week, same occurrences: only the clock moved
  loadWeek();
  EXPECT_EQ(heard.coverage.end, now.adding(2 * 86400.0));
  EXPECT_EQ(heard.offsets.at("quest_revue"), std::vector<int>{10});
  EXPECT_EQ(heard.joinURLs.at("quest_revue"), "https://meet.google.com/abc-defg-hij");
  store().setNotifications(nullptr);
}

TEST(KingdomRefreshQueue, OneRunsOneWaitsAndWaitingRequestsFold) {
  KingdomRefreshQueue queue;
  EXPECT_TRUE(queue.submit({true, false}));
  EXPECT_FALSE(queue.submit({false, false}));
  EXPECT_FALSE(queue.submit({false, true}));
  EXPECT_EQ(queue.finish(), (KingdomRefreshQueue::Request{false, true}));
  EXPECT_TRUE(queue.isRunning());
  EXPECT_FALSE(queue.finish());
  EXPECT_FALSE(queue.isRunning());
}

}  // namespace
}  // namespace talewick
