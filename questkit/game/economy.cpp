#include "game/economy.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "game/equipment.hpp"
#include "support/loc.hpp"

namespace talewick::Economy {
namespace {

constexpr int64_t kBossVictoryGold = 15;

bool lowOnEnergy(const Hero& hero) { return hero.stats.energy < 30; }
void drinkPotion(Hero& hero) { hero.stats.energy = std::min<int64_t>(hero.stats.energy + 25, 100); }
bool tooChaotic(const Hero& hero) { return hero.stats.chaos >= 66; }
void burnIncense(Hero& hero) { hero.stats.chaos = std::max<int64_t>(hero.stats.chaos - 20, 0); }

Hero paid(Hero hero, const ShopItem& item) {
  item.apply(hero);
  hero.gold -= item.cost;
  return hero;
}

}  // namespace

int64_t goldForQuest(int64_t xp, int64_t threatTier, bool bossVictory, double goldMult) {
  const double base = std::floor(static_cast<double>(xp) / 5 + 0.5) +
                      static_cast<double>(threatTier) + (bossVictory ? kBossVictoryGold : 0);
  return static_cast<int64_t>(std::floor(base * goldMult + 0.5));
}

int64_t recycleValue(const LootItem& item) {
  if (Loot::isCursed(item)) return 0;
  switch (item.rarity) {
    case Rarity::common:
      return 5;
    case Rarity::rare:
      return 15;
    case Rarity::epic:
      return 40;
    case Rarity::legendary:
      return 100;
  }
  return 0;
}

Hero recycle(const Hero& hero, std::string_view itemId) {
  auto it = std::find_if(hero.inventory.begin(), hero.inventory.end(),
                         [&](const LootItem& item) { return item.id == itemId; });
  if (it == hero.inventory.end()) return hero;
  Hero out = hero;
  out.gold += recycleValue(*it);
  out.inventory.erase(out.inventory.begin() + (it - hero.inventory.begin()));
  std::erase(out.equipped, std::string(itemId));
  return out;
}

AutoRecycleResult autoRecycle(const Hero& hero) {
  std::set<std::string> keep(hero.equipped.begin(), hero.equipped.end());
  for (std::string& id : Equipment::autoEquip(hero)) keep.insert(std::move(id));
  AutoRecycleResult result{hero, {}, 0};
  result.hero.inventory.clear();
  for (const LootItem& item : hero.inventory) {
    const bool kept = keep.contains(item.id) || item.set.has_value() ||
                      (item.rarity == Rarity::legendary && !Loot::isCursed(item));
    if (kept) {
      result.hero.inventory.push_back(item);
    } else {
      result.recycled.push_back(item);
      result.gold += recycleValue(item);
    }
  }
  result.hero.gold += result.gold;
  return result;
}

std::vector<ShopItem> shop() {
  return {
      {"potion_energie", Loc::string("shop.potion_energie.name", "Potion d'Énergie"), "🧪", 30,
       Loc::string("shop.potion_energie.blurb", "+25 Énergie"), lowOnEnergy, drinkPotion},
      {"encens", Loc::string("shop.encens.name", "Encens d'Apaisement"), "🕯️", 40,
       Loc::string("shop.encens.blurb", "-20 Chaos"), tooChaotic, burnIncense},
  };
}

AutoShopResult autoShop(const Hero& hero, int64_t maxBuys) {
  const std::vector<ShopItem> items = shop();
  AutoShopResult result{hero, {}};
  for (int64_t n = 0; n < maxBuys; ++n) {
    auto it = std::find_if(items.begin(), items.end(), [&](const ShopItem& item) {
      return item.want(result.hero) && item.cost <= result.hero.gold;
    });
    if (it == items.end()) break;
    result.hero = paid(std::move(result.hero), *it);
    result.purchases.push_back(Purchase{it->id, it->name, it->emoji, it->cost});
  }
  return result;
}

BuyResult buy(const Hero& hero, std::string_view itemId) {
  for (const ShopItem& item : shop()) {
    if (item.id != itemId) continue;
    if (hero.gold < item.cost) return BuyError::insufficientGold;
    return paid(hero, item);
  }
  return BuyError::unknownItem;
}

std::string describe(BuyError error) {
  switch (error) {
    case BuyError::unknownItem:
      return Loc::string("shop.error.unknownItem", "cet objet n'est pas en vente");
    case BuyError::insufficientGold:
      return Loc::string("shop.error.insufficientGold", "pas assez d'or");
  }
  return {};
}

void to_json(Json& j, const ShopItem& v) {
  j = Json{
      {"id", v.id}, {"name", v.name}, {"emoji", v.emoji}, {"cost", v.cost}, {"blurb", v.blurb}};
}

void to_json(Json& j, const Purchase& v) {
  j = Json{{"id", v.id}, {"name", v.name}, {"emoji", v.emoji}, {"cost", v.cost}};
}

void to_json(Json& j, const AutoShopResult& v) {
  j = Json{{"hero", v.hero}, {"purchases", v.purchases}};
}

void to_json(Json& j, const AutoRecycleResult& v) {
  j = Json{{"hero", v.hero}, {"recycled", v.recycled}, {"gold", v.gold}};
}

}  // namespace talewick::Economy
