// The hero store between its file and the cloud: start-up, credits, renames, and two machines
// that must end up with one hero whatever order things happen in.
#include "core/hero_store.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/atomic_file.hpp"
#include "game/achievements.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

using testing::MemoryCloudStore;
using testing::TempFolder;

std::string encoded(const HeroSyncPayload& p) { return json_coding::encode(p).dump(); }

HeroSyncPayload withXp(int64_t xp, int64_t gold = 0, int64_t goldVersion = 0) {
  HeroSyncPayload p = HeroSyncPayload::makeDefault();
  p.totalXp = xp;
  p.gold = gold;
  p.goldVersion = goldVersion;
  return p;
}

// One machine: its own file and main loop, sharing `cloud` with the others.
struct Machine {
  Machine(const TempFolder& home, const std::string& name, KeyValueCloudStore& cloud)
      : file(home / name / HeroStore::FILE_NAME),
        store(file, cloud, loop.main(), loop.serialQueue(HeroStore::CLOUD_QUEUE)) {}

  std::optional<HeroSyncPayload> fileDocument() const {
    const auto bytes = files::read(file);
    return bytes ? std::optional(decodeJsonText<HeroSyncPayload>(*bytes)) : std::nullopt;
  }
  void settle() { loop.settle(); }

  std::filesystem::path file;
  RunLoop loop;
  HeroStore store;
};

std::optional<HeroSyncPayload> cloudDocument(const KeyValueCloudStore& cloud) {
  const auto bytes = cloud.data(HeroStore::CLOUD_KEY);
  return bytes ? std::optional(decodeJsonText<HeroSyncPayload>(*bytes)) : std::nullopt;
}

TEST(HeroStoreStartUp, FirstLaunchWritesTheDefaultHeroAndLeavesTheCloudAlone) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  Machine m(home, "a", cloud);
  m.store.start();
  m.settle();
  EXPECT_EQ(m.store.payload(), HeroSyncPayload::makeDefault());
  EXPECT_EQ(m.fileDocument(), HeroSyncPayload::makeDefault());
  EXPECT_EQ(cloud.writes(), 0);
  EXPECT_EQ(m.store.level()->level, 1);
}

TEST(HeroStoreStartUp, ANewMachineTakesTheCloudHeroWithoutWritingBack) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  HeroSyncPayload phone = withXp(300, 40, 2);
  phone.name = "Arthur";
  phone.identityVersion = 1;
  cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, encoded(phone));
  Machine m(home, "a", cloud);
  m.store.start();
  m.settle();
  EXPECT_EQ(m.store.payload(), phone);
  EXPECT_EQ(m.fileDocument(), phone);
  EXPECT_EQ(cloud.writes(), 0);
}

TEST(HeroStoreStartUp, AMachineAheadReseedsTheCloudButTheCloudsNewerGoldStays) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, encoded(withXp(300, 80, 2)));
  files::writeAtomically(home / "a" / HeroStore::FILE_NAME, encoded(withXp(500, 10, 1)));
  Machine m(home, "a", cloud);
  m.store.start();
  m.settle();
  EXPECT_EQ(m.store.payload()->gold, 80);  // adopted: the cloud's gold version is higher
  const auto up = cloudDocument(cloud);
  EXPECT_EQ(up->totalXp, 500);
  EXPECT_EQ(up->gold, 80);
}

TEST(HeroStoreStartUp, ADamagedSideNeverCostsTheOtherSidesProgress) {
  {
    TempFolder home("hero");
    MemoryCloudStore cloud;
    cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, encoded(withXp(250)));
    home.write("a/" + std::string(HeroStore::FILE_NAME), "{\"name\": \"tronq");
    Machine m(home, "a", cloud);
    m.store.start();
    EXPECT_EQ(m.store.payload()->totalXp, 250);
    EXPECT_EQ(m.fileDocument()->totalXp, 250);
  }
  {
    TempFolder home("hero");
    MemoryCloudStore cloud;
    cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, "pas du JSON");
    files::writeAtomically(home / "a" / HeroStore::FILE_NAME, encoded(withXp(120)));
    Machine m(home, "a", cloud);
    m.store.start();
    m.settle();
    EXPECT_EQ(m.store.payload()->totalXp, 120);
    EXPECT_EQ(cloudDocument(cloud)->totalXp, 120);  // the damaged cloud value is replaced
  }
}

