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

TEST_F(KingdomCommand, AnEmptyHomeOffersNothingAndPaysNothing) {
  const testing::CliResult first = testing::runCli({"kingdom"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("Quêtes du monde : aucune aujourd'hui."), std::string::npos)
      << first.out;
  EXPECT_EQ(first.out.find("[x]"), std::string::npos) << first.out;
  EXPECT_EQ(first.out.find("XP, +"), std::string::npos) << first.out;  // no payment line

  const Json again = testing::runCliJson({"kingdom"});
  EXPECT_TRUE(again["board"]["objectives"].empty());
  EXPECT_TRUE(again["payments"].empty());
  EXPECT_EQ(testing::runCliJson({"hero"})["hero"]["totalXp"], 0);
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
