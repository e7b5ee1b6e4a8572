// The kingdom refresh over real stores: when the day's board may be drawn, and real work paid
// once across refreshes, reminders out of reach and restarts.
#include "core/kingdom_coordinator.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/run_loop.hpp"
#include "platform/linux_files.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/fake_reminders_store.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::localDate;

ReminderItem dueReminder(const std::string& id, Date due) {
  ReminderItem item;
  item.identifier = id;
  item.title = "Rappel " + id;
  item.due = ReminderDate{due, true};
  return item;
}

class KingdomCoordinatorTest : public ::testing::Test {
 protected:
  KingdomCoordinatorTest() {
    calendar.calendarList = {{"perso", "Perso", std::nullopt, true, ""}};
    CalendarEvent lunch;
    lunch.eventIdentifier = "dejeuner";
    lunch.calendarID = "perso";
    lunch.title = "Déjeuner";
    lunch.start = localDate(2026, 12, 9, 12);
    lunch.end = localDate(2026, 12, 9, 13);
    calendar.occurrences = {lunch};
    reminders.items = {dueReminder("pain", localDate(2026, 12, 9, 18)),
                       dueReminder("lettre", localDate(2026, 12, 9, 19))};
    hero.start();
  }

  std::unique_ptr<KingdomCoordinator> coordinator() {
    auto made = std::make_unique<KingdomCoordinator>(linuxFiles(), home.path(), quests, &calendar,
                                                     reminders, hero, [this] { return now; });
    made->observe([this](const std::vector<KingdomCoordinator::Payment>& paid) {
      payments.insert(payments.end(), paid.begin(), paid.end());
    });
    return made;
  }

  std::vector<std::string> receiptsPaid() {
    std::vector<std::string> ids;
    for (const auto& p : payments) ids.push_back(p.receiptID);
    payments.clear();
    return ids;
  }

  Date now = localDate(2026, 12, 9, 10);
  testing::TempFolder home{"kingdom"};
  testing::FakeCalendarStore calendar;
  testing::FakeReminders reminders;
  testing::MemoryPreferences prefs;
  testing::MemoryCloudStore cloud;
  CalendarSelection selection{prefs};
  RunLoop loop;
  HeroStore hero{linuxFiles(), home / HeroStore::FILE_NAME, cloud, loop.main(),
                 loop.serialQueue(HeroStore::CLOUD_QUEUE)};
  QuestStore quests{calendar, selection, prefs, &cloud, loop.main(), [this] { return now; }, false};
  std::vector<KingdomCoordinator::Payment> payments;
};

TEST_F(KingdomCoordinatorTest, TheBoardIsDrawnOnlyFromTheWholeKingdomWindowOfTheDay) {
  auto kingdom = coordinator();
  const DateInterval week = QuestStore::weekInterval(now);
  quests.load(week, quests.labelFor(week));
  EXPECT_FALSE(kingdom->view());
  EXPECT_FALSE(std::filesystem::exists(home / WorldQuestsStore::FILE_NAME));

  kingdom->refreshAll(now);
  ASSERT_TRUE(kingdom->view());
  EXPECT_EQ(kingdom->view()->board->dayKey, "2026-12-09");

  // Past midnight the loaded window is yesterday's: nothing is judged until it is reloaded.
  now = localDate(2026, 12, 10, 0, 5);
  kingdom->rebuildSnapshot();
  EXPECT_EQ(kingdom->view()->board->dayKey, "2026-12-09");
  kingdom->refreshAll(now);
  EXPECT_EQ(kingdom->view()->board->dayKey, "2026-12-10");
}

