// `talewick boss` over a temporary home: overdue reminders raise the week's boss, ticking them
// deals its damage, the final reward is paid once, and the next Monday archives it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class BossCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    ::unsetenv("TALEWICK_REMINDERS_DIR");
    reminder("facture", "Payer la facture", false);
    reminder("dossier", "Rendre le dossier", false);
  }
  void TearDown() override { testing::forgetCommandHome(); }

  // A reminder of the list "taches" that was due on Monday 7 December.
  void reminder(const std::string& uid, const std::string& summary, bool ticked) {
    home.write("reminders/taches/" + uid + ".ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VTODO\r\nUID:" + uid +
                   "\r\nDTSTAMP:20261201T000000Z\r\nSUMMARY:" + summary +
                   "\r\nDUE;VALUE=DATE:20261207\r\n" +
                   (ticked ? "STATUS:COMPLETED\r\nCOMPLETED:20261209T100000Z\r\n" : "") +
                   "END:VTODO\r\nEND:VCALENDAR\r\n");
  }
  static testing::CliResult boss() {
    testing::CliResult r = testing::runCli({"boss"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r;
  }
  static bool says(const testing::CliResult& r, const std::string& text) {
    return r.out.find(text) != std::string::npos;
  }

  testing::TempFolder home{"boss-command"};
};

TEST_F(BossCommand, OverdueWorkMakesTheBossItsTicksWoundItAndItsFallPaysOnce) {
  const testing::CliResult first = boss();
  EXPECT_TRUE(says(first, "Boss de la semaine 2026-W50 : L'Hydre des retards — 2/2 PV"))
      << first.out;
  EXPECT_TRUE(says(first, "[ ] Payer la facture (en retard)")) << first.out;
  EXPECT_TRUE(says(first, "Restent 2 objectifs — récompense finale : +200 XP, +60 or"))
      << first.out;
  const testing::CliResult kingdom = testing::runCli({"kingdom"});
  EXPECT_TRUE(says(kingdom, "Boss de la semaine : L'Hydre des retards — 2/2 PV")) << kingdom.out;

  reminder("facture", "Payer la facture", true);
  const Json wounded = testing::runCliJson({"boss"});
  EXPECT_EQ(wounded["weekKey"], "2026-W50");
  EXPECT_EQ(wounded["summary"]["damage"], 1);
  EXPECT_EQ(wounded["summary"]["maxHP"], 2);
  EXPECT_EQ(wounded["boss"]["objectives"][0]["completed"], true);

  reminder("dossier", "Rendre le dossier", true);
  const std::string paid = "+200 XP, +60 or — Boss de la semaine « L'Hydre des retards » terrassé";
  const testing::CliResult felled = boss();
  EXPECT_TRUE(says(felled, paid)) << felled.out;
  EXPECT_TRUE(says(felled, "Terrassé : +200 XP, +60 or gagnés.")) << felled.out;
  EXPECT_FALSE(says(boss(), paid));
  EXPECT_FALSE(says(testing::runCli({"kingdom"}), paid));

  // Monday: the week gone by is told once, and nothing is overdue to make a new boss.
  ::setenv("TALEWICK_NOW", "2026-12-14T00:00:00+01:00", 1);
  const testing::CliResult monday = boss();
  EXPECT_TRUE(says(monday, "Semaine 2026-W50 — L'Hydre des retards : terrassé")) << monday.out;
  EXPECT_TRUE(says(monday, "Aucun boss cette semaine")) << monday.out;
  EXPECT_FALSE(says(boss(), "Semaine 2026-W50"));
  const Json chronicle = testing::runCliJson({"boss", "chronicle"});
  ASSERT_EQ(chronicle.size(), 1u);
  EXPECT_EQ(chronicle[0]["seen"], true);
  EXPECT_EQ(chronicle[0]["boss"]["finalCredited"], true);
  EXPECT_TRUE(testing::runCliJson({"boss"})["boss"].is_null());
}

TEST_F(BossCommand, BadArgumentsAreRefusedAndWriteNothing) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"boss", "nope"}, {"boss", "chronicle", "--bad"}, {"boss", "chronicle", "extra"}}) {
    const testing::CliResult r = testing::runCli(args);
    EXPECT_EQ(r.status, 2) << args.back() << ": " << r.out;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(home.read("weekboss-v1.json"), "<absent>");
}

}  // namespace
}  // namespace talewick::ui
