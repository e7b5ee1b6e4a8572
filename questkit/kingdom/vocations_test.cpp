// Vocation ids, start statistics, passives, presentations, and the paid changes of vocation and
// of narrative mode.
#include "kingdom/vocations.hpp"

#include <gtest/gtest.h>

#include <set>

#include "game/archetypes.hpp"
#include "support/content.hpp"
#include "support/loc.hpp"

namespace talewick {
namespace {

Hero heroWith(std::optional<std::string> vocation, int64_t gold, Stats stats = ZERO_STATS) {
  Hero h;
  h.name = "Aurèle";
  h.totalXp = 1234;
  h.streak = 4;
  h.vocation = std::move(vocation);
  h.gold = gold;
  h.stats = stats;
  return h;
}

// Switches to English for one test and back to French however the test ends.
struct EnglishForThisScope {
  EnglishForThisScope() { Loc::setLanguage(Loc::Language::en); }
  ~EnglishForThisScope() { Loc::setLanguage(Loc::Language::fr); }
};

TEST(Vocations, IdsResolveInAnyLetterCaseAndUnknownOnesToNothing) {
  for (const char* id : {"Paladin", "PALADIN", "gardien", "GarDien"}) {
    EXPECT_EQ(Vocations::role(id), VocationRole::gardien) << id;
  }
  EXPECT_EQ(Vocations::role("MAGE"), VocationRole::erudit);
  EXPECT_EQ(Vocations::role("Berserk"), VocationRole::bourrin);
  EXPECT_EQ(Vocations::role("Rodeur"), VocationRole::funambule);
  EXPECT_EQ(Vocations::role(std::nullopt), std::nullopt);
  for (const char* id : {"", "barde", "paladins", "pala"}) {
    EXPECT_EQ(Vocations::role(id), std::nullopt) << id;
    EXPECT_EQ(Vocations::passive(id), std::nullopt) << id;
    EXPECT_EQ(Vocations::display(id, RPGMode::comic), std::nullopt) << id;
  }
  EXPECT_EQ(Vocations::startStats(VocationRole::erudit), (Stats{0, 60, 6, 0, 16}));
}

TEST(Vocations, PassivesAreSmallDistinctAndAimAtRealArchetypes) {
  std::set<std::string> favoured;
  for (VocationRole r : allCases<VocationRole>()) {
    SCOPED_TRACE(std::string(rawValue(r)));
    const ItemMods mods = Vocations::passive(r);
    EXPECT_NE(mods, ItemMods{});
    // A misspelt archetype id would make the bonus silently never apply.
    ASSERT_TRUE(mods.archetypeXp);
    EXPECT_NE(Archetypes::byId(mods.archetypeXp->archetype), nullptr)
        << mods.archetypeXp->archetype;
    EXPECT_GT(mods.archetypeXp->mult, 1.0);
    EXPECT_LE(mods.archetypeXp->mult, 1.15);
    EXPECT_LE(mods.xpMult.value_or(1.0), 1.05);
    favoured.insert(mods.archetypeXp->archetype);
    // Any accepted id of the role gives the same passive.
    EXPECT_EQ(Vocations::passive(std::string(rawValue(r))), mods);
  }
  EXPECT_EQ(favoured.size(), 4u);
  EXPECT_EQ(Vocations::passive("Paladin"), Vocations::passive(VocationRole::gardien));
  EXPECT_EQ(Vocations::passive("berserk"), Vocations::passive(VocationRole::bourrin));
}

TEST(Vocations, EveryRoleHasAPresentationInEveryMode) {
  for (RPGMode mode : allCases<RPGMode>()) {
    SCOPED_TRACE(std::string(rawValue(mode)));
    std::set<std::string> names;
    for (VocationRole r : allCases<VocationRole>()) {
      const VocationDisplay d = Vocations::display(r, mode);
      EXPECT_FALSE(d.name.empty()) << rawValue(r);
      EXPECT_FALSE(d.emoji.empty()) << rawValue(r);
      EXPECT_FALSE(d.tagline.empty()) << rawValue(r);
      names.insert(d.name);
    }
    // Two roles sharing a name in one mode would be indistinguishable on the picker.
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(Vocations::display("MAGE", mode), Vocations::display(VocationRole::erudit, mode));
  }
  // The same role reads differently from one mode to the next.
  EXPECT_NE(Vocations::display(VocationRole::bourrin, RPGMode::darkEpic).name,
            Vocations::display(VocationRole::bourrin, RPGMode::fairyTale).name);
}

TEST(Vocations, EnglishPresentationsComeFromTheTranslations) {
  const Json english = content::json("en/vocations.json");
  size_t expected = 0;
  {
    EnglishForThisScope en;
    for (VocationRole r : allCases<VocationRole>()) {
      for (RPGMode mode : allCases<RPGMode>()) {
        const std::string key =
            "vocation." + std::string(rawValue(r)) + "." + std::string(rawValue(mode)) + ".";
        SCOPED_TRACE(key);
        const VocationDisplay d = Vocations::display(r, mode);
        ASSERT_TRUE(english.contains(key + "name"));
        ASSERT_TRUE(english.contains(key + "tagline"));
        EXPECT_EQ(d.name, english[key + "name"].get<std::string>());
        EXPECT_EQ(d.tagline, english[key + "tagline"].get<std::string>());
        expected += 2;
      }
    }
  }
  // No stray key: a translation under a misspelt key would never be shown.
  EXPECT_EQ(english.size(), expected);
  // Back in French, the French texts return.
  EXPECT_NE(Vocations::display(VocationRole::gardien, RPGMode::heroicPapa).name,
            english["vocation.gardien.heroicPapa.name"].get<std::string>());
}

TEST(Vocations, ChangeFailures) {
  using Vocations::ChangeError;
  using Vocations::changeVocation;
  // The id is checked first: an unknown role with no gold is still an unknown role.
  EXPECT_EQ(std::get<ChangeError>(changeVocation(heroWith("gardien", 1000), "barde", 150)),
            ChangeError::unknownRole);
  EXPECT_EQ(std::get<ChangeError>(changeVocation(heroWith("gardien", 0), "", 150)),
            ChangeError::unknownRole);
  // The current role under another id or letter case is the same role, even when unaffordable.
  EXPECT_EQ(std::get<ChangeError>(changeVocation(heroWith("paladin", 0), "GARDIEN", 150)),
            ChangeError::sameRole);
  EXPECT_EQ(std::get<ChangeError>(changeVocation(heroWith("Erudit", 500), "mage", 150)),
            ChangeError::sameRole);
  EXPECT_EQ(std::get<ChangeError>(changeVocation(heroWith("gardien", 149), "mage", 150)),
            ChangeError::insufficientGold);
  EXPECT_EQ(std::get<ChangeError>(changeVocation(heroWith("gardien", 149), "mage")),
            ChangeError::insufficientGold);
}

TEST(Vocations, ChangeChargesAndStoresTheNewRole) {
  const Hero before = heroWith("Paladin", 150, Vocations::startStats(VocationRole::gardien));
  const auto result = Vocations::changeVocation(before, "Berserk");
  ASSERT_TRUE(std::holds_alternative<Hero>(result));
  const Hero& after = std::get<Hero>(result);
  EXPECT_EQ(after.gold, 0);
  EXPECT_EQ(after.vocation, "bourrin");
  EXPECT_EQ(after.stats, Vocations::startStats(VocationRole::bourrin));
  // Nothing else of the hero moves.
  Hero expected = before;
  expected.gold = after.gold;
  expected.vocation = after.vocation;
  expected.stats = after.stats;
  EXPECT_EQ(after, expected);

  const auto free = Vocations::changeVocation(before, "mage", -40);
  ASSERT_TRUE(std::holds_alternative<Hero>(free));
  EXPECT_EQ(std::get<Hero>(free).gold, 150);
}

TEST(Vocations, ChangeExchangesStartDeltasAndKeepsWhatWasEarned) {
  // From one role's start to another's, whatever the pair.
  for (VocationRole from : allCases<VocationRole>()) {
    for (VocationRole to : allCases<VocationRole>()) {
      if (from == to) continue;
      const auto result = Vocations::changeVocation(
          heroWith(std::string(rawValue(from)), 200, Vocations::startStats(from)), rawValue(to),
          150);
      ASSERT_TRUE(std::holds_alternative<Hero>(result)) << rawValue(from) << rawValue(to);
      EXPECT_EQ(std::get<Hero>(result).stats, Vocations::startStats(to))
          << rawValue(from) << " → " << rawValue(to);
    }
  }
  // A seasoned erudit keeps the wisdom earned beyond the start delta.
  const auto seasoned =
      Vocations::changeVocation(heroWith("erudit", 500, Stats{40, 50, 120, 30, 35}), "rodeur", 0);
  EXPECT_EQ(std::get<Hero>(seasoned).stats, (Stats{40, 58, 114, 30, 39}));
  // A hero without a vocation only gains the new delta.
  const auto first = Vocations::changeVocation(heroWith(std::nullopt, 150), "gardien", 150);
  EXPECT_EQ(std::get<Hero>(first).stats, Vocations::startStats(VocationRole::gardien));
}

TEST(Vocations, ChangeHoldsStatsToTheirBounds) {
  // A gardien whose love was spent below the delta does not go negative.
  const auto spent =
      Vocations::changeVocation(heroWith("gardien", 150, Stats{2, 60, 0, 0, 20}), "bourrin", 150);
  EXPECT_EQ(std::get<Hero>(spent).stats, (Stats{0, 60, 0, 6, 20}));
  // Energy and chaos stay gauges out of 100.
  const auto capped =
      Vocations::changeVocation(heroWith("erudit", 150, Stats{0, 97, 10, 0, 98}), "funambule", 150);
  EXPECT_EQ(std::get<Hero>(capped).stats, (Stats{0, 100, 4, 0, 100}));
}

TEST(ModeSwitch, CostsThreeHundredGoldAndNeverBuysTheSameMode) {
  using ModeSwitch::PurchaseError;
  for (int64_t gold : {0, 300, 100000}) {
    const auto same =
        ModeSwitch::purchaseSwitch(heroWith(std::nullopt, gold), RPGMode::comic, RPGMode::comic);
    EXPECT_EQ(std::get<PurchaseError>(same), PurchaseError::sameMode) << gold;
  }
  const auto poor =
      ModeSwitch::purchaseSwitch(heroWith("bourrin", 299), RPGMode::donjon, RPGMode::heroicPapa);
  EXPECT_EQ(std::get<PurchaseError>(poor), PurchaseError::insufficientGold);

  const Hero before = heroWith("bourrin", 300);
  Hero expected = before;
  expected.gold = 0;
  EXPECT_EQ(
      std::get<Hero>(ModeSwitch::purchaseSwitch(before, RPGMode::donjon, RPGMode::heroicPapa)),
      expected);
  const auto negative = ModeSwitch::purchaseSwitch(heroWith(std::nullopt, 80), RPGMode::comic,
                                                   RPGMode::darkEpic, -50);
  EXPECT_EQ(std::get<Hero>(negative).gold, 80);
}

}  // namespace
}  // namespace talewick
