// What worn items add up to: the multiplier caps, set bonuses, the vocation's passive, and the
// automatic choice of the best item per slot.
#include "game/equipment.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

LootItem item(std::string id, std::optional<Slot> slot, ItemMods mods = {},
              Rarity rarity = Rarity::common, std::string templateId = "lingette_survie") {
  LootItem out;
  out.id = std::move(id);
  out.name = out.id;
  out.rarity = rarity;
  out.slot = slot;
  out.mods = std::move(mods);
  out.templateId = std::move(templateId);
  return out;
}

ItemMods xp(double mult) {
  ItemMods m;
  m.xpMult = mult;
  return m;
}

ItemMods gold(double mult) {
  ItemMods m;
  m.goldMult = mult;
  return m;
}

// A hero wearing every item it holds.
Hero wearing(std::vector<LootItem> items) {
  Hero hero;
  for (const LootItem& i : items) hero.equipped.push_back(i.id);
  hero.inventory = std::move(items);
  return hero;
}

// The set's pieces as the catalogue makes them.
std::vector<LootItem> setPieces(std::string_view setId) {
  std::vector<LootItem> out;
  for (const auto& set : Equipment::sets()) {
    if (set.id != setId) continue;
    for (const std::string& id : set.itemTemplateIds) {
      out.push_back(Loot::makeItem(*Loot::templateById(id), RPGMode::heroicPapa, "i_" + id));
    }
  }
  return out;
}

TEST(Equipment, MultipliersAreCappedAfterAggregation) {
  AggregatedMods raw;
  for (int i = 0; i < 3; ++i) Equipment::applyMods(raw, xp(1.1));
  EXPECT_NEAR(raw.xpMult, 1.331, 1e-9);
  Equipment::applyMods(raw, gold(1.3));
  Equipment::applyMods(raw, gold(1.3));
  EXPECT_NEAR(raw.goldMult, 1.69, 1e-9);

  const Hero hero = wearing({item("a", Slot::tete, xp(1.1)), item("b", Slot::main, xp(1.1)),
                             item("c", Slot::talisman, xp(1.1)), item("d", Slot::main, gold(1.3)),
                             item("e", Slot::main, gold(1.3))});
  const AggregatedMods mods = Equipment::activeMods(hero);
  EXPECT_DOUBLE_EQ(mods.xpMult, 1.25);
  EXPECT_DOUBLE_EQ(mods.goldMult, 1.6);

  // Below the caps the product is kept as it is; a 0 multiplier counts as none.
  const Hero modest = wearing({item("a", Slot::tete, xp(1.1)), item("b", Slot::main, xp(0))});
  EXPECT_NEAR(Equipment::activeMods(modest).xpMult, 1.1, 1e-12);
}

TEST(Equipment, EveryKindOfModifierAddsUp) {
  ItemMods first;
  first.archetypeXp = ArchetypeXp{"sport", 1.2};
  first.energyRegen = 2;
  first.bossPower = 1;
  first.statBonus = StatDelta{{StatKey::love, 2}, {StatKey::chaos, -1}};
  ItemMods second;
  second.archetypeXp = ArchetypeXp{"sport", 1.1};
  second.chaosDecayBonus = 3;
  second.energyRegen = -1;
  second.statBonus = StatDelta{{StatKey::love, 1}};
  second.xpMult = 1.1;
  // Not worn: contributes nothing.
  Hero hero = wearing({item("a", Slot::tete, first), item("b", Slot::main, second)});
  hero.inventory.push_back(item("spare", Slot::talisman, xp(1.2)));

  const AggregatedMods mods = Equipment::activeMods(hero);
  EXPECT_NEAR(mods.archetypeXp.at("sport"), 1.32, 1e-12);
  EXPECT_EQ(mods.energyRegen, 1);
  EXPECT_EQ(mods.bossPower, 1);
  EXPECT_EQ(mods.chaosDecayBonus, 3);
  EXPECT_EQ(mods.statBonus, (StatDelta{{StatKey::love, 3}, {StatKey::chaos, -1}}));
  EXPECT_NEAR(Equipment::xpMultFor(mods, "sport"), 1.32 * 1.1, 1e-12);
  EXPECT_NEAR(Equipment::xpMultFor(mods, "reunion"), 1.1, 1e-12);

  // Effective statistics are not held to their bounds.
  hero.stats = Stats{0, 50, 0, 0, 0};
  EXPECT_EQ(Equipment::effectiveStats(hero), (Stats{3, 50, 0, 0, -1}));
}

TEST(Equipment, WornItemsAreTakenInInventoryOrder) {
  Hero hero;
  hero.inventory = {item("a", Slot::tete), item("b", Slot::main), item("c", Slot::talisman)};
  hero.equipped = {"c", "ghost", "a"};
  const auto worn = Equipment::equippedItems(hero);
  ASSERT_EQ(worn.size(), 2u);
  EXPECT_EQ(worn[0].id, "a");
  EXPECT_EQ(worn[1].id, "c");
}

