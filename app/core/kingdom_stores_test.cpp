// The kingdom's state files and the stores over them: damaged files, restarts, and payments made
// once across refreshes, restarts and two machines sharing the cloud.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sstream>

#include "core/expedition_store.hpp"
#include "core/kingdom_campaign_store.hpp"
#include "core/kingdom_journey_store.hpp"
#include "core/kingdom_rest_store.hpp"
#include "core/kingdom_territory_override_store.hpp"
#include "core/kingdom_weekly_boss_store.hpp"
#include "core/world_quests_store.hpp"
#include "platform/linux_files.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

using testing::TempFolder;

const std::vector<Journey::Candidate> kCandidates = {{"inv-1",
                                                      WorldQuests::Realm::personal,
                                                      Journey::CandidateKind::invitation,
                                                      "Réunion",
                                                      {},
                                                      40,
                                                      12},
                                                     {"rem-1",
                                                      WorldQuests::Realm::reminders,
                                                      Journey::CandidateKind::reminderDueToday,
                                                      "Pain",
                                                      {},
                                                      20,
                                                      6}};

// A weekly boss made of `risks`, as the kingdom raises it.
KingdomWeeklyBossStore::Define riskBoss(std::vector<KingdomWeeklyBossObservation::RiskItem> risks) {
  return [risks] { return KingdomWeeklyBossObservation::define({}, risks, "L'Hydre"); };
}

// The boss's "risk:" objectives done once their item is no longer among `overdue`.
KingdomWeeklyBossStore::CompletedIDs stillOverdue(const std::vector<std::string>* overdue) {
  return [overdue](const WeeklyBoss::Boss& boss) {
    return KingdomWeeklyBossObservation::completedIDs(boss, {}, *overdue);
  };
}

const KingdomWeeklyBossStore::CompletedIDs noneDone = [](const WeeklyBoss::Boss&) {
  return std::set<std::string>{};
};

// Each kingdom store over its file: how it opens it, and one change of the user's that it saves.
struct StoreCase {
  const char* file;
  std::function<bool(FilePort&, const std::filesystem::path&, std::ostream&)> openAndChange;
};

