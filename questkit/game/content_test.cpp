// The literal content must have the shapes forging relies on: a missing text or a malformed
// template would otherwise surface only for some titles on some days.
#include "support/content.hpp"

#include <gtest/gtest.h>

#include <set>

#include "game/archetypes.hpp"
#include "game/bestiary.hpp"
#include "game/choice_consequences.hpp"
#include "game/classifier.hpp"
#include "game/lore.hpp"
#include "support/loc.hpp"

namespace talewick {
namespace {

size_t count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1)) {
    ++n;
  }
  return n;
}

TEST(Content, ArchetypeTable) {
  const auto& all = Archetypes::all();
  ASSERT_EQ(all.size(), 29u);
  EXPECT_EQ(all.front().id, "couche_bebe");
  EXPECT_EQ(all.back().id, "animaux");
  std::set<std::string> ids;
  for (const Archetype& a : all) {
    SCOPED_TRACE(a.id);
    ids.insert(a.id);
    EXPECT_EQ(a.questNames.size(), 5u);
    EXPECT_EQ(a.subjectTemplates.size(), 4u);
    for (const auto& t : a.subjectTemplates) EXPECT_EQ(count(t, "{x}"), 1u) << t;
    ASSERT_EQ(a.choices.size(), 2u);
    for (const auto& c : a.choices) {
      EXPECT_FALSE(c.label.empty());
      EXPECT_FALSE(c.consequence.empty());
    }
    if (a.choices[0].realQuest) {
      EXPECT_FALSE(a.choices[0].realQuest->title.empty());
    }
    EXPECT_FALSE(a.intro.empty());
    EXPECT_TRUE(Archetypes::typeLabel(a.id));
    for (const auto& kw : a.keywords) EXPECT_FALSE(Classifier::normalize(kw).empty()) << kw;
  }
  EXPECT_EQ(ids.size(), 29u);
  EXPECT_EQ(Archetypes::typeLabel("echeance"), "Échéance / deadline");
  EXPECT_EQ(Archetypes::label("no_such_thing"), "No such thing");
  const Archetype& f = Archetypes::fallback();
  EXPECT_EQ(f.questNames.size(), 3u);
  EXPECT_EQ(f.choices[1].label, "Laisser couler, simplement");
}

TEST(Content, EveryModeHasAFullBestiary) {
  for (RPGMode mode : allCases<RPGMode>()) {
    SCOPED_TRACE(std::string(rawValue(mode)));
    EXPECT_TRUE(Bestiary::hasRow(mode, Bestiary::GENERIC_ROW));
    std::vector<std::string> rows = {std::string(Bestiary::GENERIC_ROW)};
    for (const Archetype& a : Archetypes::all()) rows.push_back(a.id);
    for (const std::string& row : rows) {
      EXPECT_TRUE(Bestiary::hasRow(mode, row)) << row;
      std::set<std::string> labels;
      for (int tier = 1; tier <= 5; ++tier) {
        const Bestiary::Menace m = Bestiary::menace(mode, row, tier);
        EXPECT_FALSE(m.label.empty());
        EXPECT_FALSE(m.emoji.empty());
        labels.insert(m.label);
      }
      EXPECT_EQ(labels.size(), 5u) << row;
    }
    // Out-of-range tiers are held to the ends; unknown archetypes use the generic row.
    EXPECT_EQ(Bestiary::menace(mode, "sport", 9), Bestiary::menace(mode, "sport", 5));
    EXPECT_EQ(Bestiary::menace(mode, "sport", -2), Bestiary::menace(mode, "sport", 1));
    EXPECT_EQ(Bestiary::menace(mode, "inconnu", 2),
              Bestiary::menace(mode, Bestiary::GENERIC_ROW, 2));
    EXPECT_EQ(Bestiary::menace(mode, std::nullopt, 3),
              Bestiary::menace(mode, Bestiary::GENERIC_ROW, 3));
  }
  EXPECT_EQ(Bestiary::menace(RPGMode::heroicPapa, "couche_bebe", 4),
            (Bestiary::Menace{"Dragon Brun", "🐉"}));
}

