// The hero store between its file and the cloud: start-up, credits, renames, and two machines
// that must end up with one hero whatever order things happen in.
#include "core/hero_store.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>

#include "game/achievements.hpp"
#include "platform/atomic_file.hpp"
#include "platform/linux_files.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

using testing::MemoryCloudStore;
using testing::TempFolder;

std::string encoded(const HeroSyncPayload& p) { return json_coding::encode(p).dump(); }

std::optional<HeroSyncPayload> decoded(const std::optional<std::string>& bytes) {
  return bytes ? std::optional(decodeJsonText<HeroSyncPayload>(*bytes)) : std::nullopt;
}

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
        store(linuxFiles(), file, cloud, loop.main(), loop.serialQueue(HeroStore::CLOUD_QUEUE)) {}

  std::optional<HeroSyncPayload> fileDocument() const { return decoded(files::read(file)); }
  void settle() { loop.settle(); }

  std::filesystem::path file;
  RunLoop loop;
  HeroStore store;
};

// Machine "a" alone on its cloud. Nothing is read before start(), so a test first puts what the
// file and the cloud hold.
class HeroStoreTest : public ::testing::Test {
 protected:
  void putFile(const std::string& bytes) {
    home.write("a/" + std::string(HeroStore::FILE_NAME), bytes);
  }
  void putCloud(const std::string& bytes) { cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, bytes); }
  std::optional<HeroSyncPayload> cloudDocument() const {
    return decoded(cloud.data(HeroStore::CLOUD_KEY));
  }
  void startAndSettle() {
    m.store.start();
    m.settle();
  }

  TempFolder home{"hero"};
  MemoryCloudStore cloud;
  Machine m{home, "a", cloud};
};

TEST_F(HeroStoreTest, FirstLaunchWritesTheDefaultHeroAndLeavesTheCloudAlone) {
  startAndSettle();
  EXPECT_EQ(m.store.payload(), HeroSyncPayload::makeDefault());
  EXPECT_EQ(m.fileDocument(), HeroSyncPayload::makeDefault());
  EXPECT_EQ(cloud.writes(), 0);
  EXPECT_EQ(m.store.level()->level, 1);
}

TEST_F(HeroStoreTest, ANewMachineTakesTheCloudHeroWithoutWritingBack) {
  HeroSyncPayload phone = withXp(300, 40, 2);
  phone.name = "Arthur";
  phone.identityVersion = 1;
  putCloud(encoded(phone));
  startAndSettle();
  EXPECT_EQ(m.store.payload(), phone);
  EXPECT_EQ(m.fileDocument(), phone);
  EXPECT_EQ(cloud.writes(), 0);
}

TEST_F(HeroStoreTest, AMachineAheadReseedsTheCloudButTheCloudsNewerGoldStays) {
  putCloud(encoded(withXp(300, 80, 2)));
  putFile(encoded(withXp(500, 10, 1)));
  startAndSettle();
  EXPECT_EQ(m.store.payload()->gold, 80);  // adopted: the cloud's gold version is higher
  EXPECT_EQ(cloudDocument()->totalXp, 500);
  EXPECT_EQ(cloudDocument()->gold, 80);
}

TEST_F(HeroStoreTest, ADamagedSideNeverCostsTheOtherSidesProgress) {
  putCloud(encoded(withXp(250)));
  putFile("{\"name\": \"tronq");
  m.store.start();
  EXPECT_EQ(m.store.payload()->totalXp, 250);
  EXPECT_EQ(m.fileDocument()->totalXp, 250);

  // The other way round, on a second machine with a cloud of its own.
  MemoryCloudStore damaged;
  damaged.writeFromElsewhere(HeroStore::CLOUD_KEY, "pas du JSON");
  home.write("b/" + std::string(HeroStore::FILE_NAME), encoded(withXp(120)));
  Machine b(home, "b", damaged);
  b.store.start();
  b.settle();
  EXPECT_EQ(b.store.payload()->totalXp, 120);
  EXPECT_EQ(decoded(damaged.data(HeroStore::CLOUD_KEY))->totalXp, 120);  // replaced
}