std::vector<StoreCase> storeCases() {
  return {
      {KingdomTerritoryOverrideStore::FILE_NAME,
       [](FilePort& files, const std::filesystem::path& path, std::ostream& diagnostics) {
         KingdomTerritoryOverrideStore store(files, path, diagnostics);
         const bool empty = store.overrides().overrides.empty();
         try {
           store.pinCalendar("travail", KingdomRealm::tickets);
         } catch (const FileError&) {
           EXPECT_TRUE(store.overrides().overrides.empty());  // the pins as they were
           throw;
         }
         return empty;
       }},
      {KingdomJourneyStore::FILE_NAME,
       [](FilePort& files, const std::filesystem::path& path, std::ostream& diagnostics) {
         KingdomJourneyStore store(files, path, diagnostics);
         const bool empty = store.state() == Journey::State{};
         try {
           store.choose("rem-1", kCandidates, "2026-12-09");
         } catch (const FileError&) {
           EXPECT_EQ(store.state(), Journey::State{});
           throw;
         }
         return empty;
       }},
      {KingdomRestStore::FILE_NAME,
       [](FilePort& files, const std::filesystem::path& path, std::ostream& diagnostics) {
         KingdomRestStore store(files, path, diagnostics);
         const bool empty = store.state() == KingdomRestState{};
         try {
           store.declare("2026-12-12", "2026-12-09");
         } catch (const FileError&) {
           EXPECT_TRUE(store.declarations().empty());
           throw;
         }
         return empty;
       }},
      {KingdomCampaignStore::FILE_NAME,
       [](FilePort& files, const std::filesystem::path& path, std::ostream& diagnostics) {
         testing::MemoryCloudStore cloud;
         RunLoop loop;
         HeroStore hero(files, "/home/hero.json", cloud, loop.main(),
                        loop.serialQueue(HeroStore::CLOUD_QUEUE), diagnostics);
         KingdomCampaignChronicleStore chronicle(files, "/home/chronicle.json", diagnostics);
         KingdomCampaignStore store(files, path, chronicle, hero, diagnostics);
         const bool empty = store.campaigns().empty();
         try {
           store.add(Campaigns::makeCampaign(
               "campaign:x", "Relire", "", std::nullopt, WorldQuests::Realm::family,
               {{"Un", Campaigns::Anchor::manual(), 0, std::nullopt, true}}, Date()));
         } catch (const FileError&) {
           EXPECT_TRUE(store.campaigns().empty());
           throw;
         }
         return empty;
       }},
      {KingdomWeeklyBossStore::FILE_NAME,
       [](FilePort& files, const std::filesystem::path& path, std::ostream& diagnostics) {
         testing::MemoryCloudStore cloud;
         RunLoop loop;
         HeroStore hero(files, "/home/hero.json", cloud, loop.main(),
                        loop.serialQueue(HeroStore::CLOUD_QUEUE), diagnostics);
         KingdomWeeklyBossStore store(files, path, hero, diagnostics);
         const bool empty = !store.boss() && store.chronicle().empty();
         try {
           store.refresh("2026-W50", Date(), riskBoss({{"r1", "Facture"}}), noneDone);
         } catch (const FileError&) {
           EXPECT_FALSE(store.boss());
           throw;
         }
         return empty;
       }},
      {WorldQuestsStore::FILE_NAME,
       [](FilePort& files, const std::filesystem::path& path, std::ostream& diagnostics) {
         testing::MemoryCloudStore cloud;
         RunLoop loop;
         HeroStore hero(files, "/home/hero.json", cloud, loop.main(),
                        loop.serialQueue(HeroStore::CLOUD_QUEUE), diagnostics);
         WorldQuestsStore store(files, path, hero, diagnostics);
         const bool empty = !store.board();
         WorldQuests::Candidates candidates;
         candidates.pendingInviteIDs = {"inv-1"};
         WorldQuests::LiveState live;
         live.stillPendingInviteIDs = {"inv-1"};
         try {
           store.refresh("2026-12-09", candidates, live, 3);
         } catch (const FileError&) {
           EXPECT_FALSE(store.board());
           throw;
         }
         return empty;
       }},
      {ExpeditionStore::FILE_NAME,
       [](FilePort& files, const std::filesystem::path& path, std::ostream& diagnostics) {
         testing::MemoryCloudStore cloud;
         RunLoop loop;
         HeroStore hero(files, "/home/hero.json", cloud, loop.main(),
                        loop.serialQueue(HeroStore::CLOUD_QUEUE), diagnostics);
         ExpeditionStore store(
             files, path, hero, [] { return Date{}; }, diagnostics);
         const bool empty = store.state() == ExpeditionStoreState{};
         try {
           store.start(ExpeditionTarget::calendarEvent("ev-1", "Rapport", {20, 4}), 25, Date{});
         } catch (const FileError&) {
           EXPECT_EQ(store.state(), ExpeditionStoreState{});
           throw;
         }
         return empty;
       }},
  };
}

TEST(StateFiles, ADamagedFileReadsAsEmptyIsSaidOnceAndKeptAside) {
  for (const StoreCase& c : storeCases()) {
    SCOPED_TRACE(c.file);
    testing::MemoryFiles files;
    const std::filesystem::path path = std::filesystem::path("/home") / c.file;
    files.put(path, "{\"overrides\": [{\"scope\"");
    std::ostringstream said;
    EXPECT_TRUE(c.openAndChange(files, path, said));
    EXPECT_EQ(said.str(), "talewick : /home/" + std::string(c.file) +
                              " endommagé : lu comme vide ; copie gardée sous /home/" + c.file +
                              ".damaged\n");
    EXPECT_EQ(files.contents(path.string() + ".damaged"), "{\"overrides\": [{\"scope\"");
    ASSERT_TRUE(files.contents(path));
    EXPECT_FALSE(Json::parse(*files.contents(path), nullptr, false).is_discarded());
    // The next start finds the new file: nothing more to say.
    std::ostringstream again;
    EXPECT_FALSE(c.openAndChange(files, path, again));
    EXPECT_EQ(again.str(), "");
  }
}

