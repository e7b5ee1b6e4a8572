// Gold in and out: the quest formula, what recycling keeps and pays, and the shoppers.
#include "game/economy.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

LootItem item(std::string id, Rarity rarity, std::string templateId,
              std::optional<Slot> slot = std::nullopt) {
  LootItem out;
  out.id = std::move(id);
  out.name = out.id;
  out.rarity = rarity;
  out.templateId = std::move(templateId);
  out.slot = slot;
  return out;
}

Hero withStats(int64_t energy, int64_t chaos, int64_t gold) {
  Hero hero;
  hero.stats.energy = energy;
  hero.stats.chaos = chaos;
  hero.gold = gold;
  return hero;
}

std::vector<std::string> ids(const std::vector<LootItem>& items) {
  std::vector<std::string> out;
  for (const LootItem& i : items) out.push_back(i.id);
  return out;
}

TEST(Economy, GoldForQuest) {
  EXPECT_EQ(Economy::goldForQuest(32, 2, false, 1.0), 8);
  EXPECT_EQ(Economy::goldForQuest(32, 2, true, 1.0), 23);
  EXPECT_EQ(Economy::goldForQuest(32, 2, false, 1.6), 13);
  // XP / 5 rounds half up before the multiplier, and so does the product.
  EXPECT_EQ(Economy::goldForQuest(12, 0, false, 1.0), 2);
  EXPECT_EQ(Economy::goldForQuest(13, 0, false, 1.0), 3);
  EXPECT_EQ(Economy::goldForQuest(0, 5, false, 1.1), 6);
  EXPECT_EQ(Economy::goldForQuest(0, 0, false, 1.3), 0);
}

TEST(Economy, RecycleValueAndRecycling) {
  EXPECT_EQ(Economy::recycleValue(item("a", Rarity::common, "lingette_survie")), 5);
  EXPECT_EQ(Economy::recycleValue(item("a", Rarity::rare, "gourde_isotherme")), 15);
  EXPECT_EQ(Economy::recycleValue(item("a", Rarity::epic, "grimoire_recettes")), 40);
  EXPECT_EQ(Economy::recycleValue(item("a", Rarity::legendary, "epee_du_quotidien")), 100);
  EXPECT_EQ(Economy::recycleValue(item("a", Rarity::rare, "couche_deborde")), 0);
  EXPECT_EQ(Economy::recycleValue(item("a", Rarity::legendary, "tasse_froide")), 0);

  Hero hero;
  hero.gold = 7;
  hero.inventory = {item("x", Rarity::rare, "gourde_isotherme"),
                    item("y", Rarity::epic, "grimoire_recettes"),
                    item("z", Rarity::common, "lingette_survie")};
  hero.equipped = {"z", "y"};
  const Hero after = Economy::recycle(hero, "y");
  EXPECT_EQ(ids(after.inventory), (std::vector<std::string>{"x", "z"}));
  EXPECT_EQ(after.equipped, std::vector<std::string>{"z"});
  EXPECT_EQ(after.gold, 47);

  EXPECT_EQ(Economy::recycle(hero, "nothing"), hero);
}

TEST(Economy, AutoRecycleKeepsWornBestSetAndLegendary) {
  Hero hero;
  hero.gold = 1;
  hero.inventory = {
      item("worn_common", Rarity::common, "lingette_survie", Slot::tete),
      item("best_head", Rarity::rare, "casque_antibruit", Slot::tete),
      item("grimoire", Rarity::epic, "grimoire_recettes", Slot::main),
      item("spare_hand", Rarity::rare, "gourde_isotherme", Slot::main),
      item("set_piece", Rarity::rare, "besace_pieces", Slot::main),
      item("legend", Rarity::legendary, "epee_du_quotidien", Slot::main),
      item("cursed", Rarity::rare, "couche_deborde", Slot::main),
      item("cursed_legend", Rarity::legendary, "tasse_froide", Slot::main),
      item("sock", Rarity::common, "chaussette_orpheline"),
  };
  hero.inventory[4].set = "panoplie_marchand";
  // Kept although a better head item exists; the legendary sword is the best hand item.
  hero.equipped = {"worn_common"};

  const Economy::AutoRecycleResult result = Economy::autoRecycle(hero);
  EXPECT_EQ(ids(result.recycled), (std::vector<std::string>{"grimoire", "spare_hand", "cursed",
                                                            "cursed_legend", "sock"}));
  EXPECT_EQ(result.gold, 40 + 15 + 0 + 0 + 5);
  EXPECT_EQ(ids(result.hero.inventory),
            (std::vector<std::string>{"worn_common", "best_head", "set_piece", "legend"}));
  EXPECT_EQ(result.hero.gold, 61);
  EXPECT_EQ(result.hero.equipped, hero.equipped);

  // Nothing to recycle: the same hero comes back.
  const Economy::AutoRecycleResult again = Economy::autoRecycle(result.hero);
  EXPECT_TRUE(again.recycled.empty());
  EXPECT_EQ(again.gold, 0);
  EXPECT_EQ(again.hero, result.hero);
}

