// The command line as a user meets it: outputs, exit statuses, and one clear line for bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/mock_events.hpp"
#include "support/json.hpp"
#include "support/local_calendar.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/test_environment.hpp"
#include "ui/command.hpp"

namespace talewick::ui {
namespace {

using testing::runCli;
using Result = testing::CliResult;

const char* kEvents = R"([
  {"id": "a", "title": "Deadline sprint", "startDate": "2026-12-05T10:00:00+01:00",
   "endDate": "2026-12-05T11:00:00+01:00", "allDay": false, "attendees": 0,
   "attendeeLabels": [], "attendeeEmails": [], "needsResponse": false},
  {"id": "b", "title": "Réunion d'équipe", "location": "Bureau", "attendees": 5,
   "startDate": "2026-12-05T23:00:00+01:00", "endDate": "2026-12-05T23:30:00+01:00",
   "allDay": false, "attendeeLabels": [], "attendeeEmails": [], "needsResponse": true}
])";

TEST(ForgeCommand, JsonOutputIsTheQuestRecordsAndIsStable) {
  const Result r = runCli({"forge", "-", "--json"}, kEvents);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const Json quests = Json::parse(r.out);
  ASSERT_EQ(quests.size(), 2u);
  EXPECT_EQ(quests[0]["id"], "quest_a");
  EXPECT_EQ(quests[0]["archetypeId"], "echeance");
  EXPECT_EQ(quests[0]["baseXp"], 59);
  EXPECT_EQ(quests[0]["startDate"], "2026-12-05T10:00:00+01:00");
  EXPECT_EQ(quests[1]["timeOfDay"], "nuit");
  EXPECT_EQ(quests[1]["biomeKey"], "work");
  EXPECT_EQ(quests[1]["needsResponse"], true);
  EXPECT_EQ(quests[1]["choices"][2]["id"], "b_optHero");
  EXPECT_EQ(runCli({"forge", "--json"}, kEvents).out, r.out);  // byte-identical, stdin default
}

TEST(ForgeCommand, TableAndBreakdown) {
  const Result table = runCli({"forge"}, kEvents);
  ASSERT_EQ(table.status, 0);
  EXPECT_NE(table.out.find("10:00  ⏳"), std::string::npos) << table.out;
  const Result breakdown = runCli({"forge", "--json", "--breakdown", "--mode", "comic"}, kEvents);
  ASSERT_EQ(breakdown.status, 0);
  const Json b = Json::parse(breakdown.out);
  EXPECT_EQ(b[1]["attendeesBonus"], 20);
  EXPECT_EQ(b[1]["isNight"], true);
  EXPECT_EQ(b[0]["archetypeLabel"], "Échéance / deadline");
}

TEST(ForgeCommand, BadInputIsOneLineOnStderrAndNothingOnStdout) {
  struct Case {
    std::string input, expected;
  } cases[] = {
      {"[{\"id\": 1}]", "[0].id : texte attendu"},
      {"[{\"id\": \"x\", \"title\": \"t\"}]", "[0].startDate : champ manquant"},
      {"[1,", "JSON illisible à l'octet 4"},
      {"{}", "tableau attendu"},
  };
  for (const Case& c : cases) {
    const Result r = runCli({"forge"}, c.input);
    EXPECT_EQ(r.status, 2) << c.input;
    EXPECT_EQ(r.out, "") << c.input;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(runCli({"forge", "/no/such/file.json"}).status, 2);
  EXPECT_EQ(runCli({"forge", "--mode", "epicPapa"}, "[]").status, 2);
}

TEST(LevelCommand, TextAndJson) {
  const Result text = runCli({"level", "425", "--mode", "donjon"});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("Niveau 2 — PNJ de Niveau 1"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("305 / 306 XP"), std::string::npos);
  const Json j = Json::parse(runCli({"level", "426", "--json"}).out);
  EXPECT_EQ(j["level"], 3);
  EXPECT_EQ(j["title"], "Veilleur des Nuits");
  EXPECT_EQ(runCli({"level", "beaucoup"}).status, 2);
  EXPECT_EQ(runCli({"level"}).status, 2);
}

TEST(Cli, HelpAndUnknownCommands) {
  const Result help = runCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("forge"), std::string::npos);
  EXPECT_NE(runCli({"forge", "--help"}).out.find("--breakdown"), std::string::npos);
  EXPECT_EQ(runCli({"frobnicate"}).status, 2);
}