TEST(StateFiles, AChangeThatCannotBeSavedFailsAndLeavesTheStoreAndTheFileAsTheyWere) {
  struct Trouble {
    const char* what;
    std::function<void(testing::MemoryFiles&, const std::filesystem::path&)> arrange;
    const char* fileAfter;  // nullptr: no file
    std::string message;
  };
  for (const StoreCase& c : storeCases()) {
    const std::string path = std::string("/home/") + c.file;
    const std::vector<Trouble> troubles = {
        {"read-only folder",
         [](testing::MemoryFiles& files, const std::filesystem::path&) {
           files.refuseWrites("/home", EROFS);
         },
         nullptr, "impossible d'enregistrer " + path + " : système de fichiers en lecture seule"},
        {"unreadable file",
         [](testing::MemoryFiles& files, const std::filesystem::path& p) {
           files.put(p, "{}");
           files.refuseReads(p, EACCES);
         },
         "{}", path + " est illisible (permission refusée) : il n'est pas remplacé"},
        {"damaged file that cannot be moved aside",
         [](testing::MemoryFiles& files, const std::filesystem::path& p) {
           files.put(p, "[");
           files.refuseWrites("/home", EACCES);
         },
         "[", path + " est endommagé et n'a pas pu être mis de côté : il n'est pas remplacé"},
    };
    for (const Trouble& t : troubles) {
      SCOPED_TRACE(std::string(c.file) + ", " + t.what);
      testing::MemoryFiles files;
      t.arrange(files, path);
      std::ostringstream said;
      try {
        c.openAndChange(files, path, said);
        ADD_FAILURE() << "the change was not refused";
      } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), t.message);
      }
      if (t.fileAfter) {
        EXPECT_EQ(files.contents(path), t.fileAfter);
      } else {
        EXPECT_FALSE(files.contents(path));
      }
    }
  }
}

TEST(KingdomJourneyStore, TheDaysChoiceSurvivesARestart) {
  TempFolder home("journey");
  const std::vector<Journey::Candidate>& candidates = kCandidates;
  {
    KingdomJourneyStore store(linuxFiles(), home / KingdomJourneyStore::FILE_NAME);
    EXPECT_EQ(store.resolve(candidates, "2026-12-09").main->id, "inv-1");
    EXPECT_FALSE(store.choose("nope", candidates, "2026-12-09"));
    EXPECT_TRUE(store.choose("rem-1", candidates, "2026-12-09"));
  }
  KingdomJourneyStore reopened(linuxFiles(), home / KingdomJourneyStore::FILE_NAME);
  const Journey::Resolution again = reopened.resolve(candidates, "2026-12-09");
  EXPECT_EQ(again.main->id, "rem-1");
  EXPECT_TRUE(again.isChosen);
  EXPECT_EQ(reopened.resolve(candidates, "2026-12-10").main->id, "inv-1");  // a new day
}

// One machine: its hero over the shared cloud, and its board store.
struct Machine {
  Machine(const TempFolder& home, const std::string& name, KeyValueCloudStore& cloud)
      : hero(linuxFiles(), home / name / HeroStore::FILE_NAME, cloud, loop.main(),
             loop.serialQueue(HeroStore::CLOUD_QUEUE)) {
    hero.start();
  }
  WorldQuestsStore board(const TempFolder& home, const std::string& name) {
    return WorldQuestsStore(linuxFiles(), home / name / WorldQuestsStore::FILE_NAME, hero);
  }
  RunLoop loop;
  HeroStore hero;
};

