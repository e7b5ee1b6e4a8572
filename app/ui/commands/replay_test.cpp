// `talewick replay` over a temporary home whose calendar holds one Wednesday of quests. Now is
// fixed to Wednesday 9 December 2026, 21:00.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class ReplayCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T21:00:00+01:00");
    home.write("calendars/personnel/displayname", "Personnel\n");
    event("sport", "Séance de sport", "20261209T070000", "20261209T080000");
    event("reunion", "Réunion d'équipe", "20261209T100000", "20261209T113000");
    event("dentiste", "Rendez-vous dentiste", "20261209T143000", "20261209T151500");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  void event(const std::string& uid, const std::string& summary, const std::string& start,
             const std::string& end) {
    home.write("calendars/personnel/" + uid + ".ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:" +
                   uid + "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART;TZID=Europe/Paris:" + start +
                   "\r\nDTEND;TZID=Europe/Paris:" + end + "\r\nSUMMARY:" + summary +
                   "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  }
  static testing::CliResult cli(const std::vector<std::string>& args, const std::string& input = "",
                                bool terminal = false) {
    return testing::runCli(args, input, terminal);
  }
  static Json hero() { return testing::runCliJson({"hero"})["hero"]; }

  testing::TempFolder home{"replay-command"};
};

TEST_F(ReplayCommand, AutomaticReplayPaysOnceAndTheSecondIsRefused) {
  const Json before = hero();
  const testing::CliResult first = cli({"replay", "--auto", "balanced", "--json"});
  ASSERT_EQ(first.status, 0) << first.err;
  const Json recap = Json::parse(first.out);
  EXPECT_EQ(recap["dateISO"], "2026-12-09");
  ASSERT_EQ(recap["outcomes"].size(), 3u);
  EXPECT_EQ(recap["outcomes"][0]["questId"], "quest_sport");  // day order
  EXPECT_TRUE(recap.contains("bossQuestId"));
  EXPECT_EQ(recap["streak"], 1);

  const Json after = hero();
  const int64_t gained = recap["totalXp"].get<int64_t>();
  EXPECT_GT(gained, 0);
  EXPECT_EQ(after["totalXp"].get<int64_t>(), before["totalXp"].get<int64_t>() + gained);
  EXPECT_EQ(after["streak"], 1);
  EXPECT_EQ(after["lastReplayDateISO"], "2026-12-09");

  const testing::CliResult again = cli({"replay", "--auto", "brave"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("2026-12-09"), std::string::npos) << again.err;
  EXPECT_EQ(hero(), after);
}

TEST_F(ReplayCommand, TheSameDayAndChoicesGiveTheSameRecap) {
  const testing::CliResult dry = cli({"replay", "--auto", "caring", "--dry-run", "--json"});
  ASSERT_EQ(dry.status, 0) << dry.err;
  const testing::CliResult real = cli({"replay", "--auto", "caring", "--json"});
  ASSERT_EQ(real.status, 0) << real.err;
  Json a = Json::parse(dry.out), b = Json::parse(real.out);
  for (Json* r : {&a, &b}) {
    (*r).erase("loot");
    for (Json& o : (*r)["outcomes"]) o.erase("loot");
    for (Json& l : (*r)["levelUps"]) l.erase("loot");
  }
  EXPECT_EQ(a, b);
}

TEST_F(ReplayCommand, AskingAtATerminal) {
  // The second choice of the first quest, the first of the second, the third one passed.
  const testing::CliResult r = cli({"replay", "--json"}, "", true);
  EXPECT_EQ(r.status, 2) << "JSON cannot carry questions: --auto is needed";

  const testing::CliResult asked = cli({"replay"}, "2\nzut\n1\n\n", true);
  ASSERT_EQ(asked.status, 0) << asked.err;
  EXPECT_NE(asked.out.find("[1/3]"), std::string::npos) << asked.out;
  EXPECT_NE(asked.out.find("[3/3]"), std::string::npos);
  const Json archived = hero()["archivedRecaps"];
  ASSERT_EQ(archived.size(), 1u);
  const Json& outcomes = archived[0]["outcomes"];
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0]["questId"], "quest_sport");
  EXPECT_EQ(outcomes[1]["questId"], "quest_reunion");
}

