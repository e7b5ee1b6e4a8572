// Items and the modifiers they grant.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

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

void to_json(Json& j, const ArchetypeXp& v);
void from_json(const Json& j, ArchetypeXp& v);
void to_json(Json& j, const ItemMods& v);
void from_json(const Json& j, ItemMods& v);
void to_json(Json& j, const LootItem& v);
void from_json(const Json& j, LootItem& v);
void to_json(Json& j, const AggregatedMods& v);
void from_json(const Json& j, AggregatedMods& v);

}  // namespace talewick
