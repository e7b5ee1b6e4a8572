// Drops and the catalogue: draws consumed in the documented order, edges of the drop check and of
// the weighted picks, skins by mode, and a catalogue complete enough for every pool and set.
#include "game/loot.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <set>
#include <stdexcept>

#include "game/equipment.hpp"
#include "support/content.hpp"

namespace talewick {
namespace {

// A random source that returns the given numbers in order and counts what was drawn; drawing
// past the end is a test failure, not a silent default.
struct Script {
  std::shared_ptr<std::vector<double>> values;
  std::shared_ptr<size_t> drawn = std::make_shared<size_t>(0);

  explicit Script(std::vector<double> v) : values(std::make_shared<std::vector<double>>(v)) {}
  Rng rng() const {
    return [values = values, drawn = drawn] {
      if (*drawn >= values->size()) throw std::logic_error("the script ran out of numbers");
      return (*values)[(*drawn)++];
    };
  }
};

const std::vector<std::string> kNamedIds{
    "lingette_survie",      "chaussette_orpheline", "gants_manutention",   "doudou_rechange",
    "tetine_apaisement",    "bandeau_fatigue",      "gourde_isotherme",    "bracelet_perles",
    "cafe_guerrier",        "casque_antibruit",     "visiere_marchand",    "besace_pieces",
    "bourse_porte_bonheur", "masque_sommeil",       "veilleuse_portative", "peluche_anti_cauchemar",
    "coussin_grossesse",    "veilleuse_etoilee",    "grimoire_recettes",   "medaillon_famille",
    "lingette_legendaire",  "couronne_legendaire",  "heaume_sommeil",      "epee_du_quotidien",
    "tasse_froide",         "couche_deborde"};

TEST(LootCatalog, HoldsEveryTemplateRarityAndSetPiece) {
  const auto& all = Loot::catalog();
  ASSERT_EQ(all.size(), 29u);
  std::set<std::string> ids;
  for (const Loot::Template& t : all) {
    SCOPED_TRACE(t.id);
    ids.insert(t.id);
    EXPECT_EQ(Loot::templateById(t.id), &t);
    EXPECT_FALSE(t.name.empty());
    EXPECT_FALSE(t.emoji.empty());
    EXPECT_FALSE(t.effect.empty());
    // Mods on an item that cannot be worn would never apply.
    if (t.mods) {
      EXPECT_TRUE(t.slot.has_value());
    }
  }
  EXPECT_EQ(ids.size(), 29u);
  for (const std::string& id : kNamedIds) EXPECT_TRUE(ids.contains(id)) << id;
  EXPECT_EQ(Loot::templateById("no_such_item"), nullptr);

  size_t pooled = 0;
  for (Rarity r : allCases<Rarity>()) {
    const auto& pool = Loot::pool(r);
    EXPECT_FALSE(pool.empty()) << rawValue(r);
    for (size_t i = 0; i < pool.size(); ++i) {
      EXPECT_EQ(pool[i]->rarity, r);
      EXPECT_FALSE(pool[i]->cursed);
      // Catalogue order inside a pool.
      if (i > 0) {
        EXPECT_LT(pool[i - 1], pool[i]);
      }
    }
    pooled += pool.size();
  }
  const auto& cursed = Loot::cursedPool();
  EXPECT_EQ(pooled + cursed.size(), all.size());
  std::set<std::string> cursedIds;
  for (const Loot::Template* t : cursed) cursedIds.insert(t->id);
  EXPECT_TRUE(cursedIds.contains("tasse_froide"));
  EXPECT_TRUE(cursedIds.contains("couche_deborde"));

  for (const Equipment::EquipmentSet& set : Equipment::sets()) {
    std::set<Slot> slots;
    for (const std::string& id : set.itemTemplateIds) {
      const Loot::Template* t = Loot::templateById(id);
      ASSERT_NE(t, nullptr) << id;
      EXPECT_EQ(t->set, set.id) << id;
      ASSERT_TRUE(t->slot) << id;
      slots.insert(*t->slot);
    }
    // A set whose pieces share a slot could not be worn whole after an automatic equip.
    EXPECT_EQ(slots.size(), set.itemTemplateIds.size()) << set.id;
  }
}

TEST(LootCatalog, EveryModeSkinsTheSetsAndTheirPieces) {
  for (RPGMode mode : allCases<RPGMode>()) {
    SCOPED_TRACE(std::string(rawValue(mode)));
    std::set<std::string> names;
    for (const Equipment::EquipmentSet& set : Equipment::sets()) {
      const Loot::SetSkin* skin = Loot::setSkin(mode, set.id);
      ASSERT_NE(skin, nullptr) << set.id;
      EXPECT_FALSE(skin->name.empty());
      EXPECT_FALSE(skin->blurb.empty());
      EXPECT_EQ(Loot::setDisplayName(set.id, mode), skin->name);
      EXPECT_EQ(Loot::setBlurb(set.id, mode), skin->blurb);
      names.insert(skin->name);
      if (mode == RPGMode::heroicPapa) continue;  // the templates' own texts are the heroic ones
      for (const std::string& id : set.itemTemplateIds) {
        const Loot::ItemSkin* item = Loot::itemSkin(mode, id);
        ASSERT_NE(item, nullptr) << id;
        EXPECT_FALSE(item->name.empty());
        EXPECT_FALSE(item->emoji.empty());
        EXPECT_NE(item->name, Loot::templateById(id)->name) << id;
      }
    }
    EXPECT_EQ(names.size(), 3u);
  }
  EXPECT_EQ(Loot::setDisplayName("no_such_set", RPGMode::comic), "no_such_set");
  EXPECT_EQ(Loot::setBlurb("no_such_set", RPGMode::comic), "");
  // A skin for a template that is not in the catalogue would never show.
  const Json skins = content::json("loot_skins.json");
  for (const auto& [mode, byTemplate] : skins.at("itemSkins").items()) {
    for (const auto& [id, skin] : byTemplate.items()) {
      EXPECT_NE(Loot::templateById(id), nullptr) << mode << " " << id;
    }
  }
}

TEST(LootCatalog, EveryTextIsTranslated) {
  const Json english = content::json("en/loot.json");
  auto has = [&](const std::string& key) {
    EXPECT_TRUE(english.contains(key) && !english[key].get<std::string>().empty()) << key;
  };
  for (const Loot::Template& t : Loot::catalog()) {
    has("loot." + t.id + ".name");
    has("loot." + t.id + ".effect");
  }
  for (RPGMode mode : allCases<RPGMode>()) {
    const std::string m(rawValue(mode));
    for (const Equipment::EquipmentSet& set : Equipment::sets()) {
      has("loot.set." + m + "." + set.id + ".name");
      has("loot.set." + m + "." + set.id + ".blurb");
      for (const std::string& id : set.itemTemplateIds) {
        if (!Loot::itemSkin(mode, id)) continue;
        has("loot.skin." + m + "." + id + ".name");
        has("loot.skin." + m + "." + id + ".effect");
      }
    }
  }
}

TEST(LootPick, WeightedAndIndexPicksAtTheirEdges) {
  const auto& table = Loot::rollTable(Rarity::common);  // common 78, rare 20, epic 2
  EXPECT_EQ(Loot::pickWeighted(table, 0.0), Rarity::common);
  EXPECT_EQ(Loot::pickWeighted(table, 0.78), Rarity::common);  // x reaches exactly 0
  EXPECT_EQ(Loot::pickWeighted(table, 0.7801), Rarity::rare);
  EXPECT_EQ(Loot::pickWeighted(table, 0.9999), Rarity::epic);
  EXPECT_EQ(Loot::pickWeighted(table, 1.5), Rarity::epic);  // still positive: the last entry

  EXPECT_EQ(Loot::pickIndex(5, 0.9999), 4);
  EXPECT_EQ(Loot::pickIndex(5, 0.0), 0);
  EXPECT_EQ(Loot::pickIndex(5, 0.2), 1);
  EXPECT_EQ(Loot::pickIndex(5, 1.0), 4);
  EXPECT_EQ(Loot::pickIndex(5, -0.5), 0);
  EXPECT_EQ(Loot::pickIndex(1, 0.7), 0);
}

TEST(LootRoll, CursedBranchStartsAtChaos73) {
  // At 72 the first draw is the drop check: 0.1 > 0.04 means no item, and nothing more drawn.
  Script calm({0.1});
  EXPECT_EQ(Loot::roll(Rarity::common, 72, RPGMode::heroicPapa, calm.rng()), std::nullopt);
  EXPECT_EQ(*calm.drawn, 1u);

  // At 73, under 0.4 the item comes from the cursed pool whatever the quest's rarity.
  for (Rarity r : allCases<Rarity>()) {
    Script stormy({0.39, 0.0});
    auto item = Loot::roll(r, 73, RPGMode::heroicPapa, stormy.rng());
    ASSERT_TRUE(item);
    EXPECT_EQ(item->templateId, Loot::cursedPool().front()->id);
    EXPECT_TRUE(Loot::isCursed(*item));
    EXPECT_EQ(*stormy.drawn, 2u);
  }
  Script lastCursed({0.0, 0.9999});
  EXPECT_EQ(Loot::roll(Rarity::rare, 100, RPGMode::heroicPapa, lastCursed.rng())->templateId,
            Loot::cursedPool().back()->id);

  // At 0.4 the curse passes and the ordinary drop follows with its own draws.
  Script spared({0.4, 0.0, 0.0, 0.0});
  auto item = Loot::roll(Rarity::common, 73, RPGMode::heroicPapa, spared.rng());
  ASSERT_TRUE(item);
  EXPECT_EQ(item->templateId, Loot::pool(Rarity::common).front()->id);
  EXPECT_EQ(*spared.drawn, 4u);
}

TEST(LootRoll, DropCheckRarityAndTemplateDraws) {
  // The check passes when the draw equals the chance exactly.
  Script exact({0.04, 0.0, 0.0});
  EXPECT_TRUE(Loot::roll(Rarity::common, 0, RPGMode::heroicPapa, exact.rng()));
  EXPECT_EQ(*exact.drawn, 3u);
  Script above({0.0401});
  EXPECT_FALSE(Loot::roll(Rarity::common, 0, RPGMode::heroicPapa, above.rng()));
  Script legendaryQuest({0.25, 0.0, 0.0});
  EXPECT_TRUE(Loot::roll(Rarity::legendary, 0, RPGMode::heroicPapa, legendaryQuest.rng()));
  Script epicMiss({0.1201});
  EXPECT_FALSE(Loot::roll(Rarity::epic, 0, RPGMode::heroicPapa, epicMiss.rng()));

  // A rare quest: 0.99 of the weights 40/45/13/2 lands on legendary, then the last template.
  Script rare({0.0, 0.99, 0.9999});
  auto item = Loot::roll(Rarity::rare, 10, RPGMode::comic, rare.rng());
  ASSERT_TRUE(item);
  EXPECT_EQ(item->rarity, Rarity::legendary);
  EXPECT_EQ(item->templateId, Loot::pool(Rarity::legendary).back()->id);
  EXPECT_EQ(item->originMode, "comic");
  EXPECT_TRUE(item->id.starts_with("loot_"));

  // An epic quest never drops a common item.
  Script epic({0.0, 0.0, 0.0});
  EXPECT_EQ(Loot::roll(Rarity::epic, 0, RPGMode::heroicPapa, epic.rng())->rarity, Rarity::rare);

  Script guaranteed({0.9999});
  const LootItem sure = Loot::rollGuaranteed(Rarity::epic, RPGMode::donjon, guaranteed.rng());
  EXPECT_EQ(sure.templateId, Loot::pool(Rarity::epic).back()->id);
  EXPECT_EQ(*guaranteed.drawn, 1u);
}

TEST(LootItem, MadeFromTheTemplateWithTheModeSkin) {
  const Loot::Template& visor = *Loot::templateById("visiere_marchand");
  const LootItem plain = Loot::makeItem(visor, RPGMode::heroicPapa, "loot_1_0");
  EXPECT_EQ(plain, (LootItem{"loot_1_0", visor.name, visor.emoji, visor.rarity, visor.effect,
                             visor.slot, visor.mods, visor.set, "visiere_marchand", "heroicPapa"}));

  const LootItem skinned = Loot::makeItem(visor, RPGMode::mythological, "loot_1_1");
  const Loot::ItemSkin& skin = *Loot::itemSkin(RPGMode::mythological, "visiere_marchand");
  EXPECT_EQ(skinned.name, skin.name);
  EXPECT_EQ(skinned.emoji, skin.emoji);
  EXPECT_EQ(skinned.effect, skin.effect);
  // The skin changes the words, never what the item does.
  EXPECT_EQ(skinned.mods, visor.mods);
  EXPECT_EQ(skinned.set, visor.set);
  EXPECT_EQ(skinned.slot, visor.slot);

  const Loot::Template& cafe = *Loot::templateById("cafe_guerrier");
  EXPECT_EQ(Loot::itemSkin(RPGMode::mythological, "cafe_guerrier"), nullptr);
  EXPECT_EQ(Loot::makeItem(cafe, RPGMode::mythological, "x").name, cafe.name);

  Json j = *Loot::templateById("chaussette_orpheline");
  EXPECT_FALSE(j.contains("slot"));
  EXPECT_FALSE(j.contains("mods"));
  EXPECT_EQ(j.at("cursed"), false);
}

TEST(LootItem, IdsAreSequencedAndStamped) {
  const std::regex shape("loot_([0-9]{13,})_([0-9]+)");
  std::smatch first, second;
  const std::string a = Loot::nextId(), b = Loot::nextId();
  ASSERT_TRUE(std::regex_match(a, first, shape)) << a;
  ASSERT_TRUE(std::regex_match(b, second, shape)) << b;
  EXPECT_EQ(std::stoll(second[2]), std::stoll(first[2]) + 1);
  EXPECT_GE(std::stoll(second[1]), std::stoll(first[1]));
}

}  // namespace
}  // namespace talewick
