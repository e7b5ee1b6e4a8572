// `talewick day`, `today` and `free` over a calendar whose morning holds two quests that overlap:
// the grid sets them side by side and counts the clash, `today` marks only the clashing lines,
// and `free` offers no slot that touches a quest.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class DayCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    event("revue", "Revue de code", "20261209T100000", "20261209T110000");
    event("point", "Point budget", "20261209T103000", "20261209T113000");
    event("demo", "Démo client", "20261209T140000", "20261209T150000");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  void event(const std::string& uid, const std::string& summary, const std::string& start,
             const std::string& end) {
    home.write("calendars/travail/" + uid + ".ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:" +
                   uid + "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART;TZID=Europe/Paris:" + start +
                   "\r\nDTEND;TZID=Europe/Paris:" + end + "\r\nSUMMARY:" + summary +
                   "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  }

  testing::TempFolder home{"day-commands"};
};

std::vector<std::string> linesWith(const std::string& text, const std::string& part) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    if (line.find(part) != std::string::npos) lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

TEST_F(DayCommands, TheGridAndTodayMarkOnlyTheQuestsThatOverlap) {
  testing::CliResult r = testing::runCli({"day", "2026-12-09"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("⚠ 2 quêtes se chevauchent."), std::string::npos) << r.out;
  EXPECT_EQ(linesWith(r.out, "⚠ 10:00").size(), 1u) << r.out;
  EXPECT_EQ(linesWith(r.out, "⚠ 10:30").size(), 1u) << r.out;
  EXPECT_TRUE(linesWith(r.out, "⚠ 14:00").empty()) << r.out;
  // The two clashing quests share rows: the 10:30 one sits beside the 10:00 one.
  const std::vector<std::string> beside = linesWith(r.out, "⚠ 10:30");
  ASSERT_EQ(beside.size(), 1u);
  EXPECT_NE(beside[0].find("│"), std::string::npos) << beside[0];

  r = testing::runCli({"today"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(linesWith(r.out, "⚠ ").size(), 2u) << r.out;

  r = testing::runCli({"day", "2026-12-10"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Aucune quête à heure fixe ce jour-là."), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("⚠"), std::string::npos) << r.out;

  r = testing::runCli({"day", "2026-02-30"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
}

TEST_F(DayCommands, FreeSlotsNeverTouchAQuestNorTheBreakAfterIt) {
  const testing::CliResult r = testing::runCli({"free", "--days", "1", "--min", "60"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Créneaux libres de 60 min :"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" 09:00 12:00 12:30 13:00 15:30 16:00 16:30 17:00\n"), std::string::npos)
      << r.out;

  const Json json = testing::runCliJson({"free", "--days", "1", "--min", "60"});
  ASSERT_EQ(json["slots"].size(), 8u) << json.dump();
  EXPECT_EQ(json["slotMinutes"], 60);

  for (const std::vector<std::string>& refused : {std::vector<std::string>{"free", "--min", "0"},
                                                  {"free", "--days", "many"},
                                                  {"free", "--days", "400"}}) {
    const testing::CliResult bad = testing::runCli(refused);
    EXPECT_EQ(bad.status, 2) << refused[1] << " " << refused[2];
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err, "");
  }
}

}  // namespace
}  // namespace talewick::ui