TEST_F(HeroStoreTest, EachReceiptPaysOnceAndTheWorldBossInGoldWithItsTitleOnce) {
  m.store.start();
  EXPECT_TRUE(m.store.applyWorldQuestReward("wq:inbox", 40, 12));
  EXPECT_TRUE(m.store.applyWorldQuestReward("wq:inbox", 40, 12));
  EXPECT_EQ(m.store.payload()->totalXp, 40);
  EXPECT_EQ(m.store.payload()->gold, 12);
  EXPECT_FALSE(m.store.applyCampaignReward("c:1", 0, 0));
  EXPECT_FALSE(m.store.applyWorldBossReward("wb:0", 0, true));
  EXPECT_TRUE(m.store.applyExpeditionReward("exp-1", {25, 5}));
  EXPECT_TRUE(m.store.applyRestReward("rest:2026-12-05", 10, 0));
  EXPECT_TRUE(m.store.applyWeeklyBossReward("boss:2026-W49", 100, 30));
  EXPECT_TRUE(m.store.applyWorldBossReward("wb:1", 50, true));
  EXPECT_TRUE(m.store.applyWorldBossReward("wb:2", 50, true));
  EXPECT_TRUE(m.store.applyCosmeticUnlock("cosmetic:cape"));  // moves no gold
  m.settle();
  const HeroSyncPayload p = *m.store.payload();
  EXPECT_EQ(p.totalXp, 175);
  EXPECT_EQ(p.gold, 147);
  EXPECT_EQ(p.goldVersion, 6);
  EXPECT_EQ(p.unlockedTitleIDs,
            std::vector<std::string>{std::string(Achievements::worldBossDeedID)});
  EXPECT_EQ(m.fileDocument(), p);
  EXPECT_EQ(cloudDocument(), p);
}

TEST_F(HeroStoreTest, AReceiptBelowAFullListIsRefusedAndChangesNothing) {
  HeroSyncPayload full = withXp(10);
  for (int i = 100; i < 612; ++i) {
    full.worldQuestRewardReceiptIDs.push_back("wq:m" + std::to_string(i));
  }
  putFile(encoded(full));
  m.store.start();
  EXPECT_FALSE(m.store.applyWorldQuestReward("wq:a", 40, 12));
  EXPECT_EQ(m.store.payload(), full);
}

TEST_F(HeroStoreTest, NamesTaglinesAndTitlesRaiseTheirVersions) {
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
  EXPECT_EQ(cloudDocument(), p);
}

TEST_F(HeroStoreTest, AChangeFromElsewhereIsTakenInOnTheMainLoop) {
  m.store.start();
  std::vector<int64_t> heard;
  m.store.observe([&](const HeroSyncPayload& p) { heard.push_back(p.totalXp); });
  putCloud(encoded(withXp(90)));
  EXPECT_EQ(m.store.payload()->totalXp, 0);  // not before the main loop runs
  m.loop.main().poll();
  EXPECT_EQ(m.store.payload()->totalXp, 90);
  EXPECT_EQ(heard, std::vector<int64_t>{90});
}

TEST_F(HeroStoreTest, WorkPostedForAReleasedStoreEndsQuietly) {
  RunLoop loop;
  {
    HeroStore store(linuxFiles(), home / "b" / HeroStore::FILE_NAME, cloud, loop.main(),
                    loop.serialQueue(HeroStore::CLOUD_QUEUE));
    store.start();
    putCloud(encoded(withXp(90)));
  }
  // The posted adoption and the cancelled second pass both run and find no store (AddressSanitizer
  // would stop on a touch of the released one).
  EXPECT_EQ(loop.main().poll(), 2u);
}

// Two processes of one machine (a command while the daemon runs) over one file and one cloud,
// with a disk that can refuse.
class HeroStoreFilesTest : public ::testing::Test {
 protected:
  struct Process {
    Process(testing::MemoryFiles& files, KeyValueCloudStore& cloud, std::ostream& diagnostics)
        : store(files, FILE, cloud, loop.main(), loop.serialQueue(HeroStore::CLOUD_QUEUE),
                diagnostics) {}
    RunLoop loop;
    HeroStore store;
  };
  static inline const std::filesystem::path FILE = "/data/hero-sync-v1.json";

  testing::MemoryFiles files;
  MemoryCloudStore cloud;
  std::ostringstream said;
};

