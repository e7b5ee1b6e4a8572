// The game's Hero in the shared hero document, and how two copies of its play state meet.
#include "game/hero_document.hpp"

#include <gtest/gtest.h>

#include "game/hero_sync.hpp"

namespace talewick {
namespace {

LootItem item(const std::string& id, std::optional<Slot> slot = Slot::main) {
  LootItem i;
  i.id = id;
  i.name = "Objet " + id;
  i.slot = slot;
  return i;
}

TEST(HeroDocument, APhoneOnlyHeroIsFreshWithItsWornItemsAsItsBag) {
  HeroSyncPayload doc = HeroSyncPayload::makeDefault();
  doc.totalXp = 500;
  doc.gold = 40;
  doc.streak = 3;
  doc.equipped = {item("epee")};
  const Hero h = HeroDocument::heroOf(doc);
  EXPECT_EQ(h.stats, ZERO_STATS);
  EXPECT_EQ(h.totalXp, 500);
  ASSERT_EQ(h.inventory.size(), 1u);
  EXPECT_EQ(h.equipped, std::vector<std::string>{"epee"});
}

TEST(HeroDocument, StoringRaisesTheCountersOfWhatChangedOnly) {
  HeroSyncPayload doc = HeroSyncPayload::makeDefault();
  Hero h = HeroDocument::heroOf(doc);
  EXPECT_FALSE(HeroDocument::store(doc, h));
  EXPECT_EQ(doc.playVersion, 0);

  h.gold = 30;
  ASSERT_TRUE(HeroDocument::store(doc, h));
  EXPECT_EQ(doc.goldVersion, 1);
  EXPECT_EQ(doc.playVersion, 0);

  h.inventory = {item("a"), item("b", Slot::tete), item("c", std::nullopt)};
  h.equipped = {"b"};
  h.stats.love = 12;
  ASSERT_TRUE(HeroDocument::store(doc, h));
  EXPECT_EQ(doc.goldVersion, 1);
  EXPECT_EQ(doc.playVersion, 1);
  ASSERT_EQ(doc.equipped.size(), 1u);
  EXPECT_EQ(doc.equipped[0].id, "b");
  EXPECT_EQ(HeroDocument::heroOf(doc), h);

  // Through JSON and back, as the file and the cloud hold it.
  const auto decoded = decodeJsonText<HeroSyncPayload>(json_coding::encode(doc).dump());
  EXPECT_EQ(HeroDocument::heroOf(decoded), h);
}

TEST(HeroDocument, PlayStateFollowsTheHigherPlayVersion) {
  HeroSyncPayload here = HeroSyncPayload::makeDefault();
  HeroSyncPayload there = here;
  Hero played = HeroDocument::heroOf(there);
  played.stats.wisdom = 9;
  played.inventory = {item("x")};
  played.totalXp = 100;
  HeroDocument::store(there, played);

  const std::optional<HeroSyncPayload> taken = HeroSync::adopted(here, there);
  ASSERT_TRUE(taken);
  EXPECT_EQ(HeroDocument::heroOf(*taken).stats.wisdom, 9);
  EXPECT_EQ(taken->inventory.size(), 1u);

  // This side bought a potion (play and gold) while the other wore an item: equal play
  // versions, the side with more experience wins on both machines.
  HeroSyncPayload a = *taken, b = *taken;
  Hero ha = HeroDocument::heroOf(a), hb = HeroDocument::heroOf(b);
  ha.stats.energy = 85;
  hb.equipped = {"x"};
  hb.totalXp += 10;
  HeroDocument::store(a, ha);
  HeroDocument::store(b, hb);
  const HeroSyncPayload atA = HeroSync::adopted(a, b).value_or(a);
  const HeroSyncPayload atB = HeroSync::adopted(b, a).value_or(b);
  EXPECT_EQ(atA.stats, atB.stats);
  EXPECT_EQ(atA.equipped, atB.equipped);
  EXPECT_EQ(atA.playVersion, atB.playVersion);
}

}  // namespace
}  // namespace talewick
