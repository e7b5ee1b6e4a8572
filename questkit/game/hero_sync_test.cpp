// How two copies of the hero document meet, and what a credit does to one.
#include "game/hero_sync.hpp"

#include <gtest/gtest.h>

#include "kingdom/expedition_reward_receipts.hpp"
#include "kingdom/world_quests.hpp"

namespace talewick {
namespace {

HeroSyncPayload hero(int64_t xp, int64_t gold = 0, int64_t goldVersion = 0) {
  HeroSyncPayload p = HeroSyncPayload::makeDefault();
  p.totalXp = xp;
  p.gold = gold;
  p.goldVersion = goldVersion;
  return p;
}

TEST(HeroSyncPayload, OlderDocumentsDecodeWithZerosAndEncodingWritesEveryList) {
  const auto p = decodeJsonText<HeroSyncPayload>(
      R"({"name":"Léa","totalXp":40,"gold":3,"streak":2,"avatar":"🦊","tagline":null})");
  EXPECT_EQ(p.name, "Léa");
  EXPECT_EQ(p.identityVersion, 0);
  EXPECT_TRUE(p.worldQuestRewardReceiptIDs.empty());
  EXPECT_FALSE(p.tagline);

  try {
    decodeJsonText<HeroSyncPayload>(R"({"name":"Léa","totalXp":40,"gold":3,"streak":2})");
    FAIL() << "a document without avatar decoded";
  } catch (const DecodeError& e) {
    EXPECT_EQ(e.path(), "avatar");
  }
  EXPECT_THROW(decodeJsonText<HeroSyncPayload>(
                   R"({"name":"x","totalXp":"40","gold":3,"streak":2,"avatar":"a"})"),
               DecodeError);

  const Json encoded = json_coding::encode(HeroSyncPayload::makeDefault());
  EXPECT_EQ(encoded["name"], "Héros");
  EXPECT_EQ(encoded["avatar"], "🧙");
  EXPECT_EQ(encoded["cosmeticsVersion"], 0);
  EXPECT_EQ(encoded["worldBossRewardReceiptIDs"], Json::array());
  EXPECT_FALSE(encoded.contains("vocation"));
  EXPECT_EQ(decodeJsonText<HeroSyncPayload>(encoded.dump()), HeroSyncPayload::makeDefault());
}

TEST(HeroSync, EachGroupComesFromTheSideWithTheHigherCounter) {
  // A machine with nothing meets a cloud with progress: every higher group comes over.
  HeroSyncPayload cloud = hero(300, 50, 4);
  cloud.name = "Arthur";
  cloud.streak = 6;
  cloud.identityVersion = 2;
  cloud.pronoun = "il";
  cloud.cosmeticsVersion = 3;
  cloud.tagline = "En avant";
  auto joined = HeroSync::adopted(HeroSyncPayload::makeDefault(), cloud);
  ASSERT_TRUE(joined);
  EXPECT_EQ(*joined, cloud);

  // More experience here, a newer gold there: each side keeps what it leads.
  HeroSyncPayload local = hero(500, 10, 1);
  local.name = "Local";
  HeroSyncPayload remote = hero(300, 80, 2);
  remote.name = "Distant";
  const HeroSyncPayload forCloud = HeroSync::mergedForCloud(local, remote);
  EXPECT_EQ(forCloud.totalXp, 500);
  EXPECT_EQ(forCloud.name, "Local");
  EXPECT_EQ(forCloud.gold, 80);
  EXPECT_EQ(forCloud.goldVersion, 2);

  // Equal gold versions: neither side takes the other's gold.
  EXPECT_FALSE(HeroSync::adopted(hero(10, 7, 3), hero(10, 99, 3)));
  EXPECT_EQ(HeroSync::mergedForCloud(hero(10, 7, 3), hero(10, 99, 3)).gold, 7);

  // The experience group brings the name with it even at a lower identity version.
  HeroSyncPayload ahead = hero(900);
  ahead.name = "Ahead";
  HeroSyncPayload renamed = hero(100);
  renamed.name = "Renamed";
  renamed.identityVersion = 5;
  EXPECT_EQ(HeroSync::adopted(renamed, ahead)->name, "Ahead");
}

TEST(HeroSync, EqualVersionsOverDifferentContentsConvergeOnOneSide) {
  // Two machines renamed the hero at once, and set two taglines at once: both reached version 1.
  HeroSyncPayload a = HeroSyncPayload::makeDefault();
  a.name = "Arthur";
  a.identityVersion = 1;
  a.tagline = "En avant";
  a.cosmeticsVersion = 1;
  HeroSyncPayload b = HeroSyncPayload::makeDefault();
  b.name = "Berthe";
  b.identityVersion = 1;
  b.tagline = "À l'assaut";
  b.cosmeticsVersion = 1;
  // Whichever side each machine stands on, it ends with the same document.
  const HeroSyncPayload onA = HeroSync::adopted(a, b).value_or(a);
  const HeroSyncPayload onB = HeroSync::adopted(b, a).value_or(b);
  EXPECT_EQ(onA, onB);
  EXPECT_EQ(onA.name, "Berthe");
  EXPECT_EQ(onA.tagline, "À l'assaut");  // compared byte by byte: "À" comes after "E"
  EXPECT_EQ(HeroSync::mergedForCloud(a, b), HeroSync::mergedForCloud(b, a));
  // Once converged, nothing moves any more.
  EXPECT_FALSE(HeroSync::adopted(onA, onB));
}

TEST(HeroSync, ReplayDayTitlesAndReceiptsFollowTheirOwnRules) {
  HeroSyncPayload local = hero(10);
  local.lastReplayDateISO = "2026-12-04";
  local.unlockedTitleIDs = {"titan"};
  local.worldQuestRewardReceiptIDs = {"wq:a"};
  HeroSyncPayload cloud = hero(10);
  cloud.lastReplayDateISO = "2026-12-05";
  cloud.unlockedTitleIDs = {"veilleur"};
  cloud.worldQuestRewardReceiptIDs = {"wq:b"};

  const auto adopted = HeroSync::adopted(local, cloud);
  ASSERT_TRUE(adopted);
  EXPECT_EQ(adopted->lastReplayDateISO, "2026-12-05");
  EXPECT_EQ(adopted->unlockedTitleIDs, std::vector<std::string>{"veilleur"});
  EXPECT_EQ(adopted->worldQuestRewardReceiptIDs, (std::vector<std::string>{"wq:a", "wq:b"}));

  // Toward the cloud, local titles win unless there are none; the later replay day stays.
  const HeroSyncPayload up = HeroSync::mergedForCloud(local, cloud);
  EXPECT_EQ(up.unlockedTitleIDs, std::vector<std::string>{"titan"});
  EXPECT_EQ(up.lastReplayDateISO, "2026-12-05");
  local.unlockedTitleIDs.clear();
  EXPECT_EQ(HeroSync::mergedForCloud(local, cloud).unlockedTitleIDs,
            std::vector<std::string>{"veilleur"});

  // An empty cloud title list never clears the local one.
  cloud.unlockedTitleIDs.clear();
  local.unlockedTitleIDs = {"titan"};
  EXPECT_EQ(HeroSync::adopted(local, cloud)->unlockedTitleIDs, std::vector<std::string>{"titan"});
}

TEST(RewardReceipts, WorldQuestListsKeepTheGreatestByTheTextAfterTheColon) {
  std::vector<std::string> many;
  for (int i = 0; i < 513; ++i) {
    char day[32];
    std::snprintf(day, sizeof day, "wq-chest:2026-%04d", i);
    many.push_back(day);
  }
  const auto kept = WorldQuests::mergeReceipts(many, {"", many[0]}, 512);
  ASSERT_EQ(kept.size(), 512u);
  EXPECT_EQ(kept.front(), many[1]);
  EXPECT_EQ(kept.back(), many[512]);
  // Ordered by the key after ":", then by the whole text.
  EXPECT_EQ(WorldQuests::mergeReceipts({"wq:b", "wq-chest:a"}, {"wq:a"}, 10),
            (std::vector<std::string>{"wq-chest:a", "wq:a", "wq:b"}));
  EXPECT_TRUE(WorldQuests::mergeReceipts({"wq:a"}, {}, 0).empty());
}

TEST(RewardReceipts, ExpeditionListsKeepTheMostRecentInArrivalOrder) {
  EXPECT_EQ(ExpeditionRewardReceipts::merged({"z", "a", ""}, {"a", "m"}, 128),
            (std::vector<std::string>{"z", "a", "m"}));
  EXPECT_EQ(ExpeditionRewardReceipts::merged({"1", "2", "3"}, {"4"}, 2),
            (std::vector<std::string>{"3", "4"}));
  const std::vector<std::string> list{"a", "b"};
  EXPECT_EQ(ExpeditionRewardReceipts::appending("a", list, 1), list);
  EXPECT_EQ(ExpeditionRewardReceipts::appending("c", list, 2),
            (std::vector<std::string>{"b", "c"}));
  EXPECT_TRUE(ExpeditionRewardReceipts::merged({"a"}, {}, -1).empty());
}

TEST(HeroSync, ACreditPaysOnceAndNeverPushesItsReceiptOutAtOnce) {
  HeroSyncPayload doc = hero(0);
  EXPECT_EQ(HeroSync::credit(doc, RewardKind::worldQuest, "wq:x", 40, 12),
            HeroSync::Credit::credited);
  EXPECT_EQ(doc.totalXp, 40);
  EXPECT_EQ(doc.gold, 12);
  EXPECT_EQ(doc.goldVersion, 1);
  const HeroSyncPayload once = doc;
  EXPECT_EQ(HeroSync::credit(doc, RewardKind::worldQuest, "wq:x", 40, 12),
            HeroSync::Credit::alreadyCredited);
  EXPECT_EQ(doc, once);

  // A full list whose smallest key is above the new receipt's: refused, nothing changes.
  HeroSyncPayload full = hero(0);
  for (int i = 0; i < 512; ++i)
    full.worldQuestRewardReceiptIDs.push_back("wq:b" + std::to_string(1000 + i));
  const HeroSyncPayload before = full;
  EXPECT_EQ(HeroSync::credit(full, RewardKind::worldQuest, "wq:a", 40, 12),
            HeroSync::Credit::refused);
  EXPECT_EQ(full, before);
  EXPECT_EQ(HeroSync::credit(full, RewardKind::worldQuest, "wq:c", 40, 12),
            HeroSync::Credit::credited);
  EXPECT_EQ(full.worldQuestRewardReceiptIDs.size(), 512u);

  // Cosmetic unlocks record the receipt only.
  HeroSyncPayload cosmetic = hero(5, 5, 5);
  EXPECT_EQ(HeroSync::credit(cosmetic, RewardKind::cosmetic, "c:1", 0, 0),
            HeroSync::Credit::credited);
  EXPECT_EQ(cosmetic.goldVersion, 5);
  EXPECT_EQ(cosmetic.cosmeticRewardReceiptIDs, std::vector<std::string>{"c:1"});
}

}  // namespace
}  // namespace talewick