TEST_F(HeroStoreFilesTest, AChangeThatCannotBeSavedFailsAndChangesNothing) {
  Process p(files, cloud, said);
  p.store.start();
  p.store.setName("Léa");
  p.loop.settle();
  const HeroSyncPayload before = *p.store.payload();
  const int cloudWrites = cloud.writes();
  files.refuseWrites("/data", EROFS);
  const std::vector<std::function<void()>> changes = {
      [&] { p.store.setName("Arthur"); },
      [&] { p.store.setTagline("En avant"); },
      [&] { p.store.setEquippedTitle("titan"); },
      [&] { p.store.applyWorldQuestReward("wq:inbox", 40, 12); },
  };
  for (const auto& change : changes) {
    try {
      change();
      ADD_FAILURE() << "a change that could not be saved went through";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()),
                "impossible d'enregistrer /data/hero-sync-v1.json : système de fichiers en "
                "lecture seule");
    }
    p.loop.settle();
    EXPECT_EQ(*p.store.payload(), before);
    EXPECT_EQ(decoded(files.contents(FILE)), before);
    EXPECT_EQ(cloud.writes(), cloudWrites);
  }
}

TEST_F(HeroStoreFilesTest, AFolderInPlaceOfTheFileIsSaidAndNeverWrittenOver) {
  files.refuseReads(FILE, EISDIR);
  files.refuseWrites(FILE, EISDIR);
  cloud.writeFromElsewhere(HeroStore::CLOUD_KEY, encoded(withXp(90)));
  Process p(files, cloud, said);
  p.store.start();
  EXPECT_EQ(p.store.payload()->totalXp, 90);  // there is still a hero to show
  EXPECT_NE(said.str().find("talewick : impossible de lire /data/hero-sync-v1.json : un dossier "
                            "occupe sa place\n"),
            std::string::npos)
      << said.str();
  EXPECT_THROW(p.store.setName("Arthur"), FileError);
}

TEST_F(HeroStoreFilesTest, AnUnreadableFileIsNeverReplaced) {
  files.put(FILE, encoded(withXp(500)));
  files.refuseReads(FILE, EACCES);
  Process p(files, cloud, said);
  p.store.start();
  EXPECT_THROW(p.store.applyWorldQuestReward("wq:inbox", 40, 12), FileError);
  EXPECT_EQ(decoded(files.contents(FILE))->totalXp, 500);
}

TEST_F(HeroStoreFilesTest, TwoProcessesRenamingAtOnceEndWithTheLaterName) {
  Process first(files, cloud, said), second(files, cloud, said);
  first.store.start();
  second.store.start();
  first.store.setName("Arthur");
  // The second process still holds the document it read at start; it must not write its rename
  // at the same version over the first one's.
  second.store.setName("Berthe");
  EXPECT_EQ(second.store.payload()->identityVersion, 2);
  first.loop.settle();
  second.loop.settle();
  // Each process merged its rename into the cloud from what it read there: whichever wrote
  // last, the first one takes the second's rename from the file and sends it on.
  first.store.adoptCloudIfBetter();
  first.loop.settle();
  EXPECT_EQ(first.store.payload()->name, "Berthe");
  EXPECT_EQ(decoded(files.contents(FILE))->name, "Berthe");
  EXPECT_EQ(decoded(cloud.data(HeroStore::CLOUD_KEY))->name, "Berthe");
  EXPECT_TRUE(files.everLocked("/data/hero-sync-v1.json.lock"));
}

TEST_F(HeroStoreFilesTest, CreditsOfTwoProcessesAtOnceAreBothKept) {
  Process first(files, cloud, said), second(files, cloud, said);
  first.store.start();
  second.store.start();
  ASSERT_TRUE(first.store.applyWorldQuestReward("wq:a", 40, 12));
  ASSERT_TRUE(second.store.applyWorldQuestReward("wq:b", 20, 6));
  const auto onDisk = decoded(files.contents(FILE));
  EXPECT_EQ(onDisk->totalXp, 60);
  EXPECT_EQ(onDisk->gold, 18);
  EXPECT_EQ(onDisk->worldQuestRewardReceiptIDs, (std::vector<std::string>{"wq:a", "wq:b"}));
}

