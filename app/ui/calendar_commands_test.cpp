// The calendar and reminder commands over a temporary home: default folders, hiding, sets,
// events and side quests as a user sees them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "ui/command.hpp"

namespace talewick::ui {
namespace {

namespace fs = std::filesystem;

class CalendarCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::path(::testing::TempDir()) /
           ("talewick-home-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home);
    fs::create_directories(home);
    ::setenv("TALEWICK_HOME", home.c_str(), 1);
    ::unsetenv("TALEWICK_CALENDAR_DIR");
    ::unsetenv("TALEWICK_REMINDERS_DIR");
    ::unsetenv("TALEWICK_DISABLE_EVENTKIT");
  }
  void TearDown() override {
    ::unsetenv("TALEWICK_HOME");
    ::unsetenv("TALEWICK_NOW");
    fs::remove_all(home);
  }

  using Result = testing::CliResult;
  Result cli(const std::vector<std::string>& args) { return testing::runCli(args); }
  void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }

  fs::path home;
};

TEST_F(CalendarCommands, DefaultFolderHoldsOneWritableCalendar) {
  const Json calendars = Json::parse(cli({"calendars", "--json"}).out);
  ASSERT_EQ(calendars.size(), 1u);
  EXPECT_EQ(calendars[0]["identifier"], "personnel");
  EXPECT_EQ(calendars[0]["title"], "Personnel");
  EXPECT_EQ(calendars[0]["writable"], true);
  EXPECT_EQ(calendars[0]["hidden"], false);
  EXPECT_EQ(Json::parse(cli({"events", "--json"}).out)["timed"].size(), 0u);
  EXPECT_FALSE(fs::exists(home / "reminders"));  // made when first needed
  EXPECT_TRUE(Json::parse(cli({"reminders", "--json"}).out).empty());
  EXPECT_TRUE(fs::is_directory(home / "reminders" / "taches"));
}

TEST_F(CalendarCommands, HideShowAndSets) {
  ASSERT_EQ(cli({"calendars"}).status, 0);  // makes the default folder
  write(home / "calendars" / "travail" / "displayname", "Travail\n");
  EXPECT_EQ(cli({"calendars", "hide", "travail"}).status, 0);
  EXPECT_EQ(Json::parse(cli({"calendars", "--json"}).out)[1]["hidden"], true);
  EXPECT_EQ(cli({"calendars", "hide", "nope"}).status, 2);

  const Result created = cli({"sets", "create", "Maison", "--emoji", "🏠"});
  ASSERT_EQ(created.status, 0) << created.err;
  Json sets = Json::parse(cli({"sets", "--json"}).out);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0]["calendarIDs"], Json::array({"personnel"}));
  const std::string id = sets[0]["id"];

  EXPECT_EQ(cli({"sets", "activate", "none"}).status, 0);
  EXPECT_EQ(Json::parse(cli({"calendars", "--json"}).out)[1]["hidden"], false);
  EXPECT_EQ(cli({"sets", "activate", id}).status, 0);
  EXPECT_EQ(Json::parse(cli({"calendars", "--json"}).out)[1]["hidden"], true);
  EXPECT_EQ(cli({"sets", "delete", id}).status, 0);
  EXPECT_EQ(cli({"sets", "delete", id}).status, 2);
  EXPECT_TRUE(Json::parse(cli({"sets", "--json"}).out).empty());
}

