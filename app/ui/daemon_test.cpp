// `talewick daemon` as a process: it follows the calendar and reminders folders, pays the day's
// world quests as the work gets done, and stops cleanly on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>

#include "platform/atomic_file.hpp"
#include "platform/schedule_owner.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

const char* kEvent = R"(BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//test//EN
BEGIN:VEVENT
UID:%UID%
DTSTAMP:20261201T080000Z
DTSTART:20261209T090000Z
DTEND:20261209T100000Z
SUMMARY:%TITLE%
END:VEVENT
END:VCALENDAR
)";

// A to-do item due on the test's day, open or ticked.
std::string reminder(bool done) {
  return std::string(
             "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//EN\nBEGIN:VTODO\nUID:pain\n"
             "SUMMARY:Acheter du pain\nDUE:20261209T170000Z\n") +
         (done ? "STATUS:COMPLETED\n" : "") + "END:VTODO\nEND:VCALENDAR\n";
}

std::string event(const std::string& uid, const std::string& title) {
  std::string text = kEvent;
  text.replace(text.find("%UID%"), 5, uid);
  text.replace(text.find("%TITLE%"), 7, title);
  return text;
}

size_t occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

bool printed(const std::filesystem::path& out, const std::string& text, size_t times = 1) {
  return testing::waitForText(out, text, times);
}

// The program's surroundings in a test home, its clock fixed at 8:00 on the test's day.
std::map<std::string, std::string> environment(const testing::TempFolder& home) {
  return {{"TALEWICK_HOME", home.path().string()},
          {"HOME", home.path().string()},
          {"TZ", "Europe/Paris"},
          {"LANG", "fr_FR.UTF-8"},
          {"TALEWICK_NOW", "2026-12-09T08:00:00+01:00"}};
}

TEST(Daemon, FollowsTheCalendarAndTheRemindersPaysTheWorkAndStopsOnSigterm) {
  testing::TempFolder home("daemon");
  const auto calendar = home / "calendars" / "perso";
  std::filesystem::create_directories(calendar);
  files::writeAtomically(calendar / "a.ics", event("a", "Réunion d'équipe"));
  const auto list = home / "reminders" / "maison";
  std::filesystem::create_directories(list);
  files::writeAtomically(list / "pain.ics", reminder(false));
  const std::map<std::string, std::string> env = environment(home);
  const pid_t daemon = testing::startProcess({TALEWICK_BINARY, "daemon"}, env, home / "scratch");
  ASSERT_GT(daemon, 0);
  const auto out = home / "scratch" / (std::to_string(daemon) + ".out");
  EXPECT_TRUE(printed(out, "Le royaume — 1 quête de ton agenda"));
  EXPECT_TRUE(printed(out, "Notifications désactivées : pas de session de bureau (D-Bus)."));
  // The day's board: today's reminder to tick, and two objectives the day already meets.
  EXPECT_TRUE(printed(out, "+45 XP, +14 or — Plus aucune échéance en retard"));
  EXPECT_TRUE(printed(out, "+20 XP, +6 or — Accomplir 1 tâche du coffre"));

  // Another program adds an event the way calendar tools do: a new file renamed into place.
  files::writeAtomically(calendar / "b.ics", event("b", "Séance de sport"));
  EXPECT_TRUE(printed(out, "Le royaume — 2 quêtes de ton agenda"));
  std::filesystem::remove(calendar / "a.ics");
  EXPECT_TRUE(printed(out, "Le royaume — 1 quête de ton agenda\n", 2));

  // The reminder is ticked in a to-do tool: its objective pays, then the chest.
  files::writeAtomically(list / "pain.ics", reminder(true));
  EXPECT_TRUE(printed(out, "+20 XP, +6 or — Cocher 1 rappel du jour"));
  EXPECT_TRUE(printed(out, "+85 XP, +26 or — Coffre du jour"));

  // The phone (or another machine) credits the hero through the cloud folder: 170 XP and 52 gold
  // were earned here.
  files::writeAtomically(home / "cloud" / "hero.v1",
                         R"({"name":"Léa","totalXp":500,"gold":100,"streak":1,"avatar":"🦊",)"
                         R"("goldVersion":50,"identityVersion":1})");
  EXPECT_TRUE(printed(out, "+330 XP, +48 or — Léa : niveau")) << files::read(out).value_or("");

  ::kill(daemon, SIGTERM);
  const auto result = testing::finishProcess(daemon, home / "scratch");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Arrêt."), std::string::npos) << result.out;
  EXPECT_EQ(occurrences(result.out, "Notifications désactivées"), 1u);
}