TEST(HeroStoreCredits, EachReceiptPaysOnce) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  Machine m(home, "a", cloud);
  m.store.start();
  EXPECT_TRUE(m.store.applyWorldQuestReward("wq:inbox", 40, 12));
  EXPECT_TRUE(m.store.applyWorldQuestReward("wq:inbox", 40, 12));
  EXPECT_EQ(m.store.payload()->totalXp, 40);
  EXPECT_EQ(m.store.payload()->gold, 12);
  EXPECT_FALSE(m.store.applyCampaignReward("c:1", 0, 0));
  EXPECT_FALSE(m.store.applyWorldBossReward("wb:1", 0, true));
  EXPECT_TRUE(m.store.applyExpeditionReward("exp-1", {25, 5}));
  EXPECT_TRUE(m.store.applyRestReward("rest:2026-12-05", 10, 0));
  EXPECT_TRUE(m.store.applyWeeklyBossReward("boss:2026-W49", 100, 30));
  m.settle();
  const HeroSyncPayload p = *m.store.payload();
  EXPECT_EQ(p.totalXp, 175);
  EXPECT_EQ(p.gold, 47);
  EXPECT_EQ(p.goldVersion, 4);
  EXPECT_EQ(m.fileDocument(), p);
  EXPECT_EQ(cloudDocument(cloud), p);
}

TEST(HeroStoreCredits, TheWorldBossPaysGoldAndUnlocksItsTitleOnce) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  Machine m(home, "a", cloud);
  m.store.start();
  EXPECT_TRUE(m.store.applyWorldBossReward("wb:1", 50, true));
  EXPECT_TRUE(m.store.applyWorldBossReward("wb:2", 50, true));
  const HeroSyncPayload& p = *m.store.payload();
  EXPECT_EQ(p.totalXp, 0);
  EXPECT_EQ(p.gold, 100);
  EXPECT_EQ(p.unlockedTitleIDs,
            std::vector<std::string>{std::string(Achievements::worldBossDeedID)});
  EXPECT_TRUE(m.store.applyCosmeticUnlock("cosmetic:cape"));
  EXPECT_EQ(m.store.payload()->goldVersion, 2);
}

TEST(HeroStoreCredits, AReceiptBelowAFullListIsRefusedAndChangesNothing) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  HeroSyncPayload full = withXp(10);
  for (int i = 100; i < 612; ++i)
    full.worldQuestRewardReceiptIDs.push_back("wq:m" + std::to_string(i));
  files::writeAtomically(home / "a" / HeroStore::FILE_NAME, encoded(full));
  Machine m(home, "a", cloud);
  m.store.start();
  const HeroSyncPayload before = *m.store.payload();
  EXPECT_FALSE(m.store.applyWorldQuestReward("wq:a", 40, 12));
  EXPECT_EQ(m.store.payload(), before);
}

TEST(HeroStoreIdentity, NamesTaglinesAndTitlesRaiseTheirVersions) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  Machine m(home, "a", cloud);
  m.store.start();
  m.store.setName(" \n\t ");
  EXPECT_EQ(m.store.payload(), HeroSyncPayload::makeDefault());
  m.store.setName("  Léa la Brave\n");
  EXPECT_EQ(m.store.payload()->name, "Léa la Brave");
  EXPECT_EQ(m.store.payload()->identityVersion, 1);
  EXPECT_EQ(m.store.payload()->cosmeticsVersion, 1);
  m.store.setTagline("  Jamais sans mon café ");
  EXPECT_EQ(m.store.payload()->tagline, "Jamais sans mon café");
  m.store.setTagline(" ");
  EXPECT_FALSE(m.store.payload()->tagline);
  m.store.setEquippedTitle("titan");
  EXPECT_EQ(m.store.payload()->cosmeticsVersion, 4);
  m.store.setIdentity("", "elle", VocationRole::erudit, RPGMode::comic);
  const HeroSyncPayload& p = *m.store.payload();
  EXPECT_EQ(p.name, "Léa la Brave");
  EXPECT_EQ(p.vocation, "erudit");
  EXPECT_EQ(p.vocationName, Vocations::display(VocationRole::erudit, RPGMode::comic).name);
  EXPECT_EQ(p.identityVersion, 2);
  m.settle();
  EXPECT_EQ(cloudDocument(cloud), p);
}