TEST(Content, EveryMenaceHasAnEnglishName) {
  // Keys as the bestiary localises its labels; an English key without a French menace would be a
  // misspelt one that never shows.
  std::set<std::string> expected;
  Loc::setLanguage(Loc::Language::en);
  for (RPGMode mode : allCases<RPGMode>()) {
    const std::string name(rawValue(mode));
    const Json bestiary = content::json("bestiary/" + name + ".json");
    for (const auto& [row, menaces] : bestiary.items()) {
      std::set<std::string> english;
      for (size_t i = 0; i < menaces.size(); ++i) {
        const std::string key = "bestiary." + name + "." + row + "." + std::to_string(i + 1);
        expected.insert(key);
        const std::string label = Loc::string(key, "");
        EXPECT_FALSE(label.empty()) << key;
        english.insert(label);
      }
      EXPECT_EQ(english.size(), menaces.size()) << name << " " << row;
    }
  }
  Loc::setLanguage(Loc::Language::fr);
  const Json englishNames = content::json("en/bestiary.json");
  for (const auto& [key, text] : englishNames.items()) {
    EXPECT_TRUE(expected.contains(key)) << key;
  }
}

TEST(Content, AlternativeConsequences) {
  EXPECT_EQ(ChoiceConsequences::rowCount(), 19u);
  const Json rows = content::json("consequence_alts.json");
  for (const auto& [id, options] : rows.items()) {
    EXPECT_TRUE(Archetypes::byId(id)) << id;
    ASSERT_EQ(options.size(), 2u) << id;
    for (const auto& alts : options) EXPECT_EQ(alts.size(), 2u) << id;
  }
  // djb2("s0#c1") mod 3 = 0 keeps the original; djb2("s0#c0") mod 3 = 2 takes the second
  // alternative.
  const std::string original = "original";
  EXPECT_EQ(ChoiceConsequences::consequence("sport", 1, original, "s0"), original);
  EXPECT_EQ(ChoiceConsequences::consequence("sport", 0, original, "s0"),
            rows["sport"][0][1].get<std::string>());
  for (int i = 0; i < 40; ++i) {
    const std::string picked =
        ChoiceConsequences::consequence("menage", 0, original, "seed" + std::to_string(i));
    EXPECT_TRUE(picked == original || picked == rows["menage"][0][0] ||
                picked == rows["menage"][0][1]);
  }
  EXPECT_EQ(ChoiceConsequences::consequence("voyage", 0, original, "any"), original);
}

TEST(Content, LorePacks) {
  EXPECT_EQ(Lore::pack(RPGMode::heroicPapa), nullptr);
  for (RPGMode mode : allCases<RPGMode>()) {
    const Lore::Pack* p = Lore::pack(mode);
    if (!p) continue;
    SCOPED_TRACE(std::string(rawValue(mode)));
    EXPECT_EQ(p->heroicLabels.size(), 5u);
    ASSERT_EQ(p->heroicConsequences.size(), 5u);
    for (const auto& c : p->heroicConsequences) EXPECT_EQ(count(c, "%@"), 2u) << c;
    EXPECT_FALSE(p->subjectTemplates.empty());
    for (const auto& t : p->subjectTemplates) EXPECT_EQ(count(t, "{x}"), 1u) << t;
    EXPECT_EQ(p->todFlavor.size(), 4u);
    for (const auto& b : Classifier::biomes()) EXPECT_TRUE(Lore::biome(mode, b.key)) << b.key;
    for (const Archetype& a : Archetypes::all()) {
      EXPECT_TRUE(Lore::intro(mode, a.id)) << a.id;
      const auto* names = Lore::questNames(mode, a.id);
      ASSERT_TRUE(names) << a.id;
      EXPECT_EQ(names->size(), 5u) << a.id;
    }
    EXPECT_FALSE(p->nemesisName.empty());
    EXPECT_TRUE(Lore::form(mode, 0));
    EXPECT_FALSE(Lore::form(mode, 99));
  }
  EXPECT_TRUE(Lore::todFlavor(RPGMode::darkEpic, TimeOfDay::nuit)
                  ->starts_with("En pleine nuit, à l'heure morte où seule"));
  EXPECT_EQ(Lore::pack(RPGMode::comic)->nemesisName, "Le Marmot qui Refuse de Dormir");
  EXPECT_EQ(Lore::heroicLabel(RPGMode::heroicPapa, 1), std::nullopt);
  EXPECT_EQ(Lore::defaultHeroicConsequences().size(), 5u);
  // stableHash("") = 5381, and 5381 mod 5 picks the second default template.
  EXPECT_EQ(Lore::heroicConsequence(RPGMode::heroicPapa, "", "🐉", "Dragon"),
            "Tu charges 🐉 Dragon sans réfléchir. Ça passe ou ça casse — et ça passe. Les "
            "enfants n'en sauront jamais rien.");
}

}  // namespace
}  // namespace talewick
