// Composing epic names from real titles.
#include "text/title_composer.hpp"

#include <gtest/gtest.h>

#include "game/archetypes.hpp"
#include "game/classifier.hpp"
#include "support/text.hpp"

namespace talewick {
namespace {

TEST(TitleComposer, StripsOneLeadingArticle) {
  EXPECT_EQ(TitleComposer::stripLeadingArticle("  La Quête de Léa "), "Quête de Léa");
  EXPECT_EQ(TitleComposer::stripLeadingArticle("L'Épreuve dite Orion"), "Épreuve dite Orion");
  EXPECT_EQ(TitleComposer::stripLeadingArticle("L’Heure aux Mille Possibles"),
            "Heure aux Mille Possibles");
  EXPECT_EQ(TitleComposer::stripLeadingArticle("THE Last Stand"), "Last Stand");
  EXPECT_EQ(TitleComposer::stripLeadingArticle("Les"), "Les");  // a lone word is kept
  EXPECT_EQ(TitleComposer::stripLeadingArticle("Lecture du soir"), "Lecture du soir");
  EXPECT_EQ(TitleComposer::stripLeadingArticle("Orion : le Duel"), "Orion : le Duel");
}

TEST(TitleComposer, SubjectPrefersNamesAndSkipsFillerWords) {
  EXPECT_EQ(TitleComposer::extractSubject("Déjeuner avec Marie"), "Marie");
  EXPECT_EQ(TitleComposer::extractSubject("Point projet Orion"), "Orion");
  EXPECT_EQ(TitleComposer::extractSubject("Dentiste"), "Dentiste");
  EXPECT_EQ(TitleComposer::extractSubject("appel banque"), "Banque");
  EXPECT_EQ(TitleComposer::extractSubject("réunion d'équipe"), std::nullopt);
  EXPECT_EQ(TitleComposer::extractSubject("RDV 14h30 chez le dr"), std::nullopt);
  EXPECT_EQ(TitleComposer::extractSubject(""), std::nullopt);
  EXPECT_EQ(TitleComposer::extractSubject("anti-inflammatoires-extraordinairement"),
            "Extraordinairement");
  EXPECT_EQ(TitleComposer::extractSubject("Anti-inflammatoires"), "Anti");
  EXPECT_EQ(TitleComposer::clip("Anticonstitutionnellement-x"), "Anticonstitutionnelleme…");
  EXPECT_EQ(TitleComposer::clip("court"), "court");
}

TEST(TitleComposer, NamesFitTheBudgetAndNeverStartWithAnArticle) {
  const char* titles[] = {"Réunion",
                          "Déjeuner avec Marie",
                          "Footing au parc",
                          "",
                          "Présentation client Orion",
                          "Anniversaire de Léa 🎂",
                          "point",
                          "Le grand ménage",
                          "Les courses",
                          "Super-long-titre-magnifique"};
  const char* articles[] = {"Le ", "La ", "Les ", "Un ", "Une ", "Des ", "The ", "L'", "L’"};
  for (RPGMode mode : allCases<RPGMode>()) {
    for (const char* title : titles) {
      const Archetype& a = Classifier::classify(title);
      for (int v = 0; v < 6; ++v) {
        const std::string name =
            TitleComposer::variantQuestName(title, a, "seed|2026-12-05", mode, v);
        SCOPED_TRACE(name);
        EXPECT_FALSE(name.empty());
        for (const char* article : articles) EXPECT_FALSE(name.starts_with(article));
        if (TitleComposer::extractSubject(title)) {
          EXPECT_NE(name.find(*TitleComposer::extractSubject(title)), std::string::npos);
        }
      }
    }
  }
}

TEST(TitleComposer, PicksAreHashesOfTheSeed) {
  const Archetype& reunion = *Archetypes::byId("reunion");
  // No subject: the archetype's names, picked by hash(seed + id).
  const std::string name =
      TitleComposer::composeQuestName("réunion", reunion, "s", RPGMode::heroicPapa);
  const auto index = TitleComposer::hash("sreunion") % 5;
  EXPECT_EQ(name, TitleComposer::stripLeadingArticle(reunion.questNames[index]));
  // With a subject: templates from hash(seed + id + "subj"), the first within budget.
  const auto& templates = TitleComposer::subjectTemplates();
  const auto start = TitleComposer::hash("sreunionsubj") % 8;
  std::string expected = templates[start];
  expected.replace(expected.find("{x}"), 3, "Orion");
  EXPECT_EQ(TitleComposer::composeQuestName("Point Orion", reunion, "s", RPGMode::heroicPapa),
            TitleComposer::stripLeadingArticle(expected));
}

TEST(TitleComposer, ALongSubjectSkipsTemplatesOverTheBudget) {
  const Archetype& a = *Archetypes::byId("reunion");
  // With a 23-character subject only "Donjon {x}" (30) and "Pacte {x}" (29) fit.
  for (const char* seed : {"a", "b", "c", "d", "e", "f"}) {
    const std::string name = TitleComposer::composeQuestName("Point Abracadabrantissimesque", a,
                                                             seed, RPGMode::heroicPapa);
    EXPECT_TRUE(name == "Donjon Abracadabrantissimesque" || name == "Pacte Abracadabrantissimesque")
        << name;
  }
}

}  // namespace
}  // namespace talewick
