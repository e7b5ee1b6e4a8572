// The cosmetics store over its file: unlocks recorded once with the hero across observations,
// restarts and machines, a refused record tried again, what may be equipped, and a damaged file.
#include "core/kingdom_cosmetics_store.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"

namespace talewick {
namespace {

using Refusal = KingdomCosmeticsStore::Refusal;
using Ids = std::vector<std::string>;

const std::filesystem::path kFile = std::filesystem::path("/a") / KingdomCosmeticsStore::FILE_NAME;

KingdomCosmetics::Progress bosses(int64_t n) { return {n, 0, 0}; }
KingdomCosmetics::Progress campaigns(int64_t n) { return {0, n, 0}; }

// One machine: its hero over the shared cloud, in a folder of its own.
struct Machine {
  Machine(testing::MemoryFiles& files, const std::string& folder, KeyValueCloudStore& cloud)
      : files(files),
        folder(folder),
        hero(files, this->folder / HeroStore::FILE_NAME, cloud, loop.main(),
             loop.serialQueue(HeroStore::CLOUD_QUEUE), said) {}
  KingdomCosmeticsStore cosmetics() {
    return KingdomCosmeticsStore(files, folder / KingdomCosmeticsStore::FILE_NAME, hero, said);
  }
  Ids heroReceipts() const { return hero.payload()->cosmeticRewardReceiptIDs; }

