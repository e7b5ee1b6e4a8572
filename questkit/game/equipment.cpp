#include "game/equipment.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "kingdom/vocations.hpp"
#include "support/loc.hpp"

namespace talewick::Equipment {
namespace {

bool contains(const std::vector<std::string>& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

ItemMods xpBonus(double xpMult, int64_t bossPower) {
  ItemMods mods;
  mods.xpMult = xpMult;
  mods.bossPower = bossPower;
  return mods;
}

ItemMods goldBonus(double goldMult) {
  ItemMods mods;
  mods.goldMult = goldMult;
  return mods;
}

ItemMods nightBonus(int64_t energyRegen, int64_t chaosDecayBonus) {
  ItemMods mods;
  mods.energyRegen = energyRegen;
  mods.chaosDecayBonus = chaosDecayBonus;
  return mods;
}

}  // namespace

const std::vector<EquipmentSet>& sets() {
  static const std::vector<EquipmentSet> all{
      {"reliques_pere",
       {"lingette_legendaire", "couronne_legendaire", "heaume_sommeil"},
       xpBonus(1.15, 2)},
      {"panoplie_marchand",
       {"visiere_marchand", "besace_pieces", "bourse_porte_bonheur"},
       goldBonus(1.3)},
      {"tenue_insomniaque",
       {"masque_sommeil", "veilleuse_portative", "peluche_anti_cauchemar"},
       nightBonus(4, 6)},
  };
  return all;
}

std::string slotLabel(Slot slot) {
  switch (slot) {
    case Slot::tete:
      return Loc::string("equipment.slot.tete", "Tête");
    case Slot::main:
      return Loc::string("equipment.slot.main", "Main");
    case Slot::talisman:
      return Loc::string("equipment.slot.talisman", "Talisman");
  }
  return {};
}

int64_t rarityRank(std::string_view name) {
  static const std::map<std::string, int64_t, std::less<>> ranks{
      {"common", 0}, {"rare", 1}, {"epic", 2}, {"legendary", 3}, {"cursed", -1}};
  auto it = ranks.find(name);
  return it == ranks.end() ? 0 : it->second;
}

std::vector<LootItem> equippedItems(const Hero& hero) { return hero.equippedItems(); }

std::vector<std::string> completedSets(const Hero& hero) {
  std::vector<std::string> worn;
  for (const LootItem& item : equippedItems(hero)) worn.push_back(item.templateId);
  std::vector<std::string> completed;
  for (const EquipmentSet& set : sets()) {
    const bool all = std::all_of(set.itemTemplateIds.begin(), set.itemTemplateIds.end(),
                                 [&](const std::string& id) { return contains(worn, id); });
    if (all) completed.push_back(set.id);
  }
  return completed;
}

void applyMods(AggregatedMods& into, const ItemMods& mods) {
  // A multiplier of 0 would wipe out every other bonus: it is read as no multiplier at all.
  if (mods.xpMult && *mods.xpMult != 0) into.xpMult *= *mods.xpMult;
  if (mods.archetypeXp) {
    auto [it, fresh] = into.archetypeXp.try_emplace(mods.archetypeXp->archetype, 1.0);
    it->second *= mods.archetypeXp->mult;
  }
  if (mods.energyRegen) into.energyRegen += *mods.energyRegen;
  if (mods.bossPower) into.bossPower += *mods.bossPower;
  if (mods.chaosDecayBonus) into.chaosDecayBonus += *mods.chaosDecayBonus;
  if (mods.goldMult && *mods.goldMult != 0) into.goldMult *= *mods.goldMult;
  if (mods.statBonus) {
    for (const auto& [key, amount] : *mods.statBonus) into.statBonus[key] += amount;
  }
}

AggregatedMods activeMods(const Hero& hero) {
  AggregatedMods total;
  for (const LootItem& item : equippedItems(hero)) {
    if (item.mods) applyMods(total, *item.mods);
  }
  for (const std::string& id : completedSets(hero)) applyMods(total, *setBonus(id));
  if (hero.vocation) {
    if (auto passive = Vocations::passive(*hero.vocation)) applyMods(total, *passive);
  }
  total.xpMult = std::min(total.xpMult, MAX_XP_MULT);
  total.goldMult = std::min(total.goldMult, MAX_GOLD_MULT);
  return total;
}

Stats effectiveStats(const Hero& hero) {
  Stats stats = hero.stats;
  for (const auto& [key, amount] : activeMods(hero).statBonus) stats[key] += amount;
  return stats;
}

double xpMultFor(const AggregatedMods& mods, std::string_view archetypeId) {
  auto it = mods.archetypeXp.find(std::string(archetypeId));
  return (it == mods.archetypeXp.end() ? 1.0 : it->second) * mods.xpMult;
}

std::optional<ItemMods> setBonus(std::string_view setId) {
  for (const EquipmentSet& set : sets()) {
    if (set.id == setId) return set.bonus;
  }
  return std::nullopt;
}

double itemScore(const LootItem& item) {
  const std::string_view rank = Loot::isCursed(item) ? "cursed" : rawValue(item.rarity);
  double score = static_cast<double>(rarityRank(rank)) * 100;
  if (!item.mods) return score;
  const ItemMods& m = *item.mods;
  if (m.xpMult) score += (*m.xpMult - 1) * 200;
  if (m.archetypeXp) score += (m.archetypeXp->mult - 1) * 120;
  if (m.goldMult) score += (*m.goldMult - 1) * 150;
  if (m.energyRegen) score += static_cast<double>(*m.energyRegen) * 3;
  if (m.bossPower) score += static_cast<double>(*m.bossPower) * 20;
  if (m.chaosDecayBonus) score += static_cast<double>(*m.chaosDecayBonus) * 5;
  if (m.statBonus) {
    int64_t sum = 0;
    for (const auto& [key, amount] : *m.statBonus) sum += std::llabs(amount);
    score += static_cast<double>(sum) * 4;
  }
  return score;
}

std::vector<std::string> autoEquip(const Hero& hero) {
  std::vector<std::string> chosen;
  for (Slot slot : SLOTS) {
    const LootItem* best = nullptr;
    double bestScore = 0;
    for (const LootItem& item : hero.inventory) {
      if (item.slot != slot) continue;
      const double score = itemScore(item);
      if (!best || score > bestScore) {
        best = &item;
        bestScore = score;
      }
    }
    if (best) chosen.push_back(best->id);
  }
  return chosen;
}

}  // namespace talewick::Equipment
