// `talewick expedition` over a temporary home: the durations accepted, the refusals that change
// nothing, an expedition resolved at its deadline however late it is looked at, and its win paid
// once.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class ExpeditionCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    ::unsetenv("TALEWICK_REMINDERS_DIR");
    home.write("calendars/travail/revue.ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:revue"
               "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART;TZID=Europe/Paris:20261209T140000\r\n"
               "DTEND;TZID=Europe/Paris:20261209T150000\r\nSUMMARY:Revue de code\r\nEND:VEVENT"
               "\r\nEND:VCALENDAR\r\n");
    home.write("reminders/taches/pain.ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VTODO\r\nUID:pain"
               "\r\nDTSTAMP:20261201T000000Z\r\nSUMMARY:Acheter du pain\r\nPRIORITY:9\r\n"
               "END:VTODO\r\nEND:VCALENDAR\r\n");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  static testing::CliResult cli(const std::vector<std::string>& args) {
    return testing::runCli(args);
  }
  static Json status() { return testing::runCliJson({"expedition", "status"})["expedition"]; }
  static int64_t xp() { return testing::runCliJson({"hero"})["hero"]["totalXp"].get<int64_t>(); }

  testing::TempFolder home{"expedition-command"};
};

TEST_F(ExpeditionCommand, AWonExpeditionEndsAtItsDeadlineAndPaysOnce) {
  for (const char* minutes : {"4", "181", "abc"}) {
    const testing::CliResult r = cli({"expedition", "start", "revue", "--minutes", minutes});
    EXPECT_EQ(r.status, 2) << minutes;
    EXPECT_NE(r.err.find("--minutes"), std::string::npos) << r.err;
  }
  EXPECT_EQ(cli({"expedition", "start", "inconnue"}).status, 2);
  EXPECT_EQ(home.read("expedition-v1.json"), "<absent>");

  const testing::CliResult started = cli({"expedition", "start", "revue"});
  ASSERT_EQ(started.status, 0) << started.err;
  EXPECT_NE(started.out.find("Expédition vers « Revue de code »"), std::string::npos)
      << started.out;
  Json e = status();
  EXPECT_EQ(e["phase"], "outbound");
  EXPECT_EQ(e["durationMinutes"], 25);
  const int64_t reward = e["target"]["calendarEvent"]["reward"]["xp"].get<int64_t>();
  ASSERT_GT(reward, 0);

  // While it runs: no second expedition, no return; focus once.
  const std::string before = home.read("expedition-v1.json");
  EXPECT_EQ(cli({"expedition", "start", "pain"}).status, 1);
  EXPECT_EQ(cli({"expedition", "return"}).status, 1);
  ASSERT_EQ(cli({"expedition", "focus"}).status, 0);
  const std::string focused = home.read("expedition-v1.json");
  EXPECT_NE(focused, before);
  EXPECT_EQ(cli({"expedition", "focus"}).status, 1);
  EXPECT_EQ(home.read("expedition-v1.json"), focused);

  // Looked at two hours later: won at 09:25, paid once.
  const int64_t xpBefore = xp();
  ::setenv("TALEWICK_NOW", "2026-12-09T11:00:00+01:00", 1);
  e = status();
  EXPECT_EQ(e["phase"], "resolved");
  EXPECT_EQ(e["issue"], "defeated");
  EXPECT_EQ(e["resolvedAt"], "2026-12-09T09:25:00+01:00");
  EXPECT_EQ(xp(), xpBefore + reward);
  const testing::CliResult watched = cli({"expedition", "watch"});
  EXPECT_NE(watched.out.find("Victoire"), std::string::npos) << watched.out;
  ASSERT_EQ(cli({"expedition", "return"}).status, 0);
  EXPECT_TRUE(status().is_null());
  EXPECT_EQ(xp(), xpBefore + reward);
}

TEST_F(ExpeditionCommand, ARetreatEndsTheExpeditionWithoutLoot) {
  ASSERT_EQ(cli({"expedition", "start", "pain", "--minutes", "5"}).status, 0);
  EXPECT_EQ(status()["target"]["reminder"]["title"], "Acheter du pain");
  const int64_t xpBefore = xp();
  const testing::CliResult retreated = cli({"expedition", "retreat"});
  ASSERT_EQ(retreated.status, 0) << retreated.err;
  EXPECT_NE(retreated.out.find("Retraite"), std::string::npos) << retreated.out;
  EXPECT_EQ(status()["issue"], "retreated");
  EXPECT_EQ(cli({"expedition", "retreat"}).status, 1);
  ::setenv("TALEWICK_NOW", "2026-12-09T10:00:00+01:00", 1);
  EXPECT_EQ(xp(), xpBefore);
  ASSERT_EQ(cli({"expedition", "return"}).status, 0);
  // Over: a new one may start, 180 minutes at most.
  ASSERT_EQ(cli({"expedition", "start", "pain", "--minutes", "180"}).status, 0);
  EXPECT_EQ(status()["durationMinutes"], 180);
}

}  // namespace
}  // namespace talewick::ui