TEST_F(CalendarCommands, EventsOfAWindow) {
  write(home / "calendars" / "personnel" / "yoga.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:yoga\r\n"
        "DTSTAMP:20261201T000000Z\r\nDTSTART:20261207T090000Z\r\nDTEND:20261207T100000Z\r\n"
        "SUMMARY:Yoga\r\nRRULE:FREQ=DAILY;COUNT=3\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  const Result r = cli({"events", "--from", "2026-12-07", "--to", "2026-12-08", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json timed = Json::parse(r.out)["timed"];
  ASSERT_EQ(timed.size(), 2u);
  EXPECT_EQ(timed[1]["startDate"], "2026-12-08T10:00:00+01:00");
  EXPECT_EQ(timed[0]["calendarID"], "personnel");
  EXPECT_EQ(cli({"events", "--from", "demain"}).status, 2);
  EXPECT_EQ(cli({"events", "--from", "2026-12-09", "--to", "2026-12-07"}).status, 2);
  EXPECT_EQ(cli({"events", "--from", "2026-12-08T11:00", "--to", "2026-12-08T11:00"}).status, 2);
  ::setenv("TALEWICK_DISABLE_EVENTKIT", "1", 1);
  EXPECT_EQ(cli({"events"}).status, 1);
}

// A day given to --to is the last day shown; the default window starts on the program's today,
// which TALEWICK_NOW fixes as it does for every other command.
TEST_F(CalendarCommands, EventWindowsEndOnTheirLastDayAndStartOnTheProgramsToday) {
  write(home / "calendars" / "personnel" / "yoga.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:yoga\r\n"
        "DTSTAMP:20310301T000000Z\r\nDTSTART:20310310T090000Z\r\nDTEND:20310310T100000Z\r\n"
        "SUMMARY:Yoga\r\nRRULE:FREQ=DAILY;COUNT=3\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  ::setenv("TALEWICK_NOW", "2031-03-11T08:00:00+01:00", 1);
  const auto starts = [&](const std::vector<std::string>& window) {
    std::vector<std::string> args{"events"};
    args.insert(args.end(), window.begin(), window.end());
    args.push_back("--json");
    const Result r = cli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> out;
    if (r.status != 0) return out;
    const Json events = Json::parse(r.out);
    for (const Json& e : events["timed"]) out.push_back(e["startDate"]);
    return out;
  };
  using Starts = std::vector<std::string>;
  EXPECT_EQ(starts({}), (Starts{"2031-03-11T10:00:00+01:00", "2031-03-12T10:00:00+01:00"}));
  EXPECT_EQ(starts({"--from", "2031-03-11", "--to", "2031-03-11"}),
            Starts{"2031-03-11T10:00:00+01:00"});
  EXPECT_EQ(starts({"--from", "2031-03-10", "--to", "2031-03-11T10:00"}),
            Starts{"2031-03-10T10:00:00+01:00"});
  EXPECT_EQ(starts({"--to", "2031-03-11"}), Starts{"2031-03-11T10:00:00+01:00"});

  const Result day = cli({"events", "--from", "2031-03-12", "--to", "2031-03-12"});
  ASSERT_EQ(day.status, 0) << day.err;
  EXPECT_NE(day.out.find("2031-03-12  10:00  Yoga"), std::string::npos) << day.out;
  EXPECT_EQ(cli({"events", "--from", "2031-03-13", "--to", "2031-03-13"}).out,
            "Aucun événement.\n");
}

TEST_F(CalendarCommands, RemindersAndCompletingOne) {
  write(home / "reminders" / "taches" / "pain.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VTODO\r\nUID:pain\r\n"
        "DTSTAMP:20261201T000000Z\r\nSUMMARY:Acheter du pain\r\nPRIORITY:1\r\n"
        "DUE;VALUE=DATE:20261206\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
  const Json quests = Json::parse(cli({"reminders", "--json"}).out);
  ASSERT_EQ(quests.size(), 1u);
  EXPECT_EQ(quests[0]["title"], "Acheter du pain");
  EXPECT_EQ(quests[0]["priority"], "haute");
  const Result done = cli({"reminders", "done", "pain"});
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_NE(done.out.find("+30 XP"), std::string::npos);
  EXPECT_TRUE(Json::parse(cli({"reminders", "--json"}).out).empty());
  EXPECT_EQ(cli({"reminders", "done", "pain"}).status, 1);
}

TEST_F(CalendarCommands, AConfiguredFolderMustExist) {
  ::setenv("TALEWICK_CALENDAR_DIR", (home / "nowhere").c_str(), 1);
  const Result r = cli({"calendars"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nowhere"), std::string::npos);
  EXPECT_FALSE(fs::exists(home / "nowhere"));
}

}  // namespace
}  // namespace talewick::ui
