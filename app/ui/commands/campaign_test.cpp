// `talewick campaign` over a temporary home: a campaign anchored to a work calendar, paid as its
// events pass, then by hand; and the refusals.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class CampaignCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    home.write("calendars/travail/displayname", "Travail\n");
    event("revue", "Revue de code", "20261209T100000", "20261209T110000");
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
  static testing::CliResult cli(const std::vector<std::string>& args) {
    return testing::runCli(args);
  }
  static int64_t xp() { return testing::runCliJson({"hero"})["hero"]["totalXp"].get<int64_t>(); }

  testing::TempFolder home{"campaign-command"};
};

TEST_F(CampaignCommand, ACalendarChapterPaysAsItsEventsPassThenTheEndPaysOnce) {
  const testing::CliResult created =
      cli({"campaign", "new", "Sprint", "de", "décembre", "--realm", "tickets", "--chapter",
           "Livrer:calendar:travail", "--chapter", "Fêter:manual"});
  ASSERT_EQ(created.status, 0) << created.err;
  const Json list = testing::runCliJson({"campaign", "list"});
  ASSERT_EQ(list.size(), 1u);
  const std::string id = list[0]["id"];
  EXPECT_EQ(list[0]["title"], "Sprint de décembre");
  EXPECT_EQ(list[0]["chapters"][0]["targetCount"], 2);
  EXPECT_EQ(list[0]["chapters"][0]["baselineIDs"].size(), 2u);

  EXPECT_EQ(cli({"campaign", "advance", id}).status, 2);  // the calendar decides this chapter
  const testing::CliResult shownInKingdom = cli({"kingdom"});
  EXPECT_NE(shownInKingdom.out.find("Sprint de décembre — 0/2 · Livrer"), std::string::npos)
      << shownInKingdom.out;
  EXPECT_EQ(testing::runCliJson({"kingdom"})["campaigns"].size(), 1u);
  const int64_t before = xp();
  ::setenv("TALEWICK_NOW", "2026-12-09T16:00:00+01:00", 1);
  const testing::CliResult kingdom = cli({"kingdom"});
  ASSERT_EQ(kingdom.status, 0) << kingdom.err;
  EXPECT_NE(kingdom.out.find("+55 XP"), std::string::npos) << kingdom.out;
  EXPECT_EQ(xp(), before + 55);
  ASSERT_EQ(cli({"kingdom"}).status, 0);
  EXPECT_EQ(xp(), before + 55);

  const testing::CliResult advanced = cli({"campaign", "advance", id.substr(0, 14)});
  ASSERT_EQ(advanced.status, 0) << advanced.err;
  EXPECT_NE(advanced.out.find("+120 XP"), std::string::npos) << advanced.out;
  // The campaign was this week's boss: its last chapter fells it.
  EXPECT_NE(advanced.out.find("+200 XP, +60 or — Boss de la semaine « Sprint de décembre »"),
            std::string::npos)
      << advanced.out;
  EXPECT_EQ(xp(), before + 55 + 55 + 120 + 200);
  EXPECT_EQ(testing::runCliJson({"campaign", "chronicle"}).size(), 1u);
  ASSERT_EQ(cli({"campaign", "abandon", id}).status, 0);
  EXPECT_EQ(xp(), before + 430);
  EXPECT_TRUE(testing::runCliJson({"campaign", "list"}).empty());
}

TEST_F(CampaignCommand, BadInputIsRefusedAndNothingIsWritten) {
  const auto refused = [&](std::vector<std::string> args) {
    const testing::CliResult r = cli(args);
    EXPECT_EQ(r.status, 2) << args.back() << ": " << r.out;
  };
  refused({"campaign", "new", "X", "--realm", "dragons", "--chapter", "Un:manual"});
  refused({"campaign", "new", "X", "--realm", "family", "--chapter", "Un"});
  refused({"campaign", "new", "X", "--realm", "family", "--chapter", "Un:calendar:inconnu"});
  refused({"campaign", "new", "X", "--realm", "family", "--chapter", ":manual"});
  refused({"campaign", "show", "campaign:nope"});
  EXPECT_FALSE(std::filesystem::exists(home / "campaigns-v1.json"));

  ASSERT_EQ(cli({"campaign", "new", "A", "--realm", "family", "--chapter", "Un:manual"}).status, 0);
  const testing::CliResult same =
      cli({"campaign", "new", "B", "--realm", "family", "--chapter", "Un:manual"});
  EXPECT_EQ(same.status, 2);
  EXPECT_NE(same.err.find("territoire a déjà une campagne active"), std::string::npos) << same.err;
  EXPECT_EQ(testing::runCliJson({"campaign", "list"}).size(), 1u);
}

}  // namespace
}  // namespace talewick::ui