TEST(Equipment, CompletedSetAddsItsBonusOnTopOfThePieces) {
  std::vector<LootItem> pieces = setPieces("panoplie_marchand");
  ASSERT_EQ(pieces.size(), 3u);
  double own = 1;
  for (const LootItem& p : pieces) own *= p.mods->goldMult.value_or(1);

  Hero two = wearing(pieces);
  two.equipped.pop_back();
  EXPECT_TRUE(Equipment::completedSets(two).empty());
  EXPECT_NEAR(Equipment::activeMods(two).goldMult, own / pieces.back().mods->goldMult.value_or(1),
              1e-12);

  const Hero all = wearing(pieces);
  EXPECT_EQ(Equipment::completedSets(all), std::vector<std::string>{"panoplie_marchand"});
  EXPECT_NEAR(Equipment::activeMods(all).goldMult, std::min(own * 1.3, 1.6), 1e-12);
  EXPECT_EQ(Equipment::setBonus("panoplie_marchand")->goldMult, 1.3);
  EXPECT_EQ(Equipment::setBonus("no_such_set"), std::nullopt);

  // Two sets complete: listed in the sets' order, whatever the inventory order.
  std::vector<LootItem> both = setPieces("tenue_insomniaque");
  for (LootItem& p : setPieces("reliques_pere")) both.push_back(p);
  const Hero doubled = wearing(both);
  EXPECT_EQ(Equipment::completedSets(doubled),
            (std::vector<std::string>{"reliques_pere", "tenue_insomniaque"}));
  const AggregatedMods mods = Equipment::activeMods(doubled);
  int64_t pieceRegen = 0, pieceBoss = 0;
  for (const LootItem& p : both) {
    pieceRegen += p.mods->energyRegen.value_or(0);
    pieceBoss += p.mods->bossPower.value_or(0);
  }
  EXPECT_EQ(mods.energyRegen, pieceRegen + 4);
  EXPECT_EQ(mods.bossPower, pieceBoss + 2);
}

TEST(Equipment, VocationPassiveJoinsBeforeTheCaps) {
  Hero hero = wearing({item("a", Slot::main, xp(1.1)), item("b", Slot::tete, xp(1.1))});
  hero.vocation = "Mage";  // an alias of the scholar, in any case: XP ×1.03, meetings ×1.10
  AggregatedMods mods = Equipment::activeMods(hero);
  EXPECT_NEAR(mods.xpMult, 1.21 * 1.03, 1e-12);
  EXPECT_NEAR(mods.archetypeXp.at("reunion"), 1.10, 1e-12);

  hero.inventory.push_back(item("c", Slot::talisman, xp(1.1)));
  hero.equipped.push_back("c");
  EXPECT_DOUBLE_EQ(Equipment::activeMods(hero).xpMult, 1.25);

  hero.vocation = "astronaute";
  EXPECT_NEAR(Equipment::activeMods(hero).xpMult, 1.25, 1e-12);
  EXPECT_TRUE(Equipment::activeMods(hero).archetypeXp.empty());
}

TEST(Equipment, ItemScore) {
  EXPECT_EQ(Equipment::itemScore(item("e", Slot::main, {}, Rarity::epic)), 200);
  LootItem bare = item("l", Slot::main, {}, Rarity::legendary);
  bare.mods.reset();
  EXPECT_EQ(Equipment::itemScore(bare), 300);
  // Made from a cursed template: ranked below every honest item, whatever its rarity.
  EXPECT_EQ(Equipment::itemScore(item("c", Slot::main, {}, Rarity::rare, "tasse_froide")), -100);

  ItemMods m;
  m.xpMult = 1.1;                                                     // 20
  m.archetypeXp = ArchetypeXp{"sport", 1.15};                         // 18
  m.goldMult = 1.3;                                                   // 45
  m.energyRegen = 2;                                                  // 6
  m.bossPower = 1;                                                    // 20
  m.chaosDecayBonus = 2;                                              // 10
  m.statBonus = StatDelta{{StatKey::love, 2}, {StatKey::chaos, -3}};  // 4 × 5
  EXPECT_NEAR(Equipment::itemScore(item("r", Slot::main, m, Rarity::rare)), 239, 1e-9);
}

TEST(Equipment, AutoEquipTakesTheStrictlyBestPerSlot) {
  ItemMods boss;
  boss.bossPower = 1;  // 20 points
  Hero hero;
  hero.inventory = {
      item("hand_common", Slot::main, boss),                 // 20
      item("no_slot", std::nullopt, {}, Rarity::legendary),  // never worn
      item("head_first", Slot::tete, {}, Rarity::rare),      // 100
      item("hand_rare", Slot::main, {}, Rarity::rare),       // 100
      item("head_tie", Slot::tete, {}, Rarity::rare),        // 100: a tie keeps the first
  };
  EXPECT_EQ(Equipment::autoEquip(hero), (std::vector<std::string>{"head_first", "hand_rare"}));

  hero.inventory.push_back(item("charm", Slot::talisman, {}, Rarity::common));
  hero.inventory.push_back(item("head_better", Slot::tete, boss, Rarity::rare));
  EXPECT_EQ(Equipment::autoEquip(hero),
            (std::vector<std::string>{"head_better", "hand_rare", "charm"}));
  EXPECT_TRUE(Equipment::autoEquip(Hero{}).empty());
}

}  // namespace
}  // namespace talewick