// A desktop session whose notification server is a stand-in for notify-send that writes down its
// arguments in notify.log, and a calendar with a coffee at 8:05 (a 15-minute alarm and a meeting
// link) and an invitation for 14:00. The clock is fixed at 8:00: only what is due at once is
// shown. The daemon's environment.
std::map<std::string, std::string> notifyingDesktop(const testing::TempFolder& home) {
  const auto log = home / "notify.log";
  const auto tool = home.write("bin/notify-send", R"(#!/bin/sh
for a in "$@"; do printf '%s\n' "$a" >> ")" + log.string() +
                                                      R"("; done
echo 1
)");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  const auto calendar = home / "calendars" / "perso";
  std::filesystem::create_directories(calendar);
  files::writeAtomically(
      calendar / "cafe.ics",
      "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//EN\nBEGIN:VEVENT\nUID:cafe\n"
      "DTSTAMP:20261201T080000Z\nDTSTART:20261209T070500Z\nDTEND:20261209T073000Z\n"
      "SUMMARY:Café avec Léa\nURL:https://meet.google.com/abc-defg-hij\nBEGIN:VALARM\n"
      "ACTION:DISPLAY\nDESCRIPTION:Café\nTRIGGER:-PT15M\nEND:VALARM\nEND:VEVENT\nEND:VCALENDAR\n");
  files::writeAtomically(
      calendar / "revue.ics",
      "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//EN\nBEGIN:VEVENT\nUID:revue\n"
      "DTSTAMP:20261201T080000Z\nDTSTART:20261209T130000Z\nDTEND:20261209T140000Z\n"
      "SUMMARY:Revue de sprint\nORGANIZER:mailto:chef@exemple.fr\n"
      "ATTENDEE;PARTSTAT=NEEDS-ACTION:mailto:moi@exemple.fr\nEND:VEVENT\nEND:VCALENDAR\n");
  home.write("defaults.json", R"({"identity.emails":["moi@exemple.fr"]})");
  return {{"TALEWICK_HOME", home.path().string()},
          {"HOME", home.path().string()},
          {"PATH", (home / "bin").string() + ":/usr/bin:/bin"},
          {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (home / "no-bus").string()},
          {"TZ", "Europe/Paris"},
          {"LANG", "fr_FR.UTF-8"},
          {"TALEWICK_NOW", "2026-12-09T08:00:00+01:00"}};
}

// With a desktop session, what is due goes to the notification server.
TEST(Daemon, SendsTheQuestsNotificationsToTheDesktop) {
  testing::TempFolder home("daemon-notify");
  const auto log = home / "notify.log";
  const pid_t daemon =
      testing::startProcess({TALEWICK_BINARY, "daemon"}, notifyingDesktop(home), home / "scratch");
  ASSERT_GT(daemon, 0);

  // 8:05 is 1796799900 seconds after 1970; 14:00 is 1796821200.
  EXPECT_TRUE(printed(log, "--hint=string:x-talewick-id:quest_quest_cafe_1796799900_15\n"));
  EXPECT_TRUE(printed(log, "Dans 5 min : Café avec Léa Prépare-toi, héros. +"));
  EXPECT_TRUE(printed(log, "--hint=string:x-talewick-id:invite_revue|1796821200\n"));
  EXPECT_TRUE(printed(log,
                      "📜 Parchemin Maudit !\nUn émissaire attend ta réponse, héros.\n"
                      "« Revue de sprint »\n"));

  ::kill(daemon, SIGTERM);
  const auto result = testing::finishProcess(daemon, home / "scratch");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.find("Notifications désactivées"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("un autre programme"), std::string::npos) << result.out;
  // The call to combat waits for 8:04, which the fixed clock never reaches.
  EXPECT_EQ(files::read(log).value_or("").find("combat_"), std::string::npos);
}

