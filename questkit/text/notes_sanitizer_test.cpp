// Event notes cleaned for display.
#include "text/notes_sanitizer.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

struct Cleaned {
  const char* notes;
  const char* shown;
};

TEST(NotesSanitizer, HtmlBecomesLines) {
  const Cleaned cases[] = {
      {"<p>Bonjour</p><p>Ordre du jour</p>", "Bonjour\nOrdre du jour"},
      {"Un<br>Deux<BR/>Trois<br />Quatre", "Un\nDeux\nTrois\nQuatre"},
      {"<ul><li>Épée</li><LI>Bouclier</LI></ul>", "Épée\nBouclier"},
      {"<div><b>Gras</b> et <i>italique</i></div>", "Gras et italique"},
      {"<table><tr><td>A</td></tr><tr><td>B</td></tr></table>", "A\nB"},
      {"a < b et c > d", "a  d"},  // what looks like a tag goes, as any tag would
      {"Fin   \t\nSuite", "Fin\nSuite"},
      {"Un\n\n\n\n\nDeux", "Un\n\nDeux"},
      {"\r\nUn\r\n\r\n\r\n\r\nDeux\rTrois  ", "Un\n\nDeux\nTrois"},
  };
  for (const Cleaned& c : cases) EXPECT_EQ(NotesSanitizer::sanitizedForDisplay(c.notes), c.shown);
  EXPECT_EQ(NotesSanitizer::sanitizedForDisplay(std::nullopt), "");
  EXPECT_EQ(NotesSanitizer::sanitizedForDisplay(""), "");
}

TEST(NotesSanitizer, DropsInvitationBoilerplate) {
  const std::string zoom =
      "Léa vous invite à une réunion.\n"
      "────\n"
      "Join Zoom Meeting\n"
      "https://zoom.us/j/123\n"
      "\n"
      "Meeting ID: 123 456 7890\n"
      "Passcode: 42\n"
      "---\n"
      "Ordre du jour : budget du royaume\n"
      "  ====  \n"
      "ID de réunion : 812 3\n"
      "Code secret : 1\n"
      "Passcode: aB3xY9\n"
      "Besoin d’aide ?\n"
      "...\n"
      "…\n"
      "Invitation from Google Calendar";
  EXPECT_EQ(NotesSanitizer::sanitizedForDisplay(zoom),
            "Léa vous invite à une réunion.\n────\nhttps://zoom.us/j/123\n\n"
            "Ordre du jour : budget du royaume");
}

TEST(NotesSanitizer, KeepsWhatOnlyLooksLikeBoilerplate) {
  const Cleaned cases[] = {
      {"Meeting identity review", "Meeting identity review"},  // a phrase ends at a word
      {"Identifiant du dragon : 7", "Identifiant du dragon : 7"},
      {"- acheter du pain", "- acheter du pain"},
      {"... et après ?", "... et après ?"},
      {"Le code secret du coffre est dans le tiroir",
       "Le code secret du coffre est dans le tiroir"},
      {"Code secret du portail : 1234", "Code secret du portail : 1234"},
      {"Mot de passe wifi : dragon 42", "Mot de passe wifi : dragon 42"},
  };
  for (const Cleaned& c : cases) EXPECT_EQ(NotesSanitizer::sanitizedForDisplay(c.notes), c.shown);
}

TEST(NotesSanitizer, DropsDatedRostersOnly) {
  EXPECT_EQ(NotesSanitizer::sanitizedForDisplay("Séances :\n2026-01-05 Léa\n2026-1-12 Hugo\n"
                                                "2026-01-19\tZoé\nBonne saison"),
            "Séances :\nBonne saison");
  // Two dated lines are the user's own.
  EXPECT_EQ(NotesSanitizer::sanitizedForDisplay("2026-03-01 Lancement\n2026-03-15 Bilan"),
            "2026-03-01 Lancement\n2026-03-15 Bilan");
  // A date must be followed by white space to lead a line.
  EXPECT_EQ(NotesSanitizer::sanitizedForDisplay("2026-01-05:a\n2026-01-06:b\n2026-01-07:c"),
            "2026-01-05:a\n2026-01-06:b\n2026-01-07:c");
}

}  // namespace
}  // namespace talewick