TEST_F(KingdomCoordinatorTest, TickingTodaysRemindersPaysOnceWhateverTheRefreshes) {
  auto kingdom = coordinator();
  kingdom->refreshAll(now);
  const WorldQuests::DailyBoard board = *kingdom->view()->board;
  ASSERT_EQ(board.objectives.size(), 3u);
  EXPECT_EQ(board.objectives[0].kind, WorldQuests::ObjectiveKind::remindersDone);
  EXPECT_EQ(board.objectives[0].baselineIDs, (std::vector<std::string>{"lettre", "pain"}));
  // The two others ask for nothing the day holds: paid at once.
  EXPECT_EQ(receiptsPaid(),
            (std::vector<std::string>{"wq:2026-12-09:deadlineClear", "wq:2026-12-09:vaultTasks"}));
  EXPECT_EQ(kingdom->view()->journey.main->id, "reminder:pain");

  // The reminders go out of reach: that is not the user ticking them.
  reminders.access = false;
  reminders.items.clear();
  kingdom->refreshAuxiliary({true, false});
  EXPECT_TRUE(receiptsPaid().empty());
  EXPECT_EQ(reminders.requests, 1);

  // Back, with both ticked: the objective and the chest, once.
  reminders.access = true;
  kingdom->refreshAuxiliary({false, false});
  EXPECT_EQ(receiptsPaid(),
            (std::vector<std::string>{"wq:2026-12-09:remindersDone", "wq-chest:2026-12-09"}));
  kingdom->refreshAuxiliary({false, false});
  kingdom->refreshAll(now);
  EXPECT_TRUE(receiptsPaid().empty());
  // Only the lunch is left to propose.
  EXPECT_EQ(kingdom->view()->journey.main->kind, Journey::CandidateKind::calendarUpcoming);

  // A restart reads the same board and pays nothing.
  kingdom.reset();
  auto restarted = coordinator();
  restarted->refreshAll(now);
  EXPECT_TRUE(receiptsPaid().empty());

  // A lost board file is drawn again from what the day holds now (no reminder due any more):
  // only an objective never paid before pays, and the day's chest stays paid.
  restarted.reset();
  std::filesystem::remove(home / WorldQuestsStore::FILE_NAME);
  coordinator()->refreshAll(now);
  EXPECT_EQ(receiptsPaid(), std::vector<std::string>{"wq:2026-12-09:remindersOverdue"});
}

TEST_F(KingdomCoordinatorTest, TheChosenMainQuestHoldsForTheDay) {
  auto kingdom = coordinator();
  kingdom->refreshAll(now);
  EXPECT_FALSE(kingdom->chooseMain("reminder:inconnu"));
  ASSERT_TRUE(kingdom->chooseMain("reminder:lettre"));
  EXPECT_TRUE(kingdom->view()->journey.isChosen);

  kingdom.reset();
  auto restarted = coordinator();
  restarted->refreshAll(now);
  EXPECT_EQ(restarted->view()->journey.main->id, "reminder:lettre");
  EXPECT_TRUE(restarted->view()->journey.isChosen);
}

TEST_F(KingdomCoordinatorTest, TheWeeksBossChangesAtMondayMidnightInTheUsersZone) {
  auto kingdom = coordinator();
  const auto bossWeekAt = [&](Date when) {
    now = when;
    kingdom->refreshAll(now);
    return kingdom->weeklyBoss().boss() ? kingdom->weeklyBoss().boss()->weekKey : "";
  };
  // The reminders of 9 December are overdue from the 10th on: they make the boss.
  EXPECT_EQ(bossWeekAt(localDate(2026, 12, 10, 9)), "2026-W50");
  EXPECT_EQ(kingdom->weeklyBoss().boss()->objectives.size(), 2u);
  EXPECT_EQ(bossWeekAt(localDate(2026, 12, 27, 23, 59)), "2026-W52");
  EXPECT_EQ(bossWeekAt(localDate(2026, 12, 28, 0, 0)), "2026-W53");
  EXPECT_EQ(bossWeekAt(localDate(2027, 1, 3, 23, 59)), "2026-W53");
  EXPECT_EQ(bossWeekAt(localDate(2027, 1, 4, 0, 0)), "2027-W01");
  // The night summer time ends (Sunday 31 October 2027, 25 hours long).
  EXPECT_EQ(bossWeekAt(localDate(2027, 10, 31, 23, 30)), "2027-W43");
  EXPECT_EQ(bossWeekAt(localDate(2027, 11, 1, 0, 0)), "2027-W44");
  std::vector<std::string> archived;
  for (const WeeklyBossChronicleEntry& e : kingdom->weeklyBoss().chronicle()) {
    archived.push_back(e.boss.weekKey);
  }
  EXPECT_EQ(archived,
            (std::vector<std::string>{"2026-W50", "2026-W52", "2026-W53", "2027-W01", "2027-W43"}));

  // Ticking both reminders fells this week's boss: paid once.
  reminders.items.clear();
  kingdom->refreshAuxiliary({false, false});
  kingdom->refreshAuxiliary({false, false});
  const std::vector<std::string> paid = receiptsPaid();
  EXPECT_EQ(std::count(paid.begin(), paid.end(), "weekboss-final:2027-W44:weekboss:2027-W44"), 1);
}

