// What the command line refuses, and how: one line on standard error in the user's language,
// naming what was wrong, nothing on standard output, exit status 2.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <system_error>

#include "support/loc.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"
#include "ui/error_text.hpp"

namespace talewick::ui {
namespace {

using testing::runCli;
using Result = testing::CliResult;
using Args = std::vector<std::string>;

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override { testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00"); }
  void TearDown() override {
    Loc::setLanguage(Loc::Language::fr);
    testing::forgetCommandHome();
  }

  // The refusal, checked for its shape; its one line without the line feed.
  static std::string refusal(const Args& args) {
    const Result r = runCli(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    return r.err.substr(0, r.err.find('\n'));
  }

  testing::TempFolder home{"command-line"};
};

TEST_F(CommandLine, TheParsersRefusalsAreOneLineInTheUsersLanguage) {
  struct Case {
    Loc::Language language;
    Args args;
    std::string expected;
  } cases[] = {
      {Loc::Language::fr,
       {"agenda", "extra"},
       "talewick : argument inattendu : « extra » (voir « talewick agenda --help »)"},
      {Loc::Language::fr,
       {"level", "1", "2", "3"},
       "talewick : arguments inattendus : « 2 3 » (voir « talewick level --help »)"},
      {Loc::Language::fr,
       {"frobnicate"},
       "talewick : commande inconnue : « frobnicate » (voir « talewick --help »)"},
      {Loc::Language::fr,
       {"move", "yoga", "--to", "10:00", "--duration", "abc"},
       "talewick : valeur invalide pour --duration : « abc » (voir « talewick move --help »)"},
      {Loc::Language::fr,
       {"level"},
       "talewick : argument manquant : xp (voir « talewick level --help »)"},
      {Loc::Language::fr,
       {"agenda", "--days"},
       "talewick : valeur manquante pour --days (voir « talewick agenda --help »)"},
      {Loc::Language::fr,
       {"agenda", "--nope"},
       "talewick : argument inattendu : « --nope » (voir « talewick agenda --help »)"},
      {Loc::Language::en,
       {"agenda", "extra"},
       "talewick : unexpected argument: “extra” (see “talewick agenda --help”)"},
      {Loc::Language::en,
       {"move", "yoga", "--to", "10:00", "--duration", "abc"},
       "talewick : invalid value for --duration: “abc” (see “talewick move --help”)"},
      {Loc::Language::en,
       {"frobnicate"},
       "talewick : unknown command: “frobnicate” (see “talewick --help”)"},
  };
  for (const Case& c : cases) {
    Loc::setLanguage(c.language);
    EXPECT_EQ(refusal(c.args), c.expected);
  }
}

TEST_F(CommandLine, ValuesTheParserWouldHaveTakenAreRefused) {
  struct Case {
    Args args;
    std::string named;  // a part of the message that says what was wrong
  } cases[] = {
      {{"agenda", "--days", "0x10"}, "--days attend un nombre entier entre 1 et 366 : « 0x10 »"},
      {{"agenda", "--days", "abc"}, "« abc »"},
      {{"agenda", "--days", "7.5"}, "« 7.5 »"},
      {{"agenda", "--days", "0"}, "entre 1 et 366"},
      {{"level", "-1"}, "XP attend un nombre entier entre 0 et 9223372036854775807 : « -1 »"},
      {{"level", "9223372036854775808"}, "« 9223372036854775808 »"},
      {{"level", "1e3"}, "« 1e3 »"},
      {{"sets", "create", ""}, "nom d'ensemble vide"},
      {{"sets", "create", "   "}, "nom d'ensemble vide"},
      {{"week", ""}, "date invalide : «  »"},
      {{"mode", ""}, "mode inconnu «  »"},
  };
  for (const Case& c : cases) {
    const std::string line = refusal(c.args);
    EXPECT_NE(line.find(c.named), std::string::npos) << line;
  }
  EXPECT_EQ(runCli({"agenda", "--days", "16", "--json"}).status, 0);
  EXPECT_EQ(runCli({"level", "0", "--json"}).status, 0);
}

TEST_F(CommandLine, ASetNameIsTakenOnce) {
  ASSERT_EQ(runCli({"sets", "create", "Maison"}).status, 0);
  for (const char* again : {"Maison", "maison", " MAISON "}) {
    const std::string line = refusal({"sets", "create", again});
    EXPECT_NE(line.find("un ensemble s'appelle déjà « Maison »"), std::string::npos) << line;
  }
  EXPECT_EQ(Json::parse(runCli({"sets", "--json"}).out).size(), 1u);
  EXPECT_EQ(runCli({"sets", "create", "Maisons"}).status, 0);
}

TEST_F(CommandLine, AFileSystemFailureIsOneLineNamingThePathAndTheReason) {
  // A data folder under a file: the cloud folder cannot be made, which the preferences note in
  // passing and the hero then needs. Said once, in French, with the path.
  home.write("plain", "x");
  ::setenv("TALEWICK_HOME", (home.path() / "plain" / "home").c_str(), 1);
  for (const Args& args : {Args{"hero"}, Args{"hero", "--json"}}) {
    const Result r = runCli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "talewick : " + (home.path() / "plain").string() +
                         " : un fichier occupe la place d'un dossier\n");
  }

  struct Case {
    std::errc code;
    Loc::Language language;
    std::string expected;
  } cases[] = {
      {std::errc::permission_denied, Loc::Language::fr, "/srv/cal/a.ics : permission refusée"},
      {std::errc::permission_denied, Loc::Language::en, "/srv/cal/a.ics: permission denied"},
      {std::errc::no_space_on_device, Loc::Language::fr,
       "/srv/cal/a.ics : plus de place sur le disque"},
  };
  for (const Case& c : cases) {
    Loc::setLanguage(c.language);
    const std::filesystem::filesystem_error fs("cannot write", "/srv/cal/a.ics",
                                               std::make_error_code(c.code));
    EXPECT_EQ(fileErrorText(fs), c.expected);
    const std::system_error ours(std::make_error_code(c.code), "cannot create /srv/cal/a.ics");
    EXPECT_EQ(fileErrorText(ours), c.expected);
  }
}

}  // namespace
}  // namespace talewick::ui
