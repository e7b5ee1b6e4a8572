// The deed catalogue: complete, addressable by id, translated under the keys the code reads.
#include "game/achievements.hpp"

#include <gtest/gtest.h>

#include <set>

#include "support/content.hpp"

namespace talewick {
namespace {

TEST(Achievements, CatalogueIsCompleteAndOrdered) {
  const auto& all = Achievements::deeds();
  ASSERT_EQ(all.size(), 18u);
  EXPECT_EQ(all.front().id, "tueur_dragons");
  EXPECT_EQ(all.back().id, "fleautueur");
  std::set<std::string> ids;
  for (const Deed& d : all) {
    SCOPED_TRACE(d.id);
    ids.insert(d.id);
    EXPECT_FALSE(d.title.empty());
    EXPECT_FALSE(d.emoji.empty());
    EXPECT_FALSE(d.description.empty());
  }
  EXPECT_EQ(ids.size(), all.size());
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
}

TEST(Achievements, WorldBossDeedIsInTheCatalogue) {
  const Deed* deed = Achievements::deed(Achievements::worldBossDeedID);
  ASSERT_NE(deed, nullptr);
  // The last row: the only deed no hero can unlock alone.
  EXPECT_EQ(deed, &Achievements::deeds().back());
}

TEST(Achievements, EveryDeedIsTranslated) {
  const Json english = content::json("en/deeds.json");
  for (const Deed& d : Achievements::deeds()) {
    for (const char* field : {"title", "description"}) {
      const std::string key = "deed." + d.id + "." + field;
      ASSERT_TRUE(english.contains(key)) << key;
      EXPECT_FALSE(english[key].get<std::string>().empty()) << key;
    }
  }
  // No stray key: a translation under a misspelt id would never be shown.
  EXPECT_EQ(english.size(), 2 * Achievements::deeds().size());
}

}  // namespace
}  // namespace talewick
