// Normalisation, archetype classification, biomes, bands and threat tiers.
#include "game/classifier.hpp"

#include <gtest/gtest.h>

#include "game/keyword_automaton.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::localDate;

TEST(Normalize, FoldsAndKeepsOnlyLettersAndDigits) {
  EXPECT_EQ(Classifier::normalize("Réunion d'équipe (Zoom)!"), "reunion d equipe zoom");
  EXPECT_EQ(Classifier::normalize("  --RDV__14h30  "), "rdv 14h30");
  EXPECT_EQ(Classifier::normalize("Cœur Straße"), "c ur stra e");  // no a–z form: a space
  EXPECT_EQ(Classifier::normalize("!!! ..."), "");
}

TEST(Classify, ScoresKeywordsAndBreaksTiesByRow) {
  EXPECT_EQ(Classifier::classify("Deadline sprint").id, "echeance");
  EXPECT_EQ(Classifier::classify("").id, "inconnu");
  EXPECT_EQ(Classifier::classify("?!").id, "inconnu");
  EXPECT_EQ(Classifier::classify("Xylophone quantique").id, "inconnu");
  // "sport" sits inside "transport" (2 each): the earlier row, sport, wins the tie.
  EXPECT_EQ(Classifier::classify("Transport").id, "sport");
  // "soiree" belongs to social_amis and rdv_amoureux; "romantique" tips it.
  EXPECT_EQ(Classifier::classify("Soirée").id, "social_amis");
  EXPECT_EQ(Classifier::classify("Soirée romantique").id, "rdv_amoureux");
  // A keyword holding a space scores 3: "cache-cache" counts twice in its row (as listed twice).
  EXPECT_EQ(Classifier::classify("Partie de cache-cache").id, "jeu_avec_enfant");
  EXPECT_EQ(Classifier::classify("Réunion d'équipe").id, "reunion");
  EXPECT_EQ(Classifier::classify("RDV pédiatre").id, "rdv_medical");
}

TEST(Classify, AKeywordRepeatedInTheTitleScoresOnce) {
  // "point" twice would outscore one multi-word keyword if counted per occurrence.
  EXPECT_EQ(Classifier::classify("point point point rh").id, "entretien_embauche");
}

TEST(KeywordAutomaton, FindsOverlappingAndNestedKeywords) {
  KeywordAutomaton automaton({"he", "she", "his", "hers", "", "x!"});
  std::vector<int> found;
  automaton.forEachMatch("ushers", [&](int k) { found.push_back(k); });
  EXPECT_EQ(found, (std::vector<int>{1, 0, 3}));
}

TEST(TimeOfDay, BandsByLocalHour) {
  EXPECT_EQ(Classifier::timeOfDay(localDate(2026, 12, 5, 4, 59)), TimeOfDay::nuit);
  EXPECT_EQ(Classifier::timeOfDay(localDate(2026, 12, 5, 5, 0)), TimeOfDay::aube);
  EXPECT_EQ(Classifier::timeOfDay(localDate(2026, 12, 5, 8, 59)), TimeOfDay::aube);
  EXPECT_EQ(Classifier::timeOfDay(localDate(2026, 12, 5, 9, 0)), TimeOfDay::jour);
  EXPECT_EQ(Classifier::timeOfDay(localDate(2026, 12, 5, 18, 0)), TimeOfDay::soir);
  EXPECT_EQ(Classifier::timeOfDay(localDate(2026, 12, 5, 22, 0)), TimeOfDay::nuit);
}

TEST(Biome, WholeWordsOrMultiWordSubstringsFirstRowWins) {
  EXPECT_EQ(Classifier::biomeKey("Salle de sport du quartier"), "gym");
  EXPECT_EQ(Classifier::biomeKey("Supermarché Carrefour"), "supermarket");
  EXPECT_EQ(Classifier::biomeKey("Café de la gare"), "restaurant");
  EXPECT_EQ(Classifier::biomeKey("Chez Mamie"), "family");
  EXPECT_EQ(Classifier::biomeKey("Barcelone"), std::nullopt);  // "bar" is a word, not a prefix
  EXPECT_EQ(Classifier::biomeKey(""), std::nullopt);
  EXPECT_EQ(Classifier::biomeKey(std::nullopt), std::nullopt);
  EXPECT_EQ(Classifier::biomeFor("Parc Monceau", RPGMode::heroicPapa), "la Clairière");
  const auto darkPark = Classifier::biomeFor("Parc Monceau", RPGMode::darkEpic);
  ASSERT_TRUE(darkPark);
  EXPECT_NE(*darkPark, "la Clairière");
}

TEST(Threat, TierBoundsAndScoreParts) {
  EXPECT_EQ(Classifier::threatTier(22), 1);
  EXPECT_EQ(Classifier::threatTier(22.01), 2);
  EXPECT_EQ(Classifier::threatTier(38), 2);
  EXPECT_EQ(Classifier::threatTier(58), 3);
  EXPECT_EQ(Classifier::threatTier(85), 4);
  EXPECT_EQ(Classifier::threatTier(85.5), 5);

  auto parts = Classifier::threatParts(40, 0, TimeOfDay::jour, 0.5);
  EXPECT_DOUBLE_EQ(*parts.intensityMult, 1.15);
  EXPECT_DOUBLE_EQ(parts.score, 46);
  EXPECT_DOUBLE_EQ(*Classifier::threatParts(40, 0, TimeOfDay::jour, 1.7).intensityMult, 1.6);
  EXPECT_DOUBLE_EQ(*Classifier::threatParts(40, 0, TimeOfDay::jour, -3).intensityMult, 0.7);
  EXPECT_FALSE(Classifier::threatParts(40, 0, TimeOfDay::jour, NAN).intensityMult);

  // Attendees add before the night multiplies: (20 + 12) × 1.25.
  parts = Classifier::threatParts(20, 3, TimeOfDay::nuit, std::nullopt);
  EXPECT_EQ(parts.attendeesBonus, 12);
  EXPECT_TRUE(parts.isNight);
  EXPECT_DOUBLE_EQ(parts.score, 40);
  EXPECT_EQ(Classifier::threatParts(20, 50, TimeOfDay::jour, std::nullopt).attendeesBonus, 20);
}

TEST(Threat, LabelsComeFromTheModesBestiary) {
  const Threat t = Classifier::threatFor(86, "echeance", RPGMode::heroicPapa);
  EXPECT_EQ(t, (Threat{5, "Léviathan de l'Échéance de Minuit", "💥"}));
  EXPECT_EQ(Classifier::threatFor(10, "couche_bebe", RPGMode::heroicPapa).label, "Remugle Furtif");
}

}  // namespace
}  // namespace talewick