// The desktop window holds the schedule (here the test, through the same lock): the daemon sends
// nothing meanwhile, and takes over as soon as the window lets the schedule go.
TEST(Daemon, LeavesTheNotificationsToTheScheduleHolderUntilItGoes) {
  testing::TempFolder home("daemon-schedule");
  const auto log = home / "notify.log";
  const std::map<std::string, std::string> env = notifyingDesktop(home);
  ScheduleOwner window(home / "schedule.lock");
  ASSERT_TRUE(window.tryTake());
  const pid_t daemon = testing::startProcess({TALEWICK_BINARY, "daemon"}, env, home / "scratch");
  ASSERT_GT(daemon, 0);
  const auto out = home / "scratch" / (std::to_string(daemon) + ".out");
  EXPECT_TRUE(printed(out, "Notifications : un autre programme Talewick les envoie"));
  ASSERT_TRUE(printed(out, "À l'écoute"));
  EXPECT_FALSE(std::filesystem::exists(log));

  window.release();
  EXPECT_TRUE(printed(out, "Notifications : le démon les envoie."));
  EXPECT_TRUE(printed(log, "--hint=string:x-talewick-id:quest_quest_cafe_1796799900_15\n"));
  // The daemon holds the schedule now.
  EXPECT_FALSE(window.tryTake());

  ::kill(daemon, SIGTERM);
  const auto result = testing::finishProcess(daemon, home / "scratch");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(occurrences(result.out, "Notifications : le démon les envoie."), 1u);
  // Gone with the daemon.
  EXPECT_TRUE(window.tryTake());
}

// Expeditions are started, ended and brought back by commands; the daemon hears of each through
// the expedition's file and says it.
TEST(Daemon, TellsTheExpeditionsCommandsStartAndEnd) {
  testing::TempFolder home("daemon-expedition");
  const auto list = home / "reminders" / "maison";
  std::filesystem::create_directories(list);
  files::writeAtomically(list / "pain.ics", reminder(false));
  const std::map<std::string, std::string> env = environment(home);
  const pid_t daemon = testing::startProcess({TALEWICK_BINARY, "daemon"}, env, home / "scratch");
  ASSERT_GT(daemon, 0);
  const auto out = home / "scratch" / (std::to_string(daemon) + ".out");
  ASSERT_TRUE(printed(out, "À l'écoute"));
  const auto command = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv{TALEWICK_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = testing::startProcess(argv, env, home / "commands");
    return testing::finishProcess(pid, home / "commands").status;
  };
  ASSERT_EQ(command({"expedition", "start", "pain", "--minutes", "30"}), 0);
  EXPECT_TRUE(
      printed(out, "🧭 Expédition en route — Vers « Acheter du pain » : retour à 08:30."))
      << files::read(out).value_or("");
  ASSERT_EQ(command({"expedition", "retreat"}), 0);
  EXPECT_TRUE(printed(out, "🏳️ Retraite — Acheter du pain"));
  ASSERT_EQ(command({"expedition", "return"}), 0);
  EXPECT_TRUE(printed(out, "🏰 Retour au royaume — Acheter du pain"));

  ::kill(daemon, SIGTERM);
  const auto result = testing::finishProcess(daemon, home / "scratch");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(occurrences(result.out, "Expédition en route"), 1u);
}

}  // namespace
}  // namespace talewick