TEST(HeroStoreCloud, AChangeFromElsewhereIsTakenInOnTheMainLoop) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  Machine m(home, "a", cloud);
  m.store.start();
  std::vector<int64_t> heard;
  m.store.observe([&](const HeroSyncPayload& p) { heard.push_back(p.totalXp); });
  cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, encoded(withXp(90)));
  EXPECT_EQ(m.store.payload()->totalXp, 0);  // not before the main loop runs
  m.loop.main().poll();
  EXPECT_EQ(m.store.payload()->totalXp, 90);
  EXPECT_EQ(heard, std::vector<int64_t>{90});
}

TEST(HeroStoreCloud, WorkPostedForAReleasedStoreEndsQuietly) {
  TempFolder home("hero");
  MemoryCloudStore cloud;
  RunLoop loop;
  {
    HeroStore store(home / HeroStore::FILE_NAME, cloud, loop.main(),
                    loop.serialQueue(HeroStore::CLOUD_QUEUE));
    store.start();
    cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, encoded(withXp(90)));
  }
  // The posted adoption and the cancelled second pass both run and find no store (AddressSanitizer
  // would stop on a touch of the released one).
  EXPECT_EQ(loop.main().poll(), 2u);
}

// Two machines share one cloud; any sequence of credits (some of the same receipt on both),
// renames and syncs must end in one hero that paid every receipt exactly once.
TEST(HeroStoreConvergence, TwoMachinesEndWithOneHeroWhateverTheInterleaving) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TempFolder home("converge");
    MemoryCloudStore cloud;
    Machine a(home, "a", cloud), b(home, "b", cloud);
    Machine* machines[] = {&a, &b};
    std::mt19937 random(seed);
    std::map<std::string, std::pair<int64_t, int64_t>> paid;
    if (random() % 2)
      a.store.start(), b.store.start();
    else
      b.store.start(), a.store.start();
    for (int step = 0; step < 24; ++step) {
      Machine& m = *machines[random() % 2];
      switch (random() % 4) {
        case 0:
        case 1: {
          const int n = static_cast<int>(random() % 10);
          const std::string receipt = "wq:objective-" + std::to_string(n);
          const int64_t xp = 10 + 7 * n, gold = 1 + n;
          ASSERT_TRUE(m.store.applyWorldQuestReward(receipt, xp, gold));
          paid[receipt] = {xp, gold};
          break;
        }
        case 2:
          m.store.setName("Nom " + std::to_string(step));
          break;
        case 3:
          m.store.adoptCloudIfBetter();
          m.store.reseedCloudIfLocalBetter();
          break;
      }
      m.settle();
    }
    for (int round = 0; round < 2; ++round) {
      for (Machine* m : machines) {
        m->store.adoptCloudIfBetter();
        m->store.reseedCloudIfLocalBetter();
        m->settle();
      }
    }
    int64_t xp = 0, gold = 0;
    std::vector<std::string> receipts;
    for (const auto& [receipt, amounts] : paid) {
      receipts.push_back(receipt);
      xp += amounts.first;
      gold += amounts.second;
    }
    ASSERT_EQ(a.store.payload(), b.store.payload());
    EXPECT_EQ(a.store.payload()->totalXp, xp);
    EXPECT_EQ(a.store.payload()->gold, gold);
    EXPECT_EQ(a.store.payload()->worldQuestRewardReceiptIDs, receipts);
    EXPECT_EQ(a.fileDocument(), a.store.payload());
    EXPECT_EQ(b.fileDocument(), b.store.payload());
  }
}

}  // namespace
}  // namespace talewick
