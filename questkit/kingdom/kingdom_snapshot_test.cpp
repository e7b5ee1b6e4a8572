// The kingdom snapshot: where obligations land, and what counts as pending, due today, overdue and
// done for the day's board, journey and load.
#include "kingdom/kingdom_snapshot.hpp"

#include <gtest/gtest.h>

#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::localDate;

// A quest as forging would make it from `e`, with no keyword coming from its rolls.
Quest questOf(const DayEvent& e) {
  Quest q;
  q.id = "quest_" + e.id;
  q.rawTitle = q.name = e.title;
  q.startDate = e.startDate;
  q.durationMin = static_cast<int64_t>((e.endDate.seconds - e.startDate.seconds) / 60);
  q.archetypeId = "reunion";
  return q;
}

DayEvent event(const std::string& id, const std::string& title, Date start, int minutes,
               const std::string& calendar = "perso") {
  DayEvent e = testing::timedEvent(title, start, minutes);
  e.id = id;
  e.calendarID = calendar;
  return e;
}

SideQuest reminder(const std::string& id, const std::string& title, std::optional<Date> due,
                   bool dueHasTime = true) {
  SideQuest r;
  r.id = id;
  r.title = title;
  r.due = due;
  r.dueHasTime = dueHasTime;
  return r;
}

std::vector<std::string> ids(const std::vector<KingdomItem>& items) {
  std::vector<std::string> out;
  for (const KingdomItem& i : items) out.push_back(i.id);
  return out;
}

std::vector<std::string> candidateIDs(const KingdomSnapshot::Snapshot& s) {
  std::vector<std::string> out;
  for (const Journey::Candidate& c : s.journeyCandidates) out.push_back(c.id);
  return out;
}

struct SnapshotTest : ::testing::Test {
  SnapshotTest() { sources.now = localDate(2026, 12, 9, 14); }
  KingdomSnapshot::Snapshot build() {
    timed.clear();
    for (const DayEvent& e : events) timed.push_back(questOf(e));
    sources.timedQuests = timed;
    sources.events = events;
    return KingdomSnapshot::build(sources);
  }
  std::vector<DayEvent> events;
  std::vector<Quest> timed;
  KingdomSnapshot::Sources sources;
};

TEST_F(SnapshotTest, QuestsLandByTheirWordsOrTheirPins) {
  sources.calendarTitlesByID = {{"maison", "Maison"}};
  events = {event("yoga", "Yoga solo", localDate(2026, 12, 10, 7), 60),
            event("dentiste", "Dentiste", localDate(2026, 12, 10, 9), 30, "maison"),
            event("bug", "Corriger le bug 42", localDate(2026, 12, 10, 11), 60),
            event("pinned", "Séance de sport", localDate(2026, 12, 10, 12), 60),
            event("vague", "Déjeuner", localDate(2026, 12, 10, 13), 60)};
  sources.overrides.set("deadlines", TerritoryOverride::Scope::quest("quest_pinned"));
  // A pin to factions has no effect: the words decide.
  sources.overrides.set("factions", TerritoryOverride::Scope::quest("quest_yoga"));
  const KingdomSnapshot::Snapshot s = build();

  EXPECT_EQ(ids(s.realm(KingdomRealm::personal)), std::vector<std::string>{"quest_yoga"});
  // The calendar's title counts among the words.
  EXPECT_EQ(ids(s.realm(KingdomRealm::family)), std::vector<std::string>{"quest_dentiste"});
  EXPECT_EQ(ids(s.realm(KingdomRealm::tickets)), std::vector<std::string>{"quest_bug"});
  EXPECT_EQ(ids(s.realm(KingdomRealm::deadlines)), std::vector<std::string>{"quest_pinned"});
  EXPECT_TRUE(s.realm(KingdomRealm::deadlines)[0].pinned);
  EXPECT_TRUE(s.realm(KingdomRealm::factions).empty());
  ASSERT_EQ(s.forcedRealms.size(), 1u);
  EXPECT_EQ(s.forcedRealms.begin()->second, KingdomRealm::deadlines);
  EXPECT_EQ(s.forcedRealms.begin()->first.rfind("quest_pinned|", 0), 0u);
}