TEST_F(HeroStoreFilesTest, AReplayedDayChangesTheHeroOnceWhicheverProcessReplaysIt) {
  Process first(files, cloud, said), second(files, cloud, said);
  first.store.start();
  second.store.start();
  int calls = 0;
  const auto replay = [&](const Hero& hero) {
    ++calls;
    Hero next = hero;
    next.totalXp += 40;
    next.stats.love += 3;
    LootItem item;
    item.id = "loot_1";
    next.inventory.push_back(item);
    return std::optional<Hero>(next);
  };
  EXPECT_EQ(first.store.changeHero({"replay:2026-12-05"}, replay), HeroSync::Credit::credited);
  EXPECT_EQ(second.store.changeHero({"replay:2026-12-05"}, replay),
            HeroSync::Credit::alreadyCredited);
  EXPECT_EQ(calls, 1);
  first.loop.settle();
  second.loop.settle();
  const auto onDisk = decoded(files.contents(FILE));
  EXPECT_EQ(onDisk->totalXp, 40);
  EXPECT_EQ(onDisk->stats->love, 3);
  EXPECT_EQ(onDisk->inventory.size(), 1u);
  EXPECT_EQ(onDisk->playVersion, 1);
  EXPECT_EQ(decoded(cloud.data(HeroStore::CLOUD_KEY))->replayRewardReceiptIDs,
            std::vector<std::string>{"replay:2026-12-05"});

  // A change that refuses (bad input) or declines leaves the document as it was.
  const HeroSyncPayload before = *first.store.payload();
  EXPECT_THROW(first.store.changeHero({},
                                      [](const Hero&) -> std::optional<Hero> {
                                        throw std::invalid_argument("no such item");
                                      }),
               std::invalid_argument);
  EXPECT_EQ(first.store.changeHero({}, [](const Hero&) { return std::optional<Hero>(); }),
            HeroSync::Credit::refused);
  EXPECT_EQ(*first.store.payload(), before);
  EXPECT_EQ(decoded(files.contents(FILE)), before);
}

// A cloud on which another machine (or the phone) writes at the worst moment: after we read what
// the cloud held and before we write our merge of it, one of `racers` per try.
class RacedCloud : public MemoryCloudStore {
 public:
  std::vector<std::string> racers;
  bool replaceData(const std::string& key, const std::optional<std::string>& expected,
                   const std::string& bytes) override {
    if (!racers.empty()) {
      writeFromElsewhere(key, racers.front());
      racers.erase(racers.begin());
    }
    return MemoryCloudStore::replaceData(key, expected, bytes);
  }
};

TEST(HeroStoreRace, AHeroWrittenWhileWeMergeIsMergedInNotWrittenOver) {
  TempFolder home("race");
  RacedCloud cloud;
  home.write("a/" + std::string(HeroStore::FILE_NAME), encoded(withXp(500, 10, 1)));
  cloud.racers = {encoded(withXp(300, 100, 50))};
  Machine m(home, "a", cloud);
  m.store.start();
  m.settle();
  const std::optional<HeroSyncPayload> stored = decoded(cloud.data(HeroStore::CLOUD_KEY));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->totalXp, 500);  // ours
  EXPECT_EQ(stored->gold, 100);     // theirs, of a later version

  // A cloud that changes at every try is given up on and said, and this machine keeps its hero.
  std::ostringstream said;
  RacedCloud busy;
  for (int i = 0; i < 10; ++i) busy.racers.push_back(encoded(withXp(i, 0, 0)));
  RunLoop loop;
  HeroStore store(linuxFiles(), home / "b" / HeroStore::FILE_NAME, busy, loop.main(),
                  loop.serialQueue(HeroStore::CLOUD_QUEUE), said);
  home.write("b/" + std::string(HeroStore::FILE_NAME), encoded(withXp(700)));
  store.start();
  loop.settle();
  EXPECT_NE(said.str().find("modifié sans cesse"), std::string::npos) << said.str();
  EXPECT_EQ(store.payload()->totalXp, 700);
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
    const auto sync = [](Machine& m) {
      m.store.adoptCloudIfBetter();
      m.store.reseedCloudIfLocalBetter();
    };
    int64_t xp = 0, gold = 0;
    std::map<std::string, int> paid;  // receipt → its objective
    if (random() % 2) {
      a.store.start(), b.store.start();
    } else {
      b.store.start(), a.store.start();
    }
    for (int step = 0; step < 24; ++step) {
      Machine& m = *machines[random() % 2];
      if (const unsigned move = random() % 4; move < 2) {
        const int n = static_cast<int>(random() % 10);
        const std::string receipt = "wq:objective-" + std::to_string(n);
        ASSERT_TRUE(m.store.applyWorldQuestReward(receipt, 10 + 7 * n, 1 + n));
        if (paid.emplace(receipt, n).second) xp += 10 + 7 * n, gold += 1 + n;
      } else if (move == 2) {
        m.store.setName("Nom " + std::to_string(step));
      } else {
        sync(m);
      }
      m.settle();
    }
    for (int round = 0; round < 2; ++round) {
      for (Machine* m : machines) sync(*m), m->settle();
    }
    std::vector<std::string> receipts;
    for (const auto& entry : paid) receipts.push_back(entry.first);
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
