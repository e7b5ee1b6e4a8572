// `talewick reminders done`: what completing a side quest pays the hero, and why a completion is
// refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class ReminderCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    ::unsetenv("TALEWICK_REMINDERS_DIR");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  // A reminder of the list "taches", low priority (15 XP, 8 gold), open or already ticked.
  void reminder(const std::string& uid, const std::string& summary, bool ticked = false) {
    home.write("reminders/taches/" + uid + ".ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VTODO\r\nUID:" + uid +
                   "\r\nDTSTAMP:20261201T000000Z\r\nSUMMARY:" + summary + "\r\nPRIORITY:9\r\n" +
                   (ticked ? "STATUS:COMPLETED\r\nCOMPLETED:20261208T100000Z\r\n" : "") +
                   "END:VTODO\r\nEND:VCALENDAR\r\n");
  }
  std::pair<int64_t, int64_t> xpAndGold() {
    const Json hero = testing::runCliJson({"hero"})["hero"];
    return {hero["totalXp"].get<int64_t>(), hero["gold"].get<int64_t>()};
  }

  testing::TempFolder home{"reminder-commands"};
};

TEST_F(ReminderCommands, ASideQuestPaysTheHeroOnceAndTheMessageSaysWhatWasPaid) {
  reminder("pain", "Acheter du pain");
  const auto [xp, gold] = xpAndGold();

  const testing::CliResult done = testing::runCli({"reminders", "done", "pain"});
  ASSERT_EQ(done.status, 0) << done.err;
  EXPECT_EQ(done.out, "Quête annexe accomplie : Acheter du pain (+15 XP, +8 or)\n");
  EXPECT_EQ(xpAndGold(), std::make_pair(xp + 15, gold + 8));

  // Reopened in the to-do tool and ticked again the same day: done, but not paid twice.
  reminder("pain", "Acheter du pain");
  const testing::CliResult again = testing::runCli({"reminders", "done", "pain"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "Quête annexe accomplie : Acheter du pain\n");
  EXPECT_EQ(xpAndGold(), std::make_pair(xp + 15, gold + 8));
}

TEST_F(ReminderCommands, ARefusedCompletionSaysWhyOnOneLine) {
  reminder("lait", "Acheter du lait", /*ticked=*/true);
  struct Case {
    std::string id;
    int status;
    std::string says;
  };
  for (const Case& c : std::vector<Case>{
           {"", 2, "identifiant de rappel vide"},
           {"  ", 2, "identifiant de rappel vide"},
           {"nope", 2, "rappel introuvable : nope"},
           {"lait", 1, "la quête annexe lait est déjà accomplie"},
       }) {
    const testing::CliResult r = testing::runCli({"reminders", "done", c.id});
    EXPECT_EQ(r.status, c.status) << "« " << c.id << " »: " << r.err;
    EXPECT_EQ(r.out, "") << c.id;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(xpAndGold().first, 0);  // nothing refused pays anything
}

}  // namespace
}  // namespace talewick::ui
