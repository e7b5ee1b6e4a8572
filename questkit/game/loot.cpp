#include "game/loot.hpp"

namespace talewick {

using json_coding::Field;

static const auto kArchetypeXpFields =
    std::tuple{Field{"archetype", &ArchetypeXp::archetype}, Field{"mult", &ArchetypeXp::mult}};
TALEWICK_JSON_CODING(ArchetypeXp, kArchetypeXpFields)

static const auto kItemModsFields =
    std::tuple{Field{"xpMult", &ItemMods::xpMult},
               Field{"archetypeXp", &ItemMods::archetypeXp},
               Field{"energyRegen", &ItemMods::energyRegen},
               Field{"bossPower", &ItemMods::bossPower},
               Field{"statBonus", &ItemMods::statBonus},
               Field{"goldMult", &ItemMods::goldMult},
               Field{"chaosDecayBonus", &ItemMods::chaosDecayBonus}};
TALEWICK_JSON_CODING(ItemMods, kItemModsFields)

static const auto kLootItemFields = std::tuple{Field{"id", &LootItem::id},
                                               Field{"name", &LootItem::name},
                                               Field{"emoji", &LootItem::emoji},
                                               Field{"rarity", &LootItem::rarity},
                                               Field{"effect", &LootItem::effect},
                                               Field{"slot", &LootItem::slot},
                                               Field{"mods", &LootItem::mods},
                                               Field{"set", &LootItem::set},
                                               Field{"templateId", &LootItem::templateId},
                                               Field{"originMode", &LootItem::originMode}};
TALEWICK_JSON_CODING(LootItem, kLootItemFields)

static const auto kAggregatedModsFields =
    std::tuple{Field{"xpMult", &AggregatedMods::xpMult},
               Field{"archetypeXp", &AggregatedMods::archetypeXp},
               Field{"energyRegen", &AggregatedMods::energyRegen},
               Field{"bossPower", &AggregatedMods::bossPower},
               Field{"statBonus", &AggregatedMods::statBonus},
               Field{"goldMult", &AggregatedMods::goldMult},
               Field{"chaosDecayBonus", &AggregatedMods::chaosDecayBonus}};
TALEWICK_JSON_CODING(AggregatedMods, kAggregatedModsFields)

void Loot::to_json(Json& j, const Loot::Template& v) {
  static const auto fields =
      std::tuple{Field{"id", &Loot::Template::id},         Field{"name", &Loot::Template::name},
                 Field{"emoji", &Loot::Template::emoji},   Field{"rarity", &Loot::Template::rarity},
                 Field{"effect", &Loot::Template::effect}, Field{"slot", &Loot::Template::slot},
                 Field{"mods", &Loot::Template::mods},     Field{"set", &Loot::Template::set},
                 Field{"cursed", &Loot::Template::cursed}};
  json_coding::writeFields(j, v, fields);
}

}  // namespace talewick