TEST(WorldQuestsStore, EachObjectiveAndTheChestArePaidOnce) {
  TempFolder home("board");
  testing::MemoryCloudStore cloud;
  WorldQuests::Candidates candidates;
  candidates.pendingInviteIDs = {"inv-1"};
  candidates.overdueReminderCount = 2;
  WorldQuests::LiveState live;
  live.stillPendingInviteIDs = {"inv-1"};
  live.overdueReminderCount = 2;

  Machine a(home, "a", cloud);
  int64_t paidXp = 0;
  const auto total = [&](const std::vector<WorldQuestsStore::Payment>& payments) {
    for (const auto& p : payments) paidXp += p.xp;
    return payments.size();
  };
  size_t objectives = 0;
  {
    WorldQuestsStore store = a.board(home, "a");
    // Objectives already met when the board is drawn are paid at once, the others not yet.
    const size_t atOnce = total(store.refresh("2026-12-09", candidates, live, 3));
    objectives = store.board()->objectives.size();
    ASSERT_GE(objectives, 2u);
    EXPECT_LT(atOnce, objectives);
    EXPECT_EQ(total(store.refresh("2026-12-09", candidates, live, 3)), 0u);
  }
  // The invitation is answered and the reminders done; a restart finds the board and pays the
  // rest once, the chest included.
  live.stillPendingInviteIDs.clear();
  live.overdueReminderCount = 0;
  WorldQuestsStore restarted = a.board(home, "a");
  const auto rest = restarted.refresh("2026-12-09", candidates, live, 3);
  total(rest);
  ASSERT_FALSE(rest.empty());
  EXPECT_EQ(rest.back().receiptID, "wq-chest:2026-12-09");
  EXPECT_TRUE(restarted.board()->chestCredited);
  EXPECT_EQ(total(restarted.refresh("2026-12-09", candidates, live, 3)), 0u);
  const int64_t chestXp = WorldQuests::chestReward(*restarted.board()).xp;
  EXPECT_EQ(paidXp, 2 * chestXp);  // every objective once, then the chest once more
  EXPECT_EQ(a.hero.payload()->totalXp, paidXp);
  a.loop.settle();

  // Another machine with its own board file sees the same completions: nothing is paid twice.
  Machine b(home, "b", cloud);
  WorldQuestsStore other = b.board(home, "b");
  EXPECT_TRUE(other.refresh("2026-12-09", candidates, live, 3).empty());
  EXPECT_TRUE(other.board()->chestCredited);
  EXPECT_EQ(b.hero.payload()->totalXp, paidXp);

  // A new day brings a new board.
  restarted.refresh("2026-12-10", candidates, live, 1);
  EXPECT_EQ(restarted.board()->dayKey, "2026-12-10");
  EXPECT_EQ(restarted.board()->objectives.size(), 1u);
}

TEST(WorldQuestsStore, ABoardDrawnAgainAfterItsFileIsLostPaysNothingPaidThatDay) {
  TempFolder home("board-lost");
  testing::MemoryCloudStore cloud;
  Machine a(home, "a", cloud);
  WorldQuests::Candidates morning;
  morning.pendingInviteIDs = {"inv-1"};
  morning.overdueReminderCount = 1;
  WorldQuests::LiveState live;
  live.stillPendingInviteIDs = {"inv-1"};
  live.overdueReminderCount = 1;
  {
    WorldQuestsStore store = a.board(home, "a");
    store.refresh("2026-12-09", morning, live, 2);  // a loaded morning: two objectives
    live = {};                                      // answered, ticked: both paid, and the chest
    EXPECT_EQ(store.refresh("2026-12-09", morning, live, 2).size(), 3u);
  }
  const int64_t earned = a.hero.payload()->totalXp;
  home.write("a/" + std::string(WorldQuestsStore::FILE_NAME), "{\"dayKey\": \"2026-");

  // The board drawn again pays nothing, and shows what was paid as won.
  WorldQuestsStore redrawn = a.board(home, "a");
  EXPECT_TRUE(redrawn.refresh("2026-12-09", morning, live, 2).empty());
  EXPECT_EQ(a.hero.payload()->totalXp, earned);
  EXPECT_TRUE(redrawn.board()->chestCredited);
  for (const WorldQuests::Objective& o : redrawn.board()->objectives) {
    EXPECT_TRUE(o.completed && o.credited) << o.id;
  }
}

TEST(WorldQuestsStore, APaymentAnotherMachineMadeIsNotReportedAsOurs) {
  TempFolder home("board-two");
  testing::MemoryCloudStore cloud;
  Machine a(home, "a", cloud);
  Machine b(home, "b", cloud);  // started before a pays anything
  WorldQuests::Candidates candidates;
  candidates.pendingInviteIDs = {"inv-1"};
  WorldQuests::LiveState live;
  live.stillPendingInviteIDs = {"inv-1"};
  WorldQuestsStore onA = a.board(home, "a");
  WorldQuestsStore onB = b.board(home, "b");
  onA.refresh("2026-12-09", candidates, live, 3);
  onB.refresh("2026-12-09", candidates, live, 3);

  live.stillPendingInviteIDs.clear();
  EXPECT_EQ(onA.refresh("2026-12-09", candidates, live, 3).size(), 2u);
  a.loop.settle();  // a's credits reach the cloud
  EXPECT_TRUE(onB.refresh("2026-12-09", candidates, live, 3).empty());
  EXPECT_TRUE(onB.board()->chestCredited);
  EXPECT_EQ(b.hero.payload()->totalXp, a.hero.payload()->totalXp);
}