TEST_F(SnapshotTest, EachOccurrenceOfASeriesIsJudgedWithItsOwnDetails) {
  events = {event("serie", "Point hebdo", localDate(2026, 12, 10, 9), 30),
            event("serie", "Point hebdo", localDate(2026, 12, 17, 9), 30)};
  events[1].notes = "avec les enfants";
  const KingdomSnapshot::Snapshot s = build();
  ASSERT_EQ(s.realm(KingdomRealm::family).size(), 1u);
  EXPECT_EQ(s.realm(KingdomRealm::family)[0].date, localDate(2026, 12, 17, 9));
}

TEST_F(SnapshotTest, RemindersAreDueTodayUntilMidnightAndOverdueFromTheNextDay) {
  sources.now = localDate(2026, 12, 9, 23, 30);
  sources.openReminders = {
      reminder("hier-soir", "Appeler Léa", localDate(2026, 12, 8, 23, 59)),
      reminder("ce-matin", "Pain", localDate(2026, 12, 9, 9)),  // past its hour, still today's
      reminder("minuit", "Lettre", localDate(2026, 12, 9), false),
      reminder("demain", "Colis", localDate(2026, 12, 10, 0)),
      reminder("rendu", "Rendu du dossier", localDate(2026, 12, 7), false),
      reminder("sans-date", "Ranger la cave", std::nullopt)};
  const KingdomSnapshot::Snapshot s = build();

  EXPECT_EQ(s.candidates.dueTodayReminderIDs, (std::vector<std::string>{"ce-matin", "minuit"}));
  // An overdue reminder that names a delivery is an overdue deadline, not an overdue reminder.
  EXPECT_EQ(s.candidates.overdueReminderCount, 1);
  EXPECT_EQ(s.candidates.overdueDeadlineCount, 1);
  EXPECT_EQ(s.live.overdueReminderCount, 1);
  EXPECT_EQ(s.live.overdueDeadlineCount, 1);
  EXPECT_EQ(s.load.overdueReminders, 1);
  EXPECT_EQ(s.load.overdueDeadlines, 1);
  EXPECT_EQ(s.load.eventCount, 2);  // today's reminders (no occurrence today)

  EXPECT_EQ(s.realm(KingdomRealm::reminders).size(), 6u);
  EXPECT_EQ(ids(s.realm(KingdomRealm::deadlines)), std::vector<std::string>{"rendu"});
  EXPECT_TRUE(s.realm(KingdomRealm::deadlines)[0].overdue);
  EXPECT_EQ(candidateIDs(s),
            (std::vector<std::string>{"reminder:ce-matin", "reminder:minuit", "deadline:rendu"}));
}

TEST_F(SnapshotTest, InvitationsStayPendingUntilAnsweredButAreOfferedOnlyBeforeTheyEnd) {
  events = {event("passee", "Revue d'hier", localDate(2026, 12, 8, 10), 60),
            event("serie", "Comité", localDate(2026, 12, 16, 10), 60),
            event("serie", "Comité", localDate(2026, 12, 10, 10), 60),
            event("repondue", "Déjeuner client", localDate(2026, 12, 11, 12), 60)};
  events[0].needsResponse = events[1].needsResponse = events[2].needsResponse = true;
  const KingdomSnapshot::Snapshot s = build();

  EXPECT_EQ(s.candidates.pendingInviteIDs, std::vector<std::string>{"serie"});
  EXPECT_EQ(s.live.stillPendingInviteIDs, (std::vector<std::string>{"passee", "serie"}));
  ASSERT_EQ(s.journeyCandidates.size(), 1u);
  EXPECT_EQ(s.journeyCandidates[0].id, "invite:serie");
  EXPECT_EQ(s.journeyCandidates[0].dueAt, localDate(2026, 12, 10, 10));  // the first to come
  EXPECT_EQ(s.journeyCandidates[0].xpReward, 40);
}