  testing::MemoryFiles& files;
  std::filesystem::path folder;
  std::ostringstream said;
  RunLoop loop;
  HeroStore hero;
};

Ids receiptsOf(const std::vector<Payment>& payments) {
  Ids ids;
  for (const Payment& p : payments) ids.push_back(p.receiptID);
  return ids;
}

TEST(KingdomCosmeticsStore, TheSecondBossUnlocksTheDestrierOnceAcrossRestartsAndMachines) {
  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  Machine a(files, "/a", cloud);
  a.hero.start();
  {
    KingdomCosmeticsStore store = a.cosmetics();
    EXPECT_TRUE(store.observe(bosses(1)).empty());
    EXPECT_TRUE(a.heroReceipts().empty());

    const std::vector<Payment> unlocked = store.observe(bosses(2));
    ASSERT_EQ(unlocked.size(), 1u);
    EXPECT_EQ(unlocked[0], (Payment{"cosmetic:mount_destrier", 0, 0,
                                    "Nouvelle monture débloquée : Destrier des Braves"}));
    EXPECT_EQ(a.heroReceipts(), Ids{"cosmetic:mount_destrier"});
    EXPECT_TRUE(store.observe(bosses(2)).empty());
  }
  // A restart has nothing more to tell, and a third boss unlocks nothing new.
  KingdomCosmeticsStore restarted = a.cosmetics();
  EXPECT_EQ(restarted.state().progress, bosses(2));
  EXPECT_TRUE(restarted.observe(bosses(3)).empty());
  EXPECT_EQ(a.heroReceipts(), Ids{"cosmetic:mount_destrier"});
  a.loop.settle();  // the hero's document reaches the cloud

  // Another machine, whose chronicles hold no boss yet, shows the destrier earned on the first;
  // when its own chronicle reaches two bosses the unlock is not told again.
  Machine b(files, "/b", cloud);
  b.hero.start();
  KingdomCosmeticsStore other = b.cosmetics();
  const KingdomCosmetics::Item destrier = *KingdomCosmetics::item("mount_destrier");
  EXPECT_FALSE(other.isUnlocked(destrier));
  EXPECT_TRUE(other.observe(bosses(0)).empty());
  EXPECT_TRUE(other.isUnlocked(destrier));
  EXPECT_EQ(other.equip("mount_destrier"), std::nullopt);
  EXPECT_TRUE(other.observe(bosses(2)).empty());
  EXPECT_EQ(b.heroReceipts(), Ids{"cosmetic:mount_destrier"});
}

TEST(KingdomCosmeticsStore, AnUnlockTheHeroCouldNotRecordIsTriedAgain) {
  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  Machine a(files, "/a", cloud);
  KingdomCosmeticsStore store = a.cosmetics();
  // Before its document is loaded the hero store refuses every receipt.
  EXPECT_TRUE(store.observe(campaigns(1)).empty());
  EXPECT_TRUE(store.state().confirmedReceiptIDs.empty());
  a.hero.start();

  // A hero document that cannot be saved fails the observation, which changes nothing.
  files.refuseWrites("/a", EROFS);
  EXPECT_THROW(store.observe(campaigns(3)), FileError);
  EXPECT_EQ(store.state().progress, campaigns(1));
  files.allowWrites();

  // The statue (unlocked before, never recorded) and the obelisk (new) are recorded now.
  EXPECT_EQ(receiptsOf(store.observe(campaigns(3))),
            (Ids{"cosmetic:deco_statue", "cosmetic:deco_obelisque"}));
  EXPECT_EQ(store.state().confirmedReceiptIDs,
            (Ids{"cosmetic:deco_statue", "cosmetic:deco_obelisque"}));
  Ids held = a.heroReceipts();  // the hero keeps its own order
  std::sort(held.begin(), held.end());
  EXPECT_EQ(held, (Ids{"cosmetic:deco_obelisque", "cosmetic:deco_statue"}));
}

TEST(KingdomCosmeticsStore, OnlyUnlockedItemsAreWornOnePerKindAndARefusalWritesNothing) {
  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  Machine a(files, "/a", cloud);
  a.hero.start();
  KingdomCosmeticsStore store = a.cosmetics();
  store.observe({4, 1, 0});
  const int writes = files.writes();
  const std::optional<std::string> before = files.contents(kFile);

  EXPECT_EQ(store.equip("mount_mode_darkEpic"), Refusal::locked);
  EXPECT_EQ(store.equip("deco_obelisque"), Refusal::locked);
  EXPECT_EQ(store.equip("pet_chouette"), Refusal::locked);
  EXPECT_EQ(store.equip("mount_licorne"), Refusal::unknownItem);
  EXPECT_EQ(store.unequip("mount_griffon"), Refusal::notShown);
  EXPECT_EQ(store.unequip("mount_licorne"), Refusal::unknownItem);
  EXPECT_EQ(files.writes(), writes);
  EXPECT_EQ(files.contents(kFile), before);

  EXPECT_EQ(store.equip("mount_destrier"), std::nullopt);
  EXPECT_EQ(store.equip("mount_griffon"), std::nullopt);  // takes the destrier's place
  EXPECT_EQ(store.equip("deco_statue"), std::nullopt);
  EXPECT_EQ(store.equip("deco_statue"), std::nullopt);  // placed once
  EXPECT_EQ(store.equippedMount()->id, "mount_griffon");
  EXPECT_EQ(store.placedDecorations().size(), 1u);
  EXPECT_EQ(Json::parse(*files.contents(kFile))["equippedMountID"], "mount_griffon");
  EXPECT_EQ(Json::parse(*files.contents(kFile))["placedDecorationIDs"],
            Json::array({"deco_statue"}));

  EXPECT_EQ(store.unequip("deco_statue"), std::nullopt);
  EXPECT_EQ(store.unequip("mount_griffon"), std::nullopt);
  EXPECT_FALSE(store.equippedMount());
  EXPECT_TRUE(store.placedDecorations().empty());
  const Json saved = Json::parse(*files.contents(kFile));
  EXPECT_FALSE(saved.contains("equippedMountID"));
  EXPECT_EQ(saved["placedDecorationIDs"], Json::array());
}

TEST(KingdomCosmeticsStore, StoredIdsThatCannotBeShownAreIgnoredAndCanBeTakenOff) {
  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  Machine a(files, "/a", cloud);
  a.hero.start();
  // Written by hand, or by a version with more items: the keys every reader knows, no more.
  files.put(kFile, R"({"equippedMountID": "mount_licorne", "equippedPetID": "mount_destrier",)"
                   R"( "placedDecorationIDs": ["deco_obelisque", "deco_statue", "deco_statue"]})");
  KingdomCosmeticsStore store = a.cosmetics();
  EXPECT_EQ(a.said.str(), "");
  EXPECT_TRUE(store.placedDecorations().empty());  // nothing unlocked yet

  store.observe({2, 1, 0});
  EXPECT_FALSE(store.equippedMount());  // unknown
  EXPECT_FALSE(store.equippedPet());    // an unlocked mount where the pet goes
  const std::vector<KingdomCosmetics::Item> placed = store.placedDecorations();
  ASSERT_EQ(placed.size(), 1u);  // the obelisk is still locked, the statue shown once
  EXPECT_EQ(placed[0].id, "deco_statue");
  EXPECT_EQ(store.unequip("mount_licorne"), std::nullopt);
  EXPECT_FALSE(store.state().equippedMountID);
}

TEST(KingdomCosmeticsStore, ADamagedFileReadsAsEmptyIsSaidAndKeptAsideUntilAChange) {
  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  Machine a(files, "/a", cloud);
  a.hero.start();
  const std::string damaged = R"({"equippedMountID": "mount_des)";
  files.put(kFile, damaged);
  KingdomCosmeticsStore store = a.cosmetics();
  EXPECT_EQ(store.state(), KingdomCosmeticsState{});
  EXPECT_EQ(a.said.str(), "talewick : " + kFile.string() +
                              " endommagé : lu comme vide ; copie gardée sous " + kFile.string() +
                              ".damaged\n");
  EXPECT_EQ(files.contents(kFile.string() + ".damaged"), damaged);
  EXPECT_FALSE(files.contents(kFile));

  EXPECT_EQ(store.equip("mount_destrier"), Refusal::locked);
  EXPECT_FALSE(files.contents(kFile));
  store.observe(bosses(2));
  EXPECT_EQ(store.equip("mount_destrier"), std::nullopt);
  EXPECT_EQ(Json::parse(*files.contents(kFile))["equippedMountID"], "mount_destrier");
  EXPECT_EQ(files.contents(kFile.string() + ".damaged"), damaged);
}

}  // namespace
}  // namespace talewick
