// Reminders as side quests: access, conversion, order, completion.
#include "core/reminders_service.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run_loop.hpp"
#include "tests/support/fake_reminders_store.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::FakeReminders;
using testing::localDate;

ReminderItem reminder(const std::string& id, std::optional<std::string> title) {
  ReminderItem item;
  item.identifier = id;
  item.title = std::move(title);
  return item;
}

std::vector<std::string> titles(const std::vector<SideQuest>& quests) {
  std::vector<std::string> out;
  for (const auto& q : quests) out.push_back(q.title);
  return out;
}

TEST(RemindersService, WithoutAccessNothingIsReadAndAccessIsAskedOnlyOnRequest) {
  FakeReminders port;
  port.access = false;
  port.grantOnRequest = false;
  port.items = {reminder("r1", "Acheter des croquettes")};
  RemindersService service(port);

  EXPECT_TRUE(service.openSideQuests(false).empty());
  EXPECT_EQ(port.requests, 0);
  EXPECT_EQ(port.fetches, 0);

  // Refused: still empty, still nothing read.
  EXPECT_TRUE(service.openSideQuests(true).empty());
  EXPECT_EQ(port.requests, 1);
  EXPECT_EQ(port.fetches, 0);

  // Granted: read at once.
  port.grantOnRequest = true;
  EXPECT_EQ(titles(service.openSideQuests(true)),
            (std::vector<std::string>{"Acheter des croquettes"}));
  EXPECT_EQ(port.requests, 2);
  EXPECT_EQ(port.fetches, 1);

  // Access held: no more asking.
  EXPECT_EQ(service.openSideQuests(true).size(), 1u);
  EXPECT_EQ(port.requests, 2);
}

TEST(RemindersService, ConvertsEveryField) {
  FakeReminders port;
  ReminderItem item = reminder("uid-42", "  Réparer la cabane \n");
  item.start = ReminderDate{localDate(2026, 12, 4), false};
  item.due = ReminderDate{localDate(2026, 12, 5, 17, 30), true};
  item.priority = 5;
  item.location = "Jardin";
  item.notes = "Clous, marteau";
  item.url = "https://exemple.fr/cabane";
  item.listTitle = "Maison";
  item.alarmCount = 2;
  item.recurrenceRuleCount = 1;
  item.createdAt = Date{1000};
  item.modifiedAt = Date{2000};
  port.items = {item};

  const auto quests = RemindersService(port).openSideQuests(false);
  ASSERT_EQ(quests.size(), 1u);
  SideQuest expected;
  expected.id = "uid-42";
  expected.title = "Réparer la cabane";
  expected.start = localDate(2026, 12, 4);
  expected.due = localDate(2026, 12, 5, 17, 30);
  expected.dueHasTime = true;
  expected.priority = SideQuestPriority::moyenne;
  expected.location = "Jardin";
  expected.notes = "Clous, marteau";
  expected.url = "https://exemple.fr/cabane";
  expected.listTitle = "Maison";
  expected.alarmCount = 2;
  expected.recurrenceRuleCount = 1;
  expected.createdAt = Date{1000};
  expected.modifiedAt = Date{2000};
  EXPECT_EQ(quests[0], expected);
}

// Untitled reminders get a name; the store's order is not kept: due ones come first.
TEST(RemindersService, DueDayWithoutTimePrioritiesAndUntitledItems) {
  FakeReminders port;
  ReminderItem day = reminder("day", "Anniversaire de Léa");
  day.due = ReminderDate{localDate(2026, 12, 5), false};
  day.priority = 1;
  port.items = {reminder("a", std::nullopt), reminder("b", " \t\n "), day};

  const auto quests = RemindersService(port).openSideQuests(false);
  ASSERT_EQ(quests.size(), 3u);
  EXPECT_EQ(quests[0].id, "day");
  EXPECT_FALSE(quests[0].dueHasTime);
  EXPECT_EQ(quests[0].priority, SideQuestPriority::haute);
  for (size_t i : {1u, 2u}) {
    EXPECT_EQ(quests[i].title, "Quête sans nom") << quests[i].id;
    EXPECT_EQ(quests[i].priority, SideQuestPriority::basse);
    EXPECT_FALSE(quests[i].due.has_value());
    EXPECT_FALSE(quests[i].dueHasTime);
  }
}

TEST(RemindersService, CompleteReportsWhatTheStoreDid) {
  FakeReminders port;
  port.items = {reminder("r1", "Faire les courses"), reminder("r2", "Plier le linge")};
  RemindersService service(port);
  const Date now = localDate(2026, 12, 5, 10, 15);

  EXPECT_TRUE(service.complete("r1", now));
  ASSERT_EQ(port.completed.size(), 1u);
  EXPECT_EQ(port.completed[0].first, "r1");
  EXPECT_EQ(port.completed[0].second, now);
  EXPECT_EQ(titles(service.openSideQuests(false)), (std::vector<std::string>{"Plier le linge"}));

  EXPECT_FALSE(service.complete("inconnu", now));
  port.saveSucceeds = false;
  EXPECT_FALSE(service.complete("r2", now));
  EXPECT_EQ(service.openSideQuests(false).size(), 1u);  // a failed save leaves the quest open
}

TEST(RemindersService, ACompletedSideQuestIsCreditedOnceAndOnlyWhenTicked) {
  testing::TempFolder home("side-quests");
  testing::MemoryCloudStore cloud;
  testing::MemoryFiles files;
  RunLoop loop;
  HeroStore hero(files, home / HeroStore::FILE_NAME, cloud, loop.main(),
                 loop.serialQueue(HeroStore::CLOUD_QUEUE));
  hero.start();
  FakeReminders port;
  ReminderItem urgent = reminder("r1", "Appeler le plombier");
  urgent.priority = 1;  // haute: 30 XP, 15 gold
  port.items = {urgent, reminder("r2", "Plier le linge")};
  RemindersService service(port);
  const Date now = localDate(2026, 12, 5, 10, 15);
  using Outcome = RemindersService::Completion::Outcome;

  port.saveSucceeds = false;  // not ticked: not paid
  EXPECT_EQ(service.completeAndCredit("r1", now, hero).outcome, Outcome::notSaved);
  EXPECT_EQ(hero.payload()->totalXp, 0);

  port.saveSucceeds = true;
  const RemindersService::Completion done = service.completeAndCredit("r1", now, hero);
  EXPECT_EQ(done.outcome, Outcome::completed);
  EXPECT_EQ(done.quest->title, "Appeler le plombier");
  EXPECT_EQ(done.credited, (SideQuests::Reward{30, 15}));
  EXPECT_EQ(hero.payload()->totalXp, 30);
  EXPECT_EQ(hero.payload()->gold, 15);
  EXPECT_EQ(hero.payload()->sideQuestRewardReceiptIDs,
            std::vector<std::string>{"reminder:2026-12-05:r1"});
  EXPECT_EQ(service.completeAndCredit("r1", now, hero).outcome, Outcome::alreadyDone);
  EXPECT_EQ(service.completeAndCredit("r9", now, hero).outcome, Outcome::unknown);

  port.items.push_back(urgent);  // reopened elsewhere, ticked again the same day
  const RemindersService::Completion again = service.completeAndCredit("r1", now, hero);
  EXPECT_EQ(again.outcome, Outcome::completed);
  EXPECT_FALSE(again.credited);
  EXPECT_EQ(hero.payload()->totalXp, 30);
  loop.settle();
}

}  // namespace
}  // namespace talewick
