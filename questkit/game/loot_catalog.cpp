// The item catalogue, its pools by rarity and the narrative skins, read once from the embedded
// content (loot.json, loot_skins.json) in the language of the first call.
#include <array>

#include "game/loot.hpp"
#include "support/content.hpp"
#include "support/loc.hpp"

namespace talewick::Loot {
namespace {

std::string text(const Json& row, const char* field) { return row.at(field).get<std::string>(); }

std::vector<Template> readCatalog() {
  std::vector<Template> out;
  for (const Json& row : content::json("loot.json")) {
    Template t;
    t.id = text(row, "id");
    const std::string key = "loot." + t.id + ".";
    t.name = Loc::string(key + "name", text(row, "name"));
    t.emoji = text(row, "emoji");
    json_coding::decode(row.at("rarity"), t.rarity);
    t.effect = Loc::string(key + "effect", text(row, "effect"));
    if (row.contains("slot")) json_coding::decode(row.at("slot"), t.slot);
    if (row.contains("mods")) json_coding::decode(row.at("mods"), t.mods);
    if (row.contains("set")) t.set = text(row, "set");
    t.cursed = row.value("cursed", false);
    out.push_back(std::move(t));
  }
  return out;
}

template <class Skin>
using SkinsByMode = std::array<std::map<std::string, Skin, std::less<>>, 6>;

struct Skins {
  SkinsByMode<ItemSkin> items;
  SkinsByMode<SetSkin> sets;
};

Skins readSkins() {
  const Json file = content::json("loot_skins.json");
  Skins out;
  for (RPGMode mode : allCases<RPGMode>()) {
    const std::string m(rawValue(mode));
    const size_t index = static_cast<size_t>(mode);
    const Json items = file.at("itemSkins").value(m, Json::object());
    for (const auto& [id, skin] : items.items()) {
      const std::string key = "loot.skin." + m + "." + id + ".";
      out.items[index][id] =
          ItemSkin{Loc::string(key + "name", text(skin, "name")), text(skin, "emoji"),
                   Loc::string(key + "effect", text(skin, "effect"))};
    }
    const Json sets = file.at("setSkins").value(m, Json::object());
    for (const auto& [id, skin] : sets.items()) {
      const std::string key = "loot.set." + m + "." + id + ".";
      out.sets[index][id] = SetSkin{Loc::string(key + "name", text(skin, "name")),
                                    Loc::string(key + "blurb", text(skin, "blurb"))};
    }
  }
  return out;
}

const Skins& skins() {
  static const Skins all = readSkins();
  return all;
}

struct Pools {
  std::array<std::vector<const Template*>, 4> byRarity;
  std::vector<const Template*> cursed;
};

const Pools& pools() {
  static const Pools all = [] {
    Pools out;
    for (const Template& t : catalog()) {
      if (t.cursed) {
        out.cursed.push_back(&t);
      } else {
        out.byRarity[static_cast<size_t>(t.rarity)].push_back(&t);
      }
    }
    return out;
  }();
  return all;
}

template <class Skin>
const Skin* find(const SkinsByMode<Skin>& byMode, RPGMode mode, std::string_view id) {
  const auto& skinsOfMode = byMode[static_cast<size_t>(mode)];
  auto it = skinsOfMode.find(id);
  return it == skinsOfMode.end() ? nullptr : &it->second;
}

}  // namespace

const std::vector<Template>& catalog() {
  static const std::vector<Template> all = readCatalog();
  return all;
}

const Template* templateById(std::string_view id) {
  static const std::map<std::string, const Template*, std::less<>> index = [] {
    std::map<std::string, const Template*, std::less<>> out;
    for (const Template& t : catalog()) out.emplace(t.id, &t);
    return out;
  }();
  auto it = index.find(id);
  return it == index.end() ? nullptr : it->second;
}

const std::vector<const Template*>& pool(Rarity rarity) {
  return pools().byRarity[static_cast<size_t>(rarity)];
}

const std::vector<const Template*>& cursedPool() { return pools().cursed; }

bool isCursed(const LootItem& item) {
  const Template* t = templateById(item.templateId);
  return t && t->cursed;
}

double dropChance(Rarity questRarity) {
  switch (questRarity) {
    case Rarity::common:
      return 0.04;
    case Rarity::rare:
      return 0.08;
    case Rarity::epic:
      return 0.12;
    case Rarity::legendary:
      return 0.25;
  }
  return 0.04;
}

const std::vector<std::pair<Rarity, int64_t>>& rollTable(Rarity questRarity) {
  using R = Rarity;
  static const std::array<std::vector<std::pair<Rarity, int64_t>>, 4> tables{{
      {{R::common, 78}, {R::rare, 20}, {R::epic, 2}},
      {{R::common, 40}, {R::rare, 45}, {R::epic, 13}, {R::legendary, 2}},
      {{R::rare, 35}, {R::epic, 50}, {R::legendary, 15}},
      {{R::epic, 30}, {R::legendary, 70}},
  }};
  return tables[static_cast<size_t>(questRarity)];
}

const ItemSkin* itemSkin(RPGMode mode, std::string_view templateId) {
  return find(skins().items, mode, templateId);
}

const SetSkin* setSkin(RPGMode mode, std::string_view setId) {
  return find(skins().sets, mode, setId);
}

LootItem makeItem(const Template& t, RPGMode mode, const std::string& id) {
  LootItem item{id,     t.name, t.emoji, t.rarity, t.effect,
                t.slot, t.mods, t.set,   t.id,     std::string(rawValue(mode))};
  if (const ItemSkin* skin = itemSkin(mode, t.id)) {
    item.name = skin->name;
    item.emoji = skin->emoji;
    item.effect = skin->effect;
  }
  return item;
}

std::string setDisplayName(std::string_view setId, RPGMode mode) {
  const SetSkin* skin = setSkin(mode, setId);
  return skin ? skin->name : std::string(setId);
}

std::string setBlurb(std::string_view setId, RPGMode mode) {
  const SetSkin* skin = setSkin(mode, setId);
  return skin ? skin->blurb : std::string();
}

}  // namespace talewick::Loot
