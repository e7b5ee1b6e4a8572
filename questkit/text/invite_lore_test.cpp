// The story line of an invitation follows the kind of activity its title names.
#include "text/invite_lore.hpp"

#include <gtest/gtest.h>

#include "game/classifier.hpp"
#include "support/loc.hpp"

namespace talewick {
namespace {

TEST(InviteLore, TheTitlesArchetypeChoosesTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"Réunion d'équipe", "On te convoque à la table ronde — le conseil n'attend que toi."},
      {"Apéro chez Léa", "La compagnie se rassemble — l'aventure est meilleure à plusieurs."},
      {"Dentiste", "Une étape sur le chemin — on compte sur ta présence."},
      {"Courses au supermarché", "Expédition aux mille rayons : la compagnie est la bienvenue."},
      {"Grand ménage de printemps",
       "Grand nettoyage du château en vue — toute aide vaillante est honorée."},
  };
  for (const auto& [title, expected] : cases) EXPECT_EQ(InviteLore::line(title), expected) << title;
}

TEST(InviteLore, ArchetypesWithoutALineGetTheGeneralOne) {
  const std::string general = "Une nouvelle page de l'épopée s'ouvre — et ton nom y figure.";
  EXPECT_EQ(InviteLore::line("xqzw"), general);  // nothing recognised
  ASSERT_EQ(Classifier::classify("Télétravail").id, "teletravail");
  EXPECT_EQ(InviteLore::line("Télétravail"), general);  // recognised, but no line of its own
}

TEST(InviteLore, EnglishLinesExistForEveryArchetypeWithOne) {
  Loc::setLanguage(Loc::Language::en);
  const std::string meeting = InviteLore::line("Réunion d'équipe");
  const std::string general = InviteLore::line("xqzw");
  Loc::setLanguage(Loc::Language::fr);
  EXPECT_EQ(meeting, "You are summoned to the round table — the council awaits only you.");
  EXPECT_EQ(general, "A new page of the saga opens — and your name is on it.");
}

}  // namespace
}  // namespace talewick
