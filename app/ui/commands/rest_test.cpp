// `talewick rest` as a user meets it: declaring ahead, a day gone refused, declaring twice,
// cancelling, and the list.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class RestCommand : public ::testing::Test {
 protected:
  void SetUp() override { testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00"); }
  void TearDown() override { testing::forgetCommandHome(); }

  std::string file() const { return home.read("kingdom-rest-v1.json"); }

  testing::TempFolder home{"rest-command"};
};

TEST_F(RestCommand, DaysTodayOrAheadAreDeclaredOnceAndListed) {
  testing::CliResult r = testing::runCli({"rest", "2026-12-09", "2026-12-24"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Repos déclaré le 2026-12-09.\nRepos déclaré le 2026-12-24.\n");

  r = testing::runCli({"rest", "2026-12-24"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Le 2026-12-24 est déjà un jour de repos.\n");

  r = testing::runCli({"rest"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Jours de repos déclarés :\n  2026-12-09 (déclaré le 2026-12-09)\n"
            "  2026-12-24 (déclaré le 2026-12-09)\n");
  EXPECT_EQ(testing::runCliJson({"rest"}),
            Json::parse(R"({"restDeclarations":{"2026-12-09":"2026-12-09",)"
                        R"("2026-12-24":"2026-12-09"}})"));
}

TEST_F(RestCommand, CancellingTakesTheDayBackOnce) {
  ASSERT_EQ(testing::runCli({"rest", "2026-12-24"}).status, 0);
  testing::CliResult r = testing::runCli({"rest", "--cancel", "2026-12-24"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Repos du 2026-12-24 annulé.\n");
  r = testing::runCli({"rest", "--cancel", "2026-12-24"});
  EXPECT_EQ(r.out, "Aucun repos n'était déclaré le 2026-12-24.\n");
  EXPECT_EQ(testing::runCli({"rest"}).out, "Aucun jour de repos déclaré.\n");
  EXPECT_EQ(testing::runCli({"rest", "2026-12-25", "--cancel", "2026-12-24"}).status, 2);
}

TEST_F(RestCommand, ABadOrBygoneDayIsRefusedAndNothingIsWritten) {
  struct Refused {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Refused> cases = {
      {{"rest", "2026-12-24", "2026-12-08"},
       "2026-12-08 est passé : un repos se déclare le jour même ou à l'avance"},
      {{"rest", "2026-12-24", "24/12/2026"}, "date invalide : « 24/12/2026 »"},
      {{"rest", "2026-02-30"}, "date invalide : « 2026-02-30 »"},
      {{"rest", "2026-12-24T10:00"}, "date invalide : « 2026-12-24T10:00 »"},
      {{"rest", "\x1b[31m2026"}, "date invalide : « "},
      {{"rest", "--cancel", "demain"}, "date invalide : « demain »"},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.args.back());
    const testing::CliResult r = testing::runCli(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(file(), "<absent>");
  }
}

TEST_F(RestCommand, ADamagedFileListsAsEmptyAndIsReplacedByTheNextDeclaration) {
  home.write("kingdom-rest-v1.json", "{\"restDeclarations\": {\"2026-12-");
  testing::CliResult r = testing::runCli({"rest"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Aucun jour de repos déclaré.\n");
  EXPECT_NE(r.err.find("endommagé"), std::string::npos) << r.err;
  ASSERT_EQ(testing::runCli({"rest", "2026-12-10"}).status, 0);
  EXPECT_EQ(Json::parse(file()),
            Json::parse(R"({"restDeclarations":{"2026-12-10":"2026-12-09"}})"));
}

}  // namespace
}  // namespace talewick::ui
