// Deeds: the catalogue, the rules at their thresholds, the texts of each narrative mode, and the
// title a hero's best deed lends.
#include "game/achievements.hpp"

#include <gtest/gtest.h>

#include <set>

#include "game/equipment.hpp"
#include "game/xp.hpp"
#include "support/content.hpp"
#include "support/loc.hpp"

namespace talewick {
namespace {

std::vector<std::string> ids(const std::vector<Deed>& deeds) {
  std::vector<std::string> out;
  for (const Deed& d : deeds) out.push_back(d.id);
  return out;
}

std::vector<std::string> unlocked(const DeedContext& c) {
  return ids(Achievements::evaluateDeeds(c));
}

bool has(const DeedContext& c, const std::string& id) {
  const auto all = unlocked(c);
  return std::find(all.begin(), all.end(), id) != all.end();
}

LootItem legendary(std::string id, std::string name) {
  LootItem item;
  item.id = std::move(id);
  item.name = std::move(name);
  item.rarity = Rarity::legendary;
  item.templateId = "epee_du_quotidien";
  return item;
}

TEST(Achievements, CatalogueIsCompleteAndOrdered) {
  const auto& all = Achievements::deeds();
  ASSERT_EQ(all.size(), 18u);
  EXPECT_EQ(all.front().id, "tueur_dragons");
  EXPECT_EQ(all.back().id, "fleautueur");
  std::set<std::string> seen;
  for (const Deed& d : all) {
    SCOPED_TRACE(d.id);
    seen.insert(d.id);
    EXPECT_FALSE(d.title.empty());
    EXPECT_FALSE(d.emoji.empty());
    EXPECT_FALSE(d.desc.empty());
    // The catalogue is the heroic mode's texts.
    EXPECT_EQ(Achievements::deed(d.id, RPGMode::heroicPapa), d);
  }
  EXPECT_EQ(seen.size(), all.size());
}

TEST(Achievements, LookupById) {
  for (const Deed& d : Achievements::deeds()) {
    // The lookup hands out the catalogue entry itself, not a copy.
    EXPECT_EQ(Achievements::deed(d.id), &d) << d.id;
  }
  const Deed* titan = Achievements::deed("titan");
  ASSERT_NE(titan, nullptr);
  EXPECT_EQ(*titan, (Deed{"titan", "Titan du Quotidien", "💪", "Atteindre le niveau 10"}));
  EXPECT_EQ(Achievements::deed("Titan"), nullptr);
  EXPECT_EQ(Achievements::deed(""), nullptr);
  EXPECT_EQ(Achievements::deed("tueur_de_dragons"), nullptr);
  EXPECT_EQ(Achievements::deed("tueur_de_dragons", RPGMode::comic), std::nullopt);
}

TEST(Achievements, WorldBossDeedIsInTheCatalogue) {
  const Deed* deed = Achievements::deed(Achievements::worldBossDeedID);
  ASSERT_NE(deed, nullptr);
  // The last row: the only deed no hero can unlock alone.
  EXPECT_EQ(deed, &Achievements::deeds().back());
  DeedContext c;
  c.worldBossVictories = 1;
  EXPECT_EQ(unlocked(c), std::vector<std::string>{"fleautueur"});
  Hero hero;
  hero.tally = DeedTally{};
  EXPECT_EQ(Achievements::deedContext(hero).worldBossVictories, 0);
}

TEST(Achievements, EveryModeIsTranslated) {
  const Json english = content::json("en/deeds.json");
  for (RPGMode mode : allCases<RPGMode>()) {
    for (const Deed& d : Achievements::deeds()) {
      for (const char* field : {"title", "desc"}) {
        const std::string key = "deed." + std::string(rawValue(mode)) + "." + d.id + "." + field;
        ASSERT_TRUE(english.contains(key)) << key;
        EXPECT_FALSE(english[key].get<std::string>().empty()) << key;
      }
    }
  }
  ASSERT_TRUE(english.contains("deed.fallback.title"));
  // No stray key: a translation under a misspelt id or mode would never be shown.
  EXPECT_EQ(english.size(), 6 * 2 * Achievements::deeds().size() + 1);

  Loc::setLanguage(Loc::Language::en);
  const auto titan = Achievements::deed("titan", RPGMode::donjon);
  const auto fallback = Achievements::deedDisplay("nope", RPGMode::heroicPapa);
  Loc::setLanguage(Loc::Language::fr);
  EXPECT_EQ(titan->title, english.at("deed.donjon.titan.title"));
  EXPECT_EQ(fallback.title, english.at("deed.fallback.title"));
}

TEST(Achievements, EveryModeHasItsOwnLore) {
  const Json lore = content::json("deed_lore.json");
  for (RPGMode mode : allCases<RPGMode>()) {
    SCOPED_TRACE(std::string(rawValue(mode)));
    const auto all = Achievements::allDeeds(mode);
    ASSERT_EQ(ids(all), ids(Achievements::deeds()));
    size_t ownTitles = 0;
    for (size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(all[i].emoji, Achievements::deeds()[i].emoji);
      EXPECT_FALSE(all[i].desc.empty());
      if (all[i].title != Achievements::deeds()[i].title) ++ownTitles;
      if (mode == RPGMode::heroicPapa) continue;
      const Json& row = lore.at(std::string(rawValue(mode))).at(all[i].id);
      EXPECT_EQ(all[i].title, row.at("title"));
      EXPECT_EQ(all[i].desc, row.at("desc"));
    }
    if (mode != RPGMode::heroicPapa) {
      EXPECT_GE(ownTitles, 15u);
    }
  }
}

TEST(Achievements, DisplayAndTitleLabels) {
  const auto dark = Achievements::deed("titan", RPGMode::darkEpic);
  ASSERT_TRUE(dark);
  EXPECT_EQ(Achievements::deedDisplay("titan", RPGMode::darkEpic),
            (Achievements::DeedDisplay{dark->title, "💪", dark->desc}));
  EXPECT_EQ(Achievements::titleLabel("titan", RPGMode::heroicPapa), "Titan du Quotidien 💪");
  EXPECT_EQ(Achievements::titleLabel("titan", RPGMode::darkEpic), dark->title + " 💪");
  EXPECT_EQ(Achievements::titleLabel("nope", RPGMode::darkEpic), std::nullopt);
  EXPECT_EQ(Achievements::deedDisplay("nope", RPGMode::comic).title, "Haut fait");
}

TEST(Achievements, FreshHeroUnlocksNothing) {
  const Hero hero;
  const DeedContext c = Achievements::deedContext(hero);
  EXPECT_EQ(c, DeedContext{});
  EXPECT_EQ(c.finalLevel, 1);
  EXPECT_TRUE(Achievements::unlockedDeeds(hero, RPGMode::comic).empty());
}

TEST(Achievements, ContextIsReadFromTheHero) {
  Hero hero;
  hero.totalXp = Xp::totalXpToReach(10);
  hero.stats = Stats{500, 10, 499, 7, 50};
  hero.streak = 31;
  hero.tally = DeedTally{10, 12, 11, 1, 10, {{"inconnu", 60}, {"sport", 40}}};
  std::vector<LootItem> relics;
  for (const std::string& id : Equipment::sets().front().itemTemplateIds) {
    relics.push_back(Loot::makeItem(*Loot::templateById(id), RPGMode::heroicPapa, "i_" + id));
    hero.equipped.push_back("i_" + id);
  }
  hero.inventory = relics;
  hero.inventory.push_back(legendary("dup", relics.front().name));  // same name counts once

  const DeedContext c = Achievements::deedContext(hero);
  EXPECT_EQ(c.maxStreak, 31);  // the running streak beats the tally's older maximum
  EXPECT_EQ(c.legendaryNames.size(), 4u);
  EXPECT_EQ(c.completedSets, std::vector<std::string>{"reliques_pere"});
  EXPECT_EQ(c.finalLevel, 10);
  EXPECT_EQ(c.questsTransmuted, 100);  // unknown archetypes count too
  EXPECT_EQ(c.love, 500);
  EXPECT_EQ(c.wisdom, 499);
  EXPECT_EQ(c.strength, 7);
  EXPECT_EQ(unlocked(c),
            (std::vector<std::string>{"tueur_dragons", "collectionneur", "porteur_legendes",
                                      "gardien_rituel", "coeur_immense", "titan", "athlete_foyer",
                                      "chroniqueur"}));
  // The mode changes the words, not which deeds are unlocked.
  const auto comic = Achievements::unlockedDeeds(hero, RPGMode::comic);
  EXPECT_EQ(ids(comic), unlocked(c));
  EXPECT_EQ(comic.front(), *Achievements::deed("tueur_dragons", RPGMode::comic));

  hero.totalXp -= 1;
  hero.streak = 0;
  hero.tally->archetypeCounts["sport"] = 39;
  const DeedContext lower = Achievements::deedContext(hero);
  EXPECT_EQ(lower.maxStreak, 10);
  EXPECT_FALSE(has(lower, "titan"));
  EXPECT_FALSE(has(lower, "gardien_rituel"));
  EXPECT_FALSE(has(lower, "chroniqueur"));
}

TEST(Achievements, RulesAtTheirThresholds) {
  DeedContext c;
  c.bossesFought = 12;
  c.bossDefeats = 1;
  EXPECT_FALSE(has(c, "invaincu"));
  c.bossDefeats = 0;
  EXPECT_TRUE(has(c, "invaincu"));
  c.bossesFought = 9;
  EXPECT_FALSE(has(c, "invaincu"));

  c = {};
  c.legendaryNames = {"A", "B", "A"};
  EXPECT_FALSE(has(c, "porteur_legendes"));
  c.legendaryNames.push_back("C");
  EXPECT_TRUE(has(c, "porteur_legendes"));

  const std::vector<std::tuple<std::string, std::string, int64_t>> counted{
      {"veilleur", "nuit_sans_sommeil", 5},     {"chevalier_reine", "femme_enceinte", 10},
      {"gardien_couche", "couche_bebe", 15},    {"maitre_reunions", "reunion", 20},
      {"athlete_foyer", "sport", 15},           {"chef_foyer", "repas_cuisine", 20},
      {"compagnon_jeu", "jeu_avec_enfant", 20}, {"grand_voyageur", "transport", 30}};
  for (const auto& [deed, archetype, n] : counted) {
    c = {};
    c.archetypeCounts[archetype] = n - 1;
    EXPECT_EQ(unlocked(c), std::vector<std::string>{}) << deed;
    c.archetypeCounts[archetype] = n;
    EXPECT_EQ(unlocked(c), std::vector<std::string>{deed});
  }

  const std::vector<std::tuple<std::string, int64_t DeedContext::*, int64_t>> scalar{
      {"tueur_dragons", &DeedContext::dragonsSlain, 10},
      {"gardien_rituel", &DeedContext::maxStreak, 30},
      {"coeur_immense", &DeedContext::love, 500},
      {"grand_sage", &DeedContext::wisdom, 500},
      {"titan", &DeedContext::finalLevel, 10},
      {"chroniqueur", &DeedContext::questsTransmuted, 100},
      {"fleautueur", &DeedContext::worldBossVictories, 1}};
  for (const auto& [deed, field, n] : scalar) {
    c = {};
    c.*field = n - 1;
    EXPECT_EQ(unlocked(c), std::vector<std::string>{}) << deed;
    c.*field = n;
    EXPECT_EQ(unlocked(c), std::vector<std::string>{deed});
  }
}

TEST(Achievements, TopDeedTitleFollowsThePriority) {
  auto pick = [](std::initializer_list<const char*> idList) {
    std::vector<Deed> deeds;
    for (const char* id : idList) deeds.push_back(*Achievements::deed(id));
    return Achievements::topDeedTitle(deeds);
  };
  EXPECT_EQ(pick({"titan", "tueur_dragons"}), "Tueur de Dragons 🐉");
  EXPECT_EQ(pick({"titan", "grand_sage"}), "Grand Sage 🧠");
  EXPECT_EQ(pick({"tueur_dragons", "gardien_rituel"}), "Gardien du Rituel 🔥");
  // Outside the priority list: the first deed given.
  EXPECT_EQ(pick({"chef_foyer", "veilleur"}), "Chef du Foyer 🍳");
  EXPECT_EQ(pick({}), std::nullopt);
}

TEST(Achievements, ContextJson) {
  DeedContext c;
  c.dragonsSlain = 3;
  c.legendaryNames = {"Épée"};
  c.archetypeCounts = {{"sport", 2}};
  c.questsTransmuted = 2;
  const Json j = c;
  std::vector<std::string> keys;
  for (const auto& [key, value] : j.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "dragonsSlain", "bossesFought", "bossVictories", "bossDefeats", "maxStreak",
                      "legendaryNames", "completedSets", "finalLevel", "totalXp", "love", "wisdom",
                      "strength", "archetypeCounts", "questsTransmuted", "worldBossVictories"}));
  EXPECT_EQ(j.get<DeedContext>(), c);
  Json missing = j;
  missing.erase("worldBossVictories");
  EXPECT_THROW(missing.get<DeedContext>(), DecodeError);
}

}  // namespace
}  // namespace talewick