TEST_F(KingdomCoordinatorTest, TaskFileTasksFillTheirRealmsTheBoardAndTheJourney) {
  std::vector<VaultSideQuest> notes = {
      {"vault_a", "Arroser les plantes", std::nullopt, 15, 8, "maison.md", std::nullopt},
      {"vault_b", "Rendu du dossier CAF", localDate(2026, 12, 8), 15, 8, "papiers.md",
       std::nullopt},
      {"vault_c", "Réviser le vélo", localDate(2026, 12, 20), 15, 8, "maison.md", std::nullopt}};
  auto kingdom = coordinator();
  kingdom->readTaskFiles([&] { return notes; });
  kingdom->refreshAll(now);
  const KingdomSnapshot::Snapshot& snapshot = kingdom->view()->snapshot;
  const auto ids = [](const std::vector<KingdomItem>& items) {
    std::vector<std::string> out;
    for (const KingdomItem& i : items) {
      if (i.source == KingdomItem::Source::vaultTask) out.push_back(i.id);
    }
    return out;
  };
  EXPECT_EQ(ids(snapshot.realm(KingdomRealm::family)),
            (std::vector<std::string>{"vault_c", "vault_a"}));
  EXPECT_EQ(ids(snapshot.realm(KingdomRealm::deadlines)), std::vector<std::string>{"vault_b"});
  EXPECT_TRUE(snapshot.realm(KingdomRealm::deadlines)[0].overdue);
  // Only what remains for today is a candidate; the task due on the 20th waits.
  EXPECT_EQ(snapshot.candidates.vaultTaskIDs, (std::vector<std::string>{"vault_a", "vault_b"}));
  const auto& board = kingdom->view()->board->objectives;
  const auto objective = std::find_if(board.begin(), board.end(), [](const auto& o) {
    return o.kind == WorldQuests::ObjectiveKind::vaultTasks;
  });
  ASSERT_NE(objective, board.end());
  const std::string receipt = WorldQuests::objectiveReceiptID(objective->id);
  receiptsPaid();

  // Both ticked in an editor: gone from the folder's open tasks, the objective pays once.
  notes.resize(1);
  notes[0] = {"vault_c",   "Réviser le vélo", localDate(2026, 12, 20), 15, 8,
              "maison.md", std::nullopt};
  kingdom->rebuildSnapshot();
  kingdom->rebuildSnapshot();
  const std::vector<std::string> paid = receiptsPaid();
  EXPECT_EQ(std::count(paid.begin(), paid.end(), receipt), 1);
}

TEST_F(KingdomCoordinatorTest, ATrackerProjectsChapterIsDoneOnlyWhenAWholeListLacksItsTickets) {
  const auto ticket = [](std::string id, std::string project) {
    TrackerTicket t;
    t.id = std::move(id);
    t.title = "Ticket " + t.id;
    t.provider = "todoist";
    t.project = std::move(project);
    return t;
  };
  TrackerTickets tickets{
      {ticket("todoist:1", "Site"), ticket("todoist:2", "Site"), ticket("todoist:3", "Maison")},
      true};
  auto kingdom = coordinator();
  kingdom->readTrackerTickets([&] { return tickets; });
  kingdom->refreshAll(now);
  Campaigns::ChapterDraft chapter;
  chapter.title = "Mettre le site en ligne";
  chapter.anchor = Campaigns::Anchor::unknown(KingdomCampaignStore::TRACKER_PROJECT_ANCHOR, "Site");
  chapter.targetCount = 2;
  const Campaigns::Campaign campaign = Campaigns::makeCampaign(
      "campaign:site", "Le site", "", std::nullopt, WorldQuests::Realm::tickets, {chapter}, now);
  ASSERT_FALSE(kingdom->campaigns().add(campaign));
  EXPECT_EQ(kingdom->anchorItems(chapter.anchor, now),
            (std::vector<std::string>{"todoist:1", "todoist:2"}));
  kingdom->rebuildSnapshot();
  receiptsPaid();

  // The tracker did not answer: its tickets are missing, not closed.
  tickets = {{ticket("todoist:3", "Maison")}, false};
  kingdom->rebuildSnapshot();
  EXPECT_FALSE(kingdom->anchorItems(chapter.anchor, now));
  EXPECT_TRUE(receiptsPaid().empty());

  // Both closed, read from a whole list: the chapter and the campaign pay, once.
  tickets.complete = true;
  kingdom->rebuildSnapshot();
  kingdom->rebuildSnapshot();
  const std::vector<std::string> paid = receiptsPaid();
  const std::string receipt =
      Campaigns::chapterReceiptID(campaign.id, campaign.chapters[0].id, "2026-12-09");
  EXPECT_EQ(std::count(paid.begin(), paid.end(), receipt), 1) << ::testing::PrintToString(paid);
}

}  // namespace
}  // namespace talewick