TEST_F(ReplayCommand, GivingUpOrBadInputChangesNothing) {
  const Json before = hero();
  EXPECT_EQ(cli({"replay"}, "1\nq\n", true).status, 1);
  EXPECT_EQ(cli({"replay"}, "1\n", true).status, 1);  // input ends before the last quest
  EXPECT_EQ(cli({"replay"}).status, 2);               // no terminal, no persona
  EXPECT_EQ(cli({"replay", "--auto", "reckless"}).status, 2);
  EXPECT_EQ(cli({"replay", "2026-12-10", "--auto", "brave"}).status, 2);  // not lived yet
  EXPECT_EQ(cli({"replay", "2026-13-01", "--auto", "brave"}).status, 2);
  EXPECT_EQ(cli({"replay", "--auto", "brave", "--sleep", "-3"}).status, 2);
  EXPECT_EQ(hero(), before);
}

TEST_F(ReplayCommand, AVigilMendsTheMissedDaysAndKeepsTheStreak) {
  for (const char* day : {"20261205", "20261206", "20261207", "20261208"}) {
    event(std::string("jeu") + day, "Jouer avec les enfants", std::string(day) + "T170000",
          std::string(day) + "T180000");
  }
  ASSERT_EQ(cli({"replay", "2026-12-05", "--auto", "brave"}).status, 0);
  ASSERT_EQ(cli({"replay", "2026-12-06", "--auto", "brave"}).status, 0);
  const Json before = hero();
  ASSERT_EQ(before["streak"], 2);

  const testing::CliResult vigil = cli({"vigil", "--auto", "caring", "--json"});
  ASSERT_EQ(vigil.status, 0) << vigil.err;
  const Json recap = Json::parse(vigil.out);
  EXPECT_EQ(recap["isVigil"], true);
  EXPECT_EQ(recap["dateISO"], "2026-12-08");
  EXPECT_EQ(recap["outcomes"].size(), 2u);
  const Json after = hero();
  EXPECT_EQ(after["streak"], 4);
  EXPECT_EQ(after["lastReplayDateISO"], "2026-12-08");
  EXPECT_EQ(after["lastVigilISO"], "2026-12-09");
  EXPECT_EQ(after["totalXp"].get<int64_t>(),
            before["totalXp"].get<int64_t>() + recap["totalXp"].get<int64_t>());

  // Nothing left to mend, and the mended days are paid: they cannot be replayed again.
  EXPECT_EQ(cli({"vigil", "--auto", "caring"}).status, 0);
  EXPECT_EQ(cli({"replay", "2026-12-07", "--auto", "brave"}).status, 1);
  EXPECT_EQ(hero(), after);
  ASSERT_EQ(cli({"replay", "--auto", "brave"}).status, 0);
  EXPECT_EQ(hero()["streak"], 5);
}

TEST_F(ReplayCommand, RestDeclaredInAdvanceKeepsTheStreakAndPaysTheReprise) {
  for (const char* day : {"20261205", "20261206"}) {
    event(std::string("jeu") + day, "Jouer avec les enfants", std::string(day) + "T170000",
          std::string(day) + "T180000");
  }
  ::setenv("TALEWICK_NOW", "2026-12-06T21:00:00+01:00", 1);
  ASSERT_EQ(cli({"replay", "2026-12-05", "--auto", "brave"}).status, 0);
  ASSERT_EQ(cli({"replay", "--auto", "brave"}).status, 0);
  ASSERT_EQ(cli({"rest", "2026-12-07", "2026-12-08"}).status, 0);

  ::setenv("TALEWICK_NOW", "2026-12-09T21:00:00+01:00", 1);
  const int64_t before = hero()["totalXp"].get<int64_t>();
  const testing::CliResult back = cli({"replay", "--auto", "brave"});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_NE(back.out.find("+50 XP"), std::string::npos) << back.out;
  const Json after = hero();
  EXPECT_EQ(after["streak"], 3);
  const int64_t recapXp = after["archivedRecaps"][0]["totalXp"].get<int64_t>();
  EXPECT_EQ(after["totalXp"].get<int64_t>(), before + recapXp + 50);
  EXPECT_EQ(after["restRewardReceiptIDs"], Json::array({"reprise:2026-12-09"}));
}

}  // namespace
}  // namespace talewick::ui