TEST(MockEvents, ABelievableDayOnTheDayAsked) {
  const Date now = testing::localDate(2026, 12, 5, 15, 0);
  const auto events = mockEvents(now);
  ASSERT_EQ(events.size(), 8u);
  int inMaison = 0;
  for (const DayEvent& e : events) {
    EXPECT_EQ(LocalCalendar::dayKey(e.startDate), "2026-12-05") << e.title;
    EXPECT_GT(e.endDate, e.startDate);
    inMaison += e.calendarID == "Maison";
  }
  EXPECT_EQ(inMaison, 1);
  EXPECT_EQ(mockEvents(now), mockEvents(now.adding(3600)));  // same day, same events
}

TEST(Binary, ExitStatusAndStreamsOfTheRealProgram) {
  const std::string path = ::testing::TempDir() + "/bad_events.json";
  std::ofstream(path) << "[{\"id\": \"x\"}]";
  const std::string command =
      std::string(TALEWICK_BINARY) + " forge " + path + " >" + path + ".out 2>" + path + ".err";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
  std::ifstream out(path + ".out"), err(path + ".err");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(out), {}), "");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(err), {}).find("[0].title"),
            std::string::npos);
}

// A shell script holding `line`, written under the test folder; its path.
std::string shellScript(const std::string& name, const std::string& line) {
  const std::string path = ::testing::TempDir() + "/" + name + ".sh";
  std::ofstream(path) << "#!/bin/sh\n" << line << "\n";
  return path;
}

// The program run as a user runs it, its output (both streams) read back.
std::string runProgram(const std::string& name, const std::string& line) {
  const std::string out = ::testing::TempDir() + "/" + name + ".out";
  const std::string command = "sh " + shellScript(name, line) + " >" + out + " 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0) << line;
  std::ifstream in(out);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The same, on a terminal: `script` gives the program one.
std::string runOnTerminal(const std::string& name, const std::string& line) {
  return runProgram(name, "script -qec 'sh " + shellScript(name + "_inner", line) + "' /dev/null");
}

TEST(Binary, ParseColoursItsOwnSpansButNoneFromTheSentence) {
  const std::string parse = std::string(TALEWICK_BINARY) +
                            " parse \"$(printf 'Piscine\\033[2J\\033]0;titre\\007')\" demain 10h";
  const std::string terminal = runOnTerminal("parse_tty", parse);
  EXPECT_NE(terminal.find("\x1b[1;3"), std::string::npos) << terminal;  // our colours
  EXPECT_NE(terminal.find("Piscine[2J]0;titre"), std::string::npos) << terminal;
  EXPECT_EQ(terminal.find("\x1b[2J"), std::string::npos) << terminal;
  EXPECT_EQ(terminal.find('\x07'), std::string::npos) << terminal;
  const std::string noColour = runOnTerminal("parse_no_colour", "NO_COLOR=1 " + parse);
  EXPECT_EQ(noColour.find('\x1b'), std::string::npos) << noColour;
  const std::string piped = runProgram("parse_pipe", parse);
  EXPECT_EQ(piped.find('\x1b'), std::string::npos) << piped;
  EXPECT_NE(piped.find("Piscine[2J]0;titre"), std::string::npos) << piped;
}

TEST(Binary, MonstersAreNamedInTheUsersLanguage) {
  const std::string path = ::testing::TempDir() + "/monsters.json";
  std::ofstream(path) << kEvents;
  const std::string forge = std::string(TALEWICK_BINARY) + " forge " + path;
  const std::string english =
      runProgram("monsters_en", "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 " + forge);
  const std::string french =
      runProgram("monsters_fr", "LANGUAGE= LC_ALL= LANG=fr_FR.UTF-8 " + forge);
  // "Deadline sprint" is a deadline: its monster comes from that row, whatever the tier.
  const std::pair<const char*, const char*> row[] = {
      {"Sablier Fêlé", "Cracked Hourglass"},
      {"Gobelin du Compte à Rebours", "Goblin of the Countdown"},
      {"Ogre de la To-Do Sans Fin", "Ogre of the Endless To-Do"},
      {"Dragon du Livrable Final", "Dragon of the Final Deliverable"},
      {"Léviathan de l'Échéance de Minuit", "Leviathan of the Midnight Deadline"},
  };
  int shown = 0;
  for (const auto& [fr, en] : row) {
    EXPECT_EQ(english.find(fr), std::string::npos) << english;
    const bool inFrench = french.find(fr) != std::string::npos;
    EXPECT_EQ(inFrench, english.find(en) != std::string::npos) << fr << "\n" << english;
    shown += inFrench;
  }
  EXPECT_EQ(shown, 1) << french;
}

}  // namespace
}  // namespace talewick::ui