TEST_F(SnapshotTest, TodaysLoadAndUpcomingQuestsComeFromTheLocalDay) {
  events = {event("veille", "Garde de nuit", localDate(2026, 12, 8, 22), 180),  // ends at 1:00
            event("matin", "Atelier", localDate(2026, 12, 9, 9), 120),
            event("soir", "Conférence", localDate(2026, 12, 9, 18), 90),
            event("demain", "Atelier", localDate(2026, 12, 10, 9), 60)};
  const KingdomSnapshot::Snapshot s = build();

  EXPECT_EQ(s.load.eventCount, 2);          // the ones starting today
  EXPECT_EQ(s.load.busyMinutes, 120 + 90);  // inside the waking window
  EXPECT_EQ(s.load.busyMinutes, s.dayLoad.busyMinutes);
  EXPECT_EQ(s.load.expeditionsToday, 0);
  ASSERT_EQ(s.journeyCandidates.size(), 1u);  // the 9:00 one has started already
  EXPECT_EQ(s.journeyCandidates[0].kind, Journey::CandidateKind::calendarUpcoming);
  EXPECT_EQ(s.journeyCandidates[0].title, "Conférence");
  EXPECT_EQ(s.dayKey, "2026-12-09");

  // An expedition kept adds to the load of the local day it set out on, over or not.
  ExpeditionState expedition;
  for (const auto& [startedAt, counted] : {std::pair{localDate(2026, 12, 9, 0, 30), 1},
                                           std::pair{localDate(2026, 12, 8, 23, 50), 0}}) {
    expedition.startedAt = startedAt;
    sources.expedition = expedition;
    EXPECT_EQ(build().load.expeditionsToday, counted);
  }
}

TEST_F(SnapshotTest, OnlyRemindersOfTodaysBoardThatAreGoneCountAsDone) {
  sources.openReminders = {reminder("b", "Pain", localDate(2026, 12, 9, 18))};
  WorldQuests::DailyBoard board;
  board.dayKey = "2026-12-09";
  board.objectives.push_back({"2026-12-09:remindersDone",
                              WorldQuests::ObjectiveKind::remindersDone,
                              WorldQuests::Realm::reminders,
                              WorldQuests::Family::baseline,
                              {"a", "b"},
                              2});
  sources.todaysBoard = board;
  EXPECT_EQ(build().live.completedReminderIDs, std::vector<std::string>{"a"});

  sources.todaysBoard->dayKey = "2026-12-08";  // yesterday's board judges nothing today
  EXPECT_TRUE(build().live.completedReminderIDs.empty());
}

TEST_F(SnapshotTest, TheClassificationCacheFollowsEveryChangeOfTheWords) {
  KingdomSnapshot::ClassificationCache cache;
  events = {event("point", "Point hebdo", localDate(2026, 12, 10, 9), 30),
            event("point", "Point hebdo", localDate(2026, 12, 17, 9), 30),
            event("velo", "Vélo", localDate(2026, 12, 11, 9), 30)};
  const auto familyAfterBuild = [&] {
    timed.clear();
    for (const DayEvent& e : events) timed.push_back(questOf(e));
    sources.timedQuests = timed;
    sources.events = events;
    return ids(KingdomSnapshot::build(sources, &cache).realm(KingdomRealm::family));
  };
  EXPECT_TRUE(familyAfterBuild().empty());
  EXPECT_EQ(cache.entries.size(), 3u);

  events[1].notes = "avec les enfants";  // one occurrence's notes
  EXPECT_EQ(familyAfterBuild(), std::vector<std::string>{"quest_point"});
  sources.calendarTitlesByID = {{"perso", "Famille"}};  // a calendar renamed
  EXPECT_EQ(familyAfterBuild().size(), 3u);
  sources.overrides.set("tickets", TerritoryOverride::Scope::calendar("perso"));
  EXPECT_TRUE(familyAfterBuild().empty());  // pinned away, whatever the cache holds

  events.pop_back();  // an occurrence gone from the window is forgotten
  sources.overrides = {};
  EXPECT_EQ(familyAfterBuild().size(), 2u);
  EXPECT_EQ(cache.entries.size(), 2u);
}

TrackerTicket ticket(std::string id, std::string title, std::optional<Date> due, bool deadline,
                     bool inProgress, int64_t xp, int64_t gold) {
  TrackerTicket t;
  t.id = std::move(id);
  t.title = std::move(title);
  t.due = due;
  t.deadline = deadline;
  t.inProgress = inProgress;
  t.xp = xp;
  t.gold = gold;
  return t;
}

