// `talewick kingdom` as a user meets it: what an empty home earns, and a day whose verdict must
// not contradict the kingdom's judgement.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class KingdomCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    ::unsetenv("TALEWICK_REMINDERS_DIR");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  testing::TempFolder home{"kingdom-command"};
};

TEST_F(KingdomCommand, EveryPaymentIsSaidAndNoneIsMadeTwice) {
  // An empty home: the board is filled with objectives the day already meets, paid at once with
  // the chest. Each one is said, and the hero holds exactly what was said.
  const Json first = testing::runCliJson({"kingdom"});
  ASSERT_FALSE(first["payments"].empty());
  int64_t said = 0;
  for (const Json& p : first["payments"]) said += p["xp"].get<int64_t>();
  EXPECT_EQ(first["payments"].back()["receiptID"], "wq-chest:2026-12-09");
  EXPECT_EQ(testing::runCliJson({"hero"})["hero"]["totalXp"], said);

  // Looking again, or after the board file was damaged, pays nothing more.
  EXPECT_TRUE(testing::runCliJson({"kingdom"})["payments"].empty());
  home.write("world-quests-v1.json", "{\"dayKey\": ");
  const Json redrawn = testing::runCliJson({"kingdom"});
  EXPECT_TRUE(redrawn["payments"].empty());
  EXPECT_TRUE(redrawn["board"]["chestCredited"]);
  EXPECT_EQ(testing::runCliJson({"hero"})["hero"]["totalXp"], said);
}

TEST_F(KingdomCommand, AnOverloadedDayIsNotCalledRestful) {
  // An empty calendar, but six deliveries overdue: the kingdom judges the day overloaded.
  for (const char* uid : {"r1", "r2", "r3", "r4", "r5", "r6"}) {
    home.write(std::string("reminders/taches/") + uid + ".ics",
               std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VTODO"
                           "\r\nUID:") +
                   uid +
                   "\r\nDTSTAMP:20261201T000000Z\r\nSUMMARY:Rendu du rapport\r\n"
                   "DUE;VALUE=DATE:20261201\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
  }
  const Json k = testing::runCliJson({"kingdom"});
  ASSERT_EQ(k["capacity"]["level"], "overloaded");
  ASSERT_EQ(k["dayLoad"]["tier"], "patrouille");  // the calendar alone is empty

  const testing::CliResult shown = testing::runCli({"kingdom"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  const std::string verdictLine = shown.out.substr(0, shown.out.find(": débordé)"));
  EXPECT_EQ(verdictLine.find("souffler"), std::string::npos) << shown.out;
  EXPECT_NE(verdictLine.find("Journée de siège"), std::string::npos) << shown.out;
}

}  // namespace
}  // namespace talewick::ui
