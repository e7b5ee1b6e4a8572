// Gold: what a quest pays, what an item is worth when recycled, and the small shop of
// consumables. Every operation is pure: it takes a Hero and returns a new one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "game/hero.hpp"
#include "game/loot.hpp"
#include "support/json.hpp"

namespace talewick::Economy {

// floor(xp / 5 + 0.5) + threatTier (+ 15 after a boss victory), times goldMult, rounded half up.
int64_t goldForQuest(int64_t xp, int64_t threatTier, bool bossVictory, double goldMult);

// common 5, rare 15, epic 40, legendary 100; 0 for an item made from a cursed template.
int64_t recycleValue(const LootItem& item);

// The hero without the item `itemId` (unworn) and paid its value; unchanged when it owns none.
Hero recycle(const Hero& hero, std::string_view itemId);

struct AutoRecycleResult {
  Hero hero;
  std::vector<LootItem> recycled;  // in inventory order
  int64_t gold = 0;
};

// Recycles every item that is neither worn, nor the best of its slot, nor a set piece, nor a
// non-cursed legendary.
AutoRecycleResult autoRecycle(const Hero& hero);

struct ShopItem {
  std::string id;
  std::string name;
  std::string emoji;
  int64_t cost = 0;
  std::string blurb;
  bool (*want)(const Hero&) = nullptr;  // should the automatic shopper buy it
  void (*apply)(Hero&) = nullptr;       // its effect, without the payment
};

// The shop's items, in display order, texts in the current language.
std::vector<ShopItem> shop();

struct Purchase {
  std::string id;
  std::string name;
  std::string emoji;
  int64_t cost = 0;
  bool operator==(const Purchase&) const = default;
};

struct AutoShopResult {
  Hero hero;
  std::vector<Purchase> purchases;  // in buying order
};

// Up to `maxBuys` times, buys the first shop item the hero wants and can pay for.
AutoShopResult autoShop(const Hero& hero, int64_t maxBuys);

enum class BuyError { unknownItem, insufficientGold };
using BuyResult = std::variant<Hero, BuyError>;

// The user's own purchase of shop item `itemId`, wanted or not.
BuyResult buy(const Hero& hero, std::string_view itemId);

// Why a purchase failed, in the current language.
std::string describe(BuyError error);

void to_json(Json& j, const ShopItem& v);
void to_json(Json& j, const Purchase& v);
void to_json(Json& j, const AutoShopResult& v);
void to_json(Json& j, const AutoRecycleResult& v);

}  // namespace talewick::Economy