TEST_F(SnapshotTest, TrackerTicketsLandWithTheTicketsOrTheDeadlinesAndBecomeMainQuestCandidates) {
  sources.trackerTickets.open = {
      ticket("linear:1", "Corriger la connexion", std::nullopt, false, true, 40, 12),
      ticket("todoist:2", "Rendu du dossier", localDate(2026, 12, 8, 18), true, false, 60, 18),
      ticket("asana:3", "Relire la maquette", localDate(2026, 12, 12, 9), false, false, 20, 6)};
  const KingdomSnapshot::Snapshot s = build();
  EXPECT_EQ(ids(s.realm(KingdomRealm::tickets)), (std::vector<std::string>{"asana:3", "linear:1"}));
  ASSERT_EQ(s.realm(KingdomRealm::deadlines).size(), 1u);
  EXPECT_TRUE(s.realm(KingdomRealm::deadlines)[0].overdue);
  EXPECT_EQ(s.realm(KingdomRealm::deadlines)[0].source, KingdomItem::Source::ticket);
  std::vector<Journey::CandidateKind> kinds;
  for (const Journey::Candidate& c : s.journeyCandidates) kinds.push_back(c.kind);
  EXPECT_EQ(candidateIDs(s),
            (std::vector<std::string>{"ticket:linear:1", "ticket:todoist:2", "ticket:asana:3"}));
  EXPECT_EQ(kinds, (std::vector<Journey::CandidateKind>{Journey::CandidateKind::ticketInProgress,
                                                        Journey::CandidateKind::overdueDeadline,
                                                        Journey::CandidateKind::backlogTicket}));
  EXPECT_EQ(s.journeyCandidates[0].xpReward, 40);
  // The board draws from the backlog and the tickets under way; the overdue deadline is one more
  // deadline to clear.
  EXPECT_EQ(s.candidates.backlogTicketIDs, std::vector<std::string>{"asana:3"});
  EXPECT_EQ(s.candidates.inProgressTicketIDs, std::vector<std::string>{"linear:1"});
  EXPECT_EQ(s.candidates.overdueDeadlineCount, 1);
  EXPECT_EQ(s.live.stillBacklogTicketIDs, std::vector<std::string>{"asana:3"});
}

TEST_F(SnapshotTest, TheBoardsTicketsCountAsMovedOnlyWhenEveryTrackerAnswered) {
  WorldQuests::DailyBoard board;
  board.dayKey = "2026-12-09";
  board.objectives = {{"2026-12-09:backlogTicket",
                       WorldQuests::ObjectiveKind::backlogTicket,
                       WorldQuests::Realm::tickets,
                       WorldQuests::Family::baseline,
                       {"asana:3"}},
                      {"2026-12-09:ticketDone",
                       WorldQuests::ObjectiveKind::ticketDone,
                       WorldQuests::Realm::tickets,
                       WorldQuests::Family::baseline,
                       {"linear:1"}}};
  sources.todaysBoard = board;
  sources.trackerTickets.open = {
      ticket("linear:1", "Corriger la connexion", std::nullopt, false, true, 40, 12)};

  // One tracker failed: the missing backlog ticket may be on it, and nothing is done.
  KingdomSnapshot::Snapshot s = build();
  EXPECT_EQ(s.live.stillBacklogTicketIDs, std::vector<std::string>{"asana:3"});
  EXPECT_TRUE(s.live.doneTicketIDs.empty());

  // Every tracker answered: the backlog ticket left it; the ticket under way is still open.
  sources.trackerTickets.complete = true;
  s = build();
  EXPECT_TRUE(s.live.stillBacklogTicketIDs.empty());
  EXPECT_TRUE(s.live.doneTicketIDs.empty());
  sources.trackerTickets.open.clear();
  EXPECT_EQ(build().live.doneTicketIDs, std::vector<std::string>{"linear:1"});
  EXPECT_EQ(WorldQuests::evaluate(board, build().live).newlyCompleted.size(), 2u);
}

}  // namespace
}  // namespace talewick
