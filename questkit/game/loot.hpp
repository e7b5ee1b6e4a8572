// Items and the modifiers they grant.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "game/enums.hpp"
#include "game/stats.hpp"
#include "support/json.hpp"

namespace talewick {

struct ArchetypeXp {
  std::string archetype;  // an archetype id
  double mult = 1;
  bool operator==(const ArchetypeXp&) const = default;
};

// What one item grants; every field absent means no effect.
struct ItemMods {
  std::optional<double> xpMult;
  std::optional<ArchetypeXp> archetypeXp;
  std::optional<int64_t> energyRegen;
  std::optional<int64_t> bossPower;
  std::optional<StatDelta> statBonus;
  std::optional<double> goldMult;
  std::optional<int64_t> chaosDecayBonus;
  bool operator==(const ItemMods&) const = default;
};

struct LootItem {
  std::string id;
  std::string name;
  std::string emoji;
  Rarity rarity = Rarity::common;
  std::string effect;
  std::optional<Slot> slot;  // absent for items that cannot be equipped
  std::optional<ItemMods> mods;
  std::optional<std::string> set;
  std::string templateId;
  std::optional<std::string> originMode;  // RPGMode raw value in force when it dropped
  bool operator==(const LootItem&) const = default;
};

// The sum of all active item and set modifiers; every field present.
struct AggregatedMods {
  double xpMult = 1;
  std::map<std::string, double> archetypeXp;
  int64_t energyRegen = 0;
  int64_t bossPower = 0;
  StatDelta statBonus;
  double goldMult = 1;
  int64_t chaosDecayBonus = 0;
  bool operator==(const AggregatedMods&) const = default;
};

// A random source: each call returns a number in [0, 1).
using Rng = std::function<double()>;

namespace Loot {

// One catalogue entry: everything an item gets but its id and origin mode.
struct Template {
  std::string id;
  std::string name;
  std::string emoji;
  Rarity rarity = Rarity::common;
  std::string effect;
  std::optional<Slot> slot;
  std::optional<ItemMods> mods;
  std::optional<std::string> set;
  bool cursed = false;
  bool operator==(const Template&) const = default;
};

// The 29 templates, in catalogue order.
const std::vector<Template>& catalog();
const Template* templateById(std::string_view id);
// The non-cursed templates of `rarity`, in catalogue order (empty when there are none).
const std::vector<const Template*>& pool(Rarity rarity);
const std::vector<const Template*>& cursedPool();
// Whether `item` was made from a cursed template; cursed items are worth nothing and rank last.
bool isCursed(const LootItem& item);

double dropChance(Rarity questRarity);
const std::vector<std::pair<Rarity, int64_t>>& rollTable(Rarity questRarity);

// The first entry at which u × total, less the weights met so far, reaches 0 or below.
template <class T>
T pickWeighted(const std::vector<std::pair<T, int64_t>>& weighted, double u);
int64_t pickIndex(int64_t count, double u);

// "loot_" + milliseconds since 1970 + "_" + a process-wide sequence number.
std::string nextId();
LootItem makeItem(const Template& t, RPGMode mode, const std::string& id);

// Whether a quest of `rarityHint` drops an item, drawing from `rng` in the documented order.
std::optional<LootItem> roll(Rarity rarityHint, int64_t chaos, RPGMode mode, const Rng& rng);
LootItem rollGuaranteed(Rarity rarity, RPGMode mode, const Rng& rng);

// What a narrative mode shows instead of a template's own texts.
struct ItemSkin {
  std::string name;
  std::string emoji;
  std::string effect;
  bool operator==(const ItemSkin&) const = default;
};
struct SetSkin {
  std::string name;
  std::string blurb;
  bool operator==(const SetSkin&) const = default;
};
// nullptr when the mode keeps the template's texts.
const ItemSkin* itemSkin(RPGMode mode, std::string_view templateId);
// nullptr for an unknown set.
const SetSkin* setSkin(RPGMode mode, std::string_view setId);

// The set's name in `mode`; the set id itself for an unknown set.
std::string setDisplayName(std::string_view setId, RPGMode mode);
// The set's bonus told in `mode`; empty for an unknown set.
std::string setBlurb(std::string_view setId, RPGMode mode);

// Found by argument-dependent lookup, hence in the template's own namespace.
void to_json(Json& j, const Template& v);

}  // namespace Loot

void to_json(Json& j, const ArchetypeXp& v);
void from_json(const Json& j, ArchetypeXp& v);
void to_json(Json& j, const ItemMods& v);
void from_json(const Json& j, ItemMods& v);
void to_json(Json& j, const LootItem& v);
void from_json(const Json& j, LootItem& v);
void to_json(Json& j, const AggregatedMods& v);
void from_json(const Json& j, AggregatedMods& v);

template <class T>
T Loot::pickWeighted(const std::vector<std::pair<T, int64_t>>& weighted, double u) {
  int64_t total = 0;
  for (const auto& entry : weighted) total += entry.second;
  double x = u * static_cast<double>(total);
  for (const auto& [value, weight] : weighted) {
    x -= static_cast<double>(weight);
    if (x <= 0) return value;
  }
  return weighted.back().first;
}

}  // namespace talewick