TEST(Economy, AutoShopBuysWhatIsWantedWhileGoldLasts) {
  const Economy::AutoShopResult r = Economy::autoShop(withStats(10, 80, 100), 5);
  ASSERT_EQ(r.purchases.size(), 2u);
  EXPECT_EQ(r.purchases[0].id, "potion_energie");
  EXPECT_EQ(r.purchases[0].cost, 30);
  EXPECT_EQ(r.purchases[1].id, "encens");
  EXPECT_EQ(r.purchases[1].cost, 40);
  EXPECT_EQ(r.hero.stats.energy, 35);
  EXPECT_EQ(r.hero.stats.chaos, 60);
  EXPECT_EQ(r.hero.gold, 30);

  EXPECT_TRUE(Economy::autoShop(withStats(10, 80, 20), 5).purchases.empty());
  EXPECT_TRUE(Economy::autoShop(withStats(10, 80, 100), 0).purchases.empty());
  EXPECT_EQ(Economy::autoShop(withStats(10, 80, 100), 0).hero, withStats(10, 80, 100));

  // One buy allowed: the potion comes first in the shop.
  const auto once = Economy::autoShop(withStats(10, 80, 100), 1);
  ASSERT_EQ(once.purchases.size(), 1u);
  EXPECT_EQ(once.hero, withStats(35, 80, 70));

  // The potion leaves too little gold for the wanted incense.
  const auto poor = Economy::autoShop(withStats(0, 90, 40), 5);
  ASSERT_EQ(poor.purchases.size(), 1u);
  EXPECT_EQ(poor.purchases[0].id, "potion_energie");
  EXPECT_EQ(poor.hero, withStats(25, 90, 10));

  // Still tired after one potion: a second one is bought.
  const auto exhausted = Economy::autoShop(withStats(0, 20, 100), 5);
  EXPECT_EQ(exhausted.purchases.size(), 2u);
  EXPECT_EQ(exhausted.hero, withStats(50, 20, 40));
}

TEST(Economy, UserPurchase) {
  auto bought = Economy::buy(withStats(90, 10, 45), "potion_energie");
  ASSERT_TRUE(std::holds_alternative<Hero>(bought));
  EXPECT_EQ(std::get<Hero>(bought), withStats(100, 10, 15));  // bought unwanted, energy capped

  bought = Economy::buy(withStats(90, 10, 45), "encens");
  ASSERT_TRUE(std::holds_alternative<Hero>(bought));
  EXPECT_EQ(std::get<Hero>(bought), withStats(90, 0, 5));

  EXPECT_EQ(std::get<Economy::BuyError>(Economy::buy(withStats(0, 0, 39), "encens")),
            Economy::BuyError::insufficientGold);
  EXPECT_EQ(std::get<Economy::BuyError>(Economy::buy(withStats(0, 0, 999), "elixir")),
            Economy::BuyError::unknownItem);
  EXPECT_FALSE(Economy::describe(Economy::BuyError::unknownItem).empty());
  EXPECT_NE(Economy::describe(Economy::BuyError::unknownItem),
            Economy::describe(Economy::BuyError::insufficientGold));
}

TEST(Economy, ShopAndResultsAsJson) {
  const auto shop = Economy::shop();
  ASSERT_EQ(shop.size(), 2u);
  EXPECT_EQ(Json(shop[0]), Json::parse(R"({"id":"potion_energie","name":"Potion d'Énergie",
      "emoji":"🧪","cost":30,"blurb":"+25 Énergie"})"));
  EXPECT_EQ(Json(shop[1]).at("name"), "Encens d'Apaisement");

  const auto r = Economy::autoShop(withStats(10, 20, 100), 5);
  const Json j = r;
  EXPECT_EQ(j.at("purchases"), Json::parse(R"([{"id":"potion_energie",
      "name":"Potion d'Énergie","emoji":"🧪","cost":30}])"));
  EXPECT_EQ(j.at("hero").at("gold"), 70);

  const Json recycled = Economy::autoRecycle(Hero{});
  EXPECT_EQ(recycled.at("gold"), 0);
  EXPECT_TRUE(recycled.at("recycled").is_array());
  EXPECT_EQ(recycled.at("hero"), Json(Hero{}));
}

}  // namespace
}  // namespace talewick