TEST(KingdomWeeklyBossStore, OverdueRisksFallOneByOneAndTheBossPaysOnceOnEveryMachine) {
  TempFolder home("weekboss");
  testing::MemoryCloudStore cloud;
  std::vector<KingdomWeeklyBossObservation::RiskItem> risks;
  std::vector<std::string> overdue;
  for (int i = 0; i < 12; ++i) {
    risks.push_back({"r" + std::to_string(i), "Retard " + std::to_string(i)});
    overdue.push_back("r" + std::to_string(i));
  }
  const Date now = Date::fromUnix(1'765'300'000);
  const std::string receipt = "weekboss-final:2026-W50:weekboss:2026-W50";
  Machine a(home, "a", cloud);
  const auto bossOn = [&](const std::string& name) {
    return KingdomWeeklyBossStore(linuxFiles(), home / name / KingdomWeeklyBossStore::FILE_NAME,
                                  a.hero);
  };
  {
    KingdomWeeklyBossStore store = bossOn("a");
    EXPECT_TRUE(store.refresh("2026-W50", now, riskBoss(risks), stillOverdue(&overdue)).empty());
    ASSERT_TRUE(store.boss());
    EXPECT_EQ(WeeklyBoss::summary(*store.boss()).maxHP, 8);

    overdue.erase(overdue.begin());  // r0 is done: one hit point
    EXPECT_TRUE(store.refresh("2026-W50", now, riskBoss(risks), stillOverdue(&overdue)).empty());
    EXPECT_EQ(WeeklyBoss::summary(*store.boss()).damage, 1);
    EXPECT_EQ(WeeklyBoss::summary(*store.boss()).outcome, WeeklyBoss::Outcome::progressed);
  }
  // After a restart the last seven fall; the boss pays once.
  overdue.erase(overdue.begin(), overdue.begin() + 7);
  KingdomWeeklyBossStore restarted = bossOn("a");
  EXPECT_EQ(WeeklyBoss::summary(*restarted.boss()).damage, 1);
  const std::vector<Payment> paid =
      restarted.refresh("2026-W50", now, riskBoss(risks), stillOverdue(&overdue));
  ASSERT_EQ(paid.size(), 1u);
  EXPECT_EQ(paid[0].receiptID, receipt);
  EXPECT_EQ(paid[0].xp, 200);
  EXPECT_EQ(paid[0].gold, 60);
  EXPECT_TRUE(restarted.boss()->finalCredited);
  EXPECT_TRUE(restarted.refresh("2026-W50", now, riskBoss(risks), stillOverdue(&overdue)).empty());
  EXPECT_TRUE(
      bossOn("a").refresh("2026-W50", now, riskBoss(risks), stillOverdue(&overdue)).empty());
  a.loop.settle();

  // Another machine raises its own boss of the week from the four items still overdue; felling
  // it pays nothing more.
  Machine b(home, "b", cloud);
  KingdomWeeklyBossStore onB(linuxFiles(), home / "b" / KingdomWeeklyBossStore::FILE_NAME, b.hero);
  const std::vector<KingdomWeeklyBossObservation::RiskItem> left(risks.begin() + 8, risks.end());
  onB.refresh("2026-W50", now, riskBoss(left), stillOverdue(&overdue));
  EXPECT_EQ(onB.boss()->objectives.size(), 4u);
  overdue.clear();
  EXPECT_TRUE(onB.refresh("2026-W50", now, riskBoss(left), stillOverdue(&overdue)).empty());
  EXPECT_TRUE(onB.boss()->finalCredited);
  EXPECT_EQ(b.hero.payload()->totalXp, 200);
  EXPECT_EQ(b.hero.payload()->weeklyBossRewardReceiptIDs, std::vector<std::string>{receipt});
}

TEST(KingdomWeeklyBossStore, ANewWeekArchivesTheBossAndPaysWhatItStillOwed) {
  TempFolder home("weekboss-week");
  testing::MemoryCloudStore cloud;
  Machine a(home, "a", cloud);
  // Left by a refresh that could not pay: the boss fell, its reward is still due.
  home.write("a/weekboss-v1.json",
             R"({"boss":{"id":"weekboss:2026-W50","weekKey":"2026-W50","title":"L'Hydre",)"
             R"("source":{"kind":"risk","value":""},"realm":"deadlines","objectives":[)"
             R"({"id":"risk:r1","title":"Facture","hp":1,"completed":true,"credited":false}],)"
             R"("rewardXP":200,"rewardGold":60,"finalCredited":false},"chronicle":[]})");
  KingdomWeeklyBossStore store(linuxFiles(), home / "a" / KingdomWeeklyBossStore::FILE_NAME,
                               a.hero);
  const Date monday = Date::fromUnix(1'765'800'000);
  const std::vector<std::string> overdue = {"r2"};
  const std::vector<Payment> paid =
      store.refresh("2026-W51", monday, riskBoss({{"r2", "Loyer"}}), stillOverdue(&overdue));
  ASSERT_EQ(paid.size(), 1u);
  EXPECT_EQ(paid[0].receiptID, "weekboss-final:2026-W50:weekboss:2026-W50");

  ASSERT_EQ(store.chronicle().size(), 1u);
  const WeeklyBossChronicleEntry& archived = store.chronicle()[0];
  EXPECT_TRUE(archived.boss.finalCredited);
  EXPECT_EQ(archived.boss.resolvedAt, monday);
  EXPECT_FALSE(archived.seen);
  ASSERT_TRUE(store.boss());
  EXPECT_EQ(store.boss()->weekKey, "2026-W51");
  EXPECT_EQ(store.boss()->objectives[0].id, "risk:r2");

  EXPECT_TRUE(store.markSeen("weekboss:2026-W50"));
  EXPECT_FALSE(store.markSeen("weekboss:2026-W50"));
  // A week with nothing overdue raises no boss; the last one is archived all the same.
  store.refresh("2026-W52", monday, riskBoss({}), noneDone);
  EXPECT_FALSE(store.boss());
  EXPECT_EQ(store.chronicle().size(), 2u);
  KingdomWeeklyBossStore reopened(linuxFiles(), home / "a" / KingdomWeeklyBossStore::FILE_NAME,
                                  a.hero);
  EXPECT_EQ(reopened.chronicle(), store.chronicle());
  EXPECT_TRUE(reopened.chronicle()[0].seen);
}

TEST(KingdomCampaignStore, AChapterPaysOnceOnTwoMachinesHoldingTheSameCampaign) {
  TempFolder home("campaign-two");
  testing::MemoryCloudStore cloud;
  Machine a(home, "a", cloud);
  Machine b(home, "b", cloud);
  const auto storesOf = [&](Machine& m, const std::string& name) {
    auto chronicle = std::make_unique<KingdomCampaignChronicleStore>(
        linuxFiles(), home / name / KingdomCampaignChronicleStore::FILE_NAME);
    auto campaigns = std::make_unique<KingdomCampaignStore>(
        linuxFiles(), home / name / KingdomCampaignStore::FILE_NAME, *chronicle, m.hero);
    return std::pair{std::move(chronicle), std::move(campaigns)};
  };
  const Date now = Date::fromUnix(1'765'300'000);
  const auto manual =
      Campaigns::ChapterDraft{"Relire", Campaigns::Anchor::manual(), 0, std::nullopt, true};
  auto [chronicleA, onA] = storesOf(a, "a");
  ASSERT_FALSE(onA->add(Campaigns::makeCampaign("campaign:x", "Thèse", "", std::nullopt,
                                                WorldQuests::Realm::personal, {manual}, now)));
  // The other machine holds a copy of the same campaign file.
  std::filesystem::create_directories(home / "b");
  std::filesystem::copy_file(home / "a" / KingdomCampaignStore::FILE_NAME,
                             home / "b" / KingdomCampaignStore::FILE_NAME);
  auto [chronicleB, onB] = storesOf(b, "b");
  const auto none = [](const Campaigns::Anchor&) {
    return std::optional<std::vector<std::string>>();
  };
  ASSERT_TRUE(onA->completeManualChapter("campaign:x", now));
  ASSERT_TRUE(onB->completeManualChapter("campaign:x", now));
  EXPECT_EQ(onA->evaluate({}, "2026-12-09", now, none).size(), 2u);  // the chapter and the end
  a.loop.settle();
  EXPECT_TRUE(onB->evaluate({}, "2026-12-09", now, none).empty());
  EXPECT_TRUE(onB->campaigns()[0].finalCredited);
  EXPECT_EQ(chronicleB->entries().size(), 1u);
  EXPECT_EQ(b.hero.payload()->totalXp, a.hero.payload()->totalXp);
}

}  // namespace
}  // namespace talewick
