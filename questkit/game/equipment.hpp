// What the worn items give: their modifiers summed into one AggregatedMods, completed sets, the
// hero's effective statistics, and the best item per slot.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "game/hero.hpp"
#include "game/loot.hpp"

namespace talewick::Equipment {

struct EquipmentSet {
  std::string id;
  std::vector<std::string> itemTemplateIds;
  ItemMods bonus;
};

inline constexpr std::array<Slot, 3> SLOTS{Slot::tete, Slot::main, Slot::talisman};
inline constexpr double MAX_XP_MULT = 1.25;
inline constexpr double MAX_GOLD_MULT = 1.6;

const std::vector<EquipmentSet>& sets();
std::string slotLabel(Slot slot);
// "common" 0, "rare" 1, "epic" 2, "legendary" 3, "cursed" -1.
int64_t rarityRank(std::string_view name);

std::vector<LootItem> equippedItems(const Hero& hero);
std::vector<std::string> completedSets(const Hero& hero);
// `item`'s modifiers added into `into`.
void applyMods(AggregatedMods& into, const ItemMods& mods);
AggregatedMods activeMods(const Hero& hero);
Stats effectiveStats(const Hero& hero);
double xpMultFor(const AggregatedMods& mods, std::string_view archetypeId);
std::optional<ItemMods> setBonus(std::string_view setId);
double itemScore(const LootItem& item);
// One item id per slot that has an item: the best of that slot.
std::vector<std::string> autoEquip(const Hero& hero);

}  // namespace talewick::Equipment
