// The commands that show and change the quests, run in process over a temporary home whose
// calendar folder holds a few .ics files. Now is fixed to Wednesday 9 December 2026, 09:00.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "support/json.hpp"
#include "support/loc.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"
#include "ui/command.hpp"

namespace talewick::ui {
namespace {

namespace fs = std::filesystem;

class QuestCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    home.write("calendars/personnel/displayname", "Personnel\n");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  using Result = testing::CliResult;
  Result cli(const std::vector<std::string>& args) { return testing::runCli(args); }
  Json json(std::vector<std::string> args) { return testing::runCliJson(std::move(args)); }

  // An event of the personnel calendar; `start` and `end` are Paris wall-clock times
  // ("20261209T143000") or days ("20261209", all day).
  void event(const std::string& uid, const std::string& summary, const std::string& start,
             const std::string& end, const std::string& extra = "") {
    const std::string kind = start.size() == 8 ? ";VALUE=DATE:" : ";TZID=Europe/Paris:";
    home.write(
        "calendars/personnel/" + uid + ".ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:" + uid +
            "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART" + kind + start + "\r\nDTEND" + kind + end +
            "\r\nSUMMARY:" + summary + "\r\n" + extra + "END:VEVENT\r\nEND:VCALENDAR\r\n");
  }
  // Yoga every evening Monday to Thursday, the dentist on Wednesday afternoon, a two-day fair
  // from Wednesday, and a council next Tuesday.
  void aWeek() {
    event("yoga", "Yoga", "20261207T180000", "20261207T190000",
          "LOCATION:Salle Hélène\r\nRRULE:FREQ=DAILY;COUNT=4\r\n");
    event("dentiste", "Rendez-vous dentiste", "20261209T143000", "20261209T151500");
    event("foire", "Foire aux santons", "20261209", "20261211");
    event("conseil", "Conseil de quartier", "20261215T100000", "20261215T113000");
  }

  // "dentiste@14:30" for each item of a day of week/agenda JSON.
  static std::vector<std::string> items(const Json& day) {
    std::vector<std::string> out;
    for (const Json& item : day["items"]) {
      const std::string date = item["quest"]["startDate"];
      out.push_back(item["id"].get<std::string>().substr(6) + "@" +
                    (item["allDay"] ? "journée" : date.substr(11, 5)));
    }
    return out;
  }
  using Strings = std::vector<std::string>;

  // Whether some text of `j` holds `part`.
  static bool holds(const Json& j, const std::string& part) {
    if (j.is_string()) return j.get<std::string>().find(part) != std::string::npos;
    for (const Json& child : j) {
      if ((child.is_structured() || child.is_string()) && holds(child, part)) return true;
    }
    return false;
  }

  testing::TempFolder home{"quest-commands"};
};

TEST_F(QuestCommands, TodayWeekAndAgendaShowTheCalendarsQuests) {
  aWeek();
  const Result today = cli({});
  ASSERT_EQ(today.status, 0) << today.err;
  EXPECT_EQ(today.out.rfind("Cette semaine — 5 quêtes de ton agenda\n", 0), 0u) << today.out;
  const size_t dentist = today.out.find("14:30"), yoga = today.out.find("18:00"),
               allDay = today.out.find("Toute la journée"), fair = today.out.find("[foire]");
  EXPECT_TRUE(dentist < yoga && yoga < allDay && allDay < fair) << today.out;
  EXPECT_EQ(today.out.find("[conseil]"), std::string::npos);
  EXPECT_NE(today.out.find("🧙 Héros — Niveau 1 · 0 or"), std::string::npos);
  EXPECT_EQ(cli({"today"}).out, today.out);

  const Json j = json({"today"});
  EXPECT_EQ(j["source"], "agenda");
  EXPECT_EQ(j["label"], "Cette semaine");
  ASSERT_EQ(j["quests"].size(), 2u);
  EXPECT_EQ(j["quests"][0]["rawTitle"], "Rendez-vous dentiste");
  EXPECT_EQ(j["quests"][1]["startDate"], "2026-12-09T18:00:00+01:00");
  EXPECT_EQ(j["allDayQuests"][0]["id"], "quest_foire");
  EXPECT_EQ(j["hero"]["name"], "Héros");

  const Json week = json({"week"});
  EXPECT_EQ(week["statusLine"], "Cette semaine — 5 quêtes de ton agenda");
  ASSERT_EQ(week["days"].size(), 7u);
  EXPECT_EQ(week["days"][0]["day"], "2026-12-07");
  EXPECT_EQ(items(week["days"][0]), Strings{"yoga@18:00"});
  EXPECT_EQ(items(week["days"][2]), (Strings{"foire@journée", "dentiste@14:30", "yoga@18:00"}));
  EXPECT_EQ(items(week["days"][4]), Strings{});
  const Result weekText = cli({"week"});
  EXPECT_NE(weekText.out.find("Lundi 7 décembre\n18:00"), std::string::npos) << weekText.out;
  EXPECT_NE(weekText.out.find("Vendredi 11 décembre\n       Quartier libre."), std::string::npos);

  const Json next = json({"week", "2026-12-20"});  // a Sunday: the week it ends
  EXPECT_EQ(next["statusLine"], "2026-12-14 → 2026-12-20 — 1 quête de ton agenda");
  EXPECT_EQ(items(next["days"][1]), Strings{"conseil@10:00"});
  for (const char* bad : {"2026-13-01", "demain", "2026-12-09T10:00"})
    EXPECT_EQ(cli({"week", bad}).status, 2) << bad;

  const Json agenda = json({"agenda"});  // Wednesday to Tuesday, days with quests only
  ASSERT_EQ(agenda["days"].size(), 3u);
  EXPECT_EQ(agenda["days"][1]["day"], "2026-12-10");
  EXPECT_EQ(items(agenda["days"][2]), Strings{"conseil@10:00"});
  EXPECT_EQ(json({"agenda", "--days", "1"})["days"].size(), 1u);
  for (const char* bad : {"0", "367"}) EXPECT_EQ(cli({"agenda", "--days", bad}).status, 2);
}

TEST_F(QuestCommands, TheDemonstrationDayStandsInForAMissingOrEmptyCalendar) {
  const Json empty = json({});
  EXPECT_EQ(empty["source"], "emptyDay");
  EXPECT_EQ(empty["statusLine"].get<std::string>().rfind("Agenda vide — aperçu (8 quêtes", 0), 0u)
      << empty["statusLine"];
  EXPECT_EQ(empty["quests"].size(), 8u);

  ::setenv("TALEWICK_DISABLE_EVENTKIT", "1", 1);
  aWeek();  // out of reach
  const Json denied = json({"today"});
  EXPECT_EQ(denied["source"], "denied");
  EXPECT_EQ(denied["statusLine"], "Accès calendrier refusé — aperçu (8 quêtes démo)");
  ASSERT_EQ(denied["quests"].size(), 8u);
  for (const Json& q : denied["quests"])
    EXPECT_EQ(q["startDate"].get<std::string>().substr(0, 10), "2026-12-09");

  // A one-off mode retells the same quests; the mode kept is untouched.
  const Json comic = json({"today", "--mode", "comic"});
  ASSERT_EQ(comic["quests"].size(), 8u);
  int renamed = 0;
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(comic["quests"][i]["id"], denied["quests"][i]["id"]);
    renamed += comic["quests"][i]["name"] != denied["quests"][i]["name"];
  }
  EXPECT_GT(renamed, 0);
  EXPECT_EQ(json({"today"}), denied);
  EXPECT_EQ(cli({"today", "--mode", "epicPapa"}).status, 2);

  const std::string demoID = denied["quests"][0]["id"].get<std::string>().substr(6);
  const Result details = cli({"quest", demoID});
  EXPECT_EQ(details.status, 0) << details.err;
  EXPECT_NE(details.out.find("Le calcul"), std::string::npos);
  const Result move = cli({"move", demoID, "--to", "10:00"});
  EXPECT_EQ(move.status, 1);
  EXPECT_EQ(move.err, "Cette quête de démo ne peut pas être déplacée.\n");
  EXPECT_EQ(cli({"delete", demoID}).status, 1);
}

TEST_F(QuestCommands, TheWelcomeComesOnceAndNeverInJson) {
  EXPECT_EQ(cli({}).out.find("Bienvenue"), std::string::npos);  // skipped by the environment
  ::unsetenv("TALEWICK_SKIP_ONBOARDING");
  const Json j = json({});  // parses: nothing printed before it
  EXPECT_EQ(j["source"], "emptyDay");
  const Result first = cli({"today"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out.rfind("Bienvenue", 0), 0u) << first.out;
  EXPECT_NE(first.out.find((home.path() / "calendars").string()), std::string::npos);
  EXPECT_NE(first.out.find("TALEWICK_CALENDAR_DIR"), std::string::npos);
  EXPECT_NE(first.out.find("calendar.vdir"), std::string::npos);
  EXPECT_EQ(cli({}).out.find("Bienvenue"), std::string::npos);
}

TEST_F(QuestCommands, QuestDetailsMoveAndDelete) {
  aWeek();
  const Json dentist = json({"quest", "dentiste"});
  EXPECT_EQ(dentist["quest"]["id"], "quest_dentiste");
  EXPECT_EQ(dentist["event"]["title"], "Rendez-vous dentiste");
  EXPECT_EQ(dentist["breakdown"]["durationMin"], 45);
  EXPECT_EQ(dentist["breakdown"]["xp"], dentist["quest"]["baseXp"]);
  EXPECT_EQ(json({"quest", "quest_dentiste"}), dentist);
  // A series: the occurrence of the day asked for, with its own start.
  const Json thursday = json({"quest", "yoga", "--date", "2026-12-10"});
  EXPECT_EQ(thursday["quest"]["startDate"], "2026-12-10T18:00:00+01:00");
  EXPECT_EQ(thursday["event"]["startDate"], "2026-12-10T18:00:00+01:00");
  const Result text = cli({"quest", "yoga"});
  EXPECT_NE(text.out.find("Lieu : Salle Hélène"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Les choix :\n  1. "), std::string::npos);
  const Result unknown = cli({"quest", "nope"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "talewick : quête introuvable : nope\n");
  EXPECT_EQ(cli({"quest", "conseil"}).status, 2);  // not in this week
  EXPECT_EQ(cli({"quest", "conseil", "--date", "2026-12-15"}).status, 0);

  const Result moved = cli({"move", "dentiste", "--to", "16:00", "--duration", "30"});
  ASSERT_EQ(moved.status, 0) << moved.err;
  EXPECT_NE(moved.out.find("16:00"), std::string::npos) << moved.out;
  EXPECT_NE(home.read("calendars/personnel/dentiste.ics").find("20261209T163000"),
            std::string::npos);
  EXPECT_EQ(items(json({"week"})["days"][2]),
            (Strings{"foire@journée", "dentiste@16:00", "yoga@18:00"}));
  ASSERT_EQ(cli({"move", "dentiste", "--to", "2026-12-17T08:15"}).status, 0);
  EXPECT_EQ(items(json({"week", "2026-12-17"})["days"][3]), Strings{"dentiste@08:15"});
  ASSERT_EQ(cli({"move", "foire", "--to", "2026-12-12"}).status, 0);
  EXPECT_EQ(items(json({"week"})["days"][5]), Strings{"foire@journée"});
  for (const Strings& bad :
       {Strings{"move", "yoga", "--to", "25:00"}, Strings{"move", "yoga", "--to", "2026-12-09"},
        Strings{"move", "yoga", "--to", "18:00", "--duration", "0"},
        Strings{"move", "foire", "--to", "10:00", "--date", "2026-12-12"},
        Strings{"move", "nope", "--to", "10:00"}}) {
    EXPECT_EQ(cli(bad).status, 2) << bad[1] << " " << bad[3];
  }

  ASSERT_EQ(cli({"delete", "yoga", "--date", "2026-12-08"}).status, 0);
  Json week = json({"week"});
  EXPECT_EQ(items(week["days"][1]), Strings{});
  EXPECT_EQ(items(week["days"][3]), Strings{"yoga@18:00"});
  ASSERT_EQ(cli({"delete", "yoga", "--future", "--date", "2026-12-09"}).status, 0);
  week = json({"week"});
  EXPECT_EQ(items(week["days"][0]), Strings{"yoga@18:00"});
  EXPECT_EQ(items(week["days"][2]), Strings{});
  EXPECT_EQ(items(week["days"][3]), Strings{});
  ASSERT_EQ(cli({"delete", "dentiste", "--date", "2026-12-17"}).status, 0);
  EXPECT_EQ(home.read("calendars/personnel/dentiste.ics"), "<absent>");
  EXPECT_EQ(cli({"delete", "dentiste", "--date", "2026-12-17"}).status, 2);
}

TEST_F(QuestCommands, NarrativeAndTitleModes) {
  aWeek();
  EXPECT_NE(cli({"mode"}).out.find("● heroicPapa"), std::string::npos);
  const Json heroic = json({"today"});
  ASSERT_EQ(cli({"mode", "darkEpic"}).status, 0);
  const Json mode = json({"mode"});
  EXPECT_EQ(mode["mode"], "darkEpic");
  EXPECT_EQ(mode["modes"].size(), 6u);
  EXPECT_EQ(home.read("cloud/rpg_mode"), "\"darkEpic\"");
  EXPECT_NE(json({"today"})["quests"], heroic["quests"]);  // retold in the new mode
  const Result bad = cli({"mode", "sombre"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("fairyTale"), std::string::npos);

  const std::string realTitle = "Rendez-vous dentiste";
  const std::string questName = json({"today"})["quests"][0]["name"];
  EXPECT_NE(cli({"title-mode"}).out.find("● epic"), std::string::npos);
  std::string today = cli({}).out;
  EXPECT_EQ(today.find(realTitle), std::string::npos);
  EXPECT_NE(today.find(questName), std::string::npos);
  ASSERT_EQ(cli({"title-mode", "real"}).status, 0);
  today = cli({}).out;
  EXPECT_NE(today.find(realTitle), std::string::npos);
  EXPECT_EQ(today.find(questName), std::string::npos);
  ASSERT_EQ(cli({"title-mode", "both"}).status, 0);
  EXPECT_NE(cli({"week"}).out.find(realTitle), std::string::npos);
  EXPECT_NE(cli({"week"}).out.find("\n             " + questName + "\n"), std::string::npos);
  EXPECT_NE(cli({"title-mode"}).out.find("● both"), std::string::npos);
  EXPECT_EQ(cli({"title-mode", "epique"}).status, 2);
}

TEST_F(QuestCommands, SearchIgnoresCaseAndAccents) {
  aWeek();
  event("reunion", "Réunion des Parents d'Élèves", "20261120T183000", "20261120T200000",
        "LOCATION:École Jean-Zay\r\n");
  const Json hits = json({"search", "ELEVES", "ecole"});
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0]["id"], "quest_reunion");
  EXPECT_EQ(hits[0]["location"], "École Jean-Zay");
  EXPECT_GT(hits[0]["score"], 0);
  const Result text = cli({"search", "helene"});
  EXPECT_NE(text.out.find("Yoga · Salle Hélène"), std::string::npos) << text.out;
  EXPECT_EQ(cli({"search", "zeppelin"}).out, "Aucune chronique trouvée.\n");
  EXPECT_EQ(cli({"search"}).status, 2);
}

TEST_F(QuestCommands, TheKingdomItsPinsAndTheDaysMainQuest) {
  aWeek();
  home.write("reminders/maison/pain.ics",
             "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//FR\nBEGIN:VTODO\nUID:pain\n"
             "SUMMARY:Acheter du pain\nDUE:20261209T170000Z\nEND:VTODO\nEND:VCALENDAR\n");
  const auto realmIDs = [](const Json& j, const char* realm) {
    Strings ids;
    for (const Json& item : j["realms"][realm]) ids.push_back(item["id"]);
    return ids;
  };
  Json k = json({"kingdom"});
  EXPECT_EQ(k["dayKey"], "2026-12-09");
  EXPECT_EQ(realmIDs(k, "reminders"), Strings{"pain"});
  EXPECT_EQ(k["board"]["objectives"][0]["kind"], "remindersDone");
  EXPECT_EQ(k["journey"]["main"]["id"], "reminder:pain");  // a reminder due today comes first
  EXPECT_EQ(k["capacity"]["load"]["eventCount"], 3);       // dentist, yoga and the reminder

  // A pin wins over the words, and goes as it came.
  ASSERT_EQ(cli({"pin", "dentiste", "family"}).status, 0);
  k = json({"kingdom"});
  EXPECT_EQ(realmIDs(k, "family"), Strings{"quest_dentiste"});
  EXPECT_TRUE(k["realms"]["family"][0]["pinned"]);
  EXPECT_EQ(cli({"unpin", "dentiste"}).status, 0);
  const Result again = cli({"unpin", "dentiste"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("aucune épingle pour « dentiste »"), std::string::npos) << again.err;
  EXPECT_TRUE(realmIDs(json({"kingdom"}), "family").empty());
  EXPECT_EQ(cli({"pin", "dentiste", "factions"}).status, 2);
  EXPECT_EQ(cli({"pin", "--calendar", "inconnu", "family"}).status, 2);
  EXPECT_EQ(cli({"pin", "--calendar", "personnel", "deadlines"}).status, 0);
  EXPECT_EQ(realmIDs(json({"kingdom"}), "deadlines").size(),
            5u);  // all of the calendar, from today

  // The main quest: chosen by the start of its id, kept for the day.
  const Result chosen = cli({"journey", "choose", "quest:quest_dentiste"});
  ASSERT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_NE(chosen.out.find("Quête principale du jour : Rendez-vous dentiste"), std::string::npos);
  const Result view = cli({"kingdom"});
  EXPECT_NE(view.out.find("Quête principale : Rendez-vous dentiste (à venir aujourd'hui, ton "
                          "choix)"),
            std::string::npos)
      << view.out;
  const Result unknown = cli({"journey", "choose", "quest:"});  // more than one
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("reminder:pain"), std::string::npos) << unknown.err;
}

TEST_F(QuestCommands, CountsAgreeWithTheirNouns) {
  event("conseil", "Conseil de quartier", "20261215T100000", "20261215T113000");
  struct Case {
    Loc::Language language;
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {Loc::Language::fr,
       {"week", "2026-12-15"},
       "2026-12-14 → 2026-12-20 — 1 quête de ton agenda"},
      {Loc::Language::en,
       {"week", "2026-12-15"},
       "2026-12-14 → 2026-12-20 — 1 quest from your calendar"},
      {Loc::Language::fr, {"kingdom"}, ", 1 événement, "},
      {Loc::Language::fr, {"hero"}, " or · série de 0 jour"},
      {Loc::Language::en, {"hero"}, " gold · 0-day streak"},
  };
  // The kingdom's one event: a meeting today.
  event("dentiste", "Rendez-vous dentiste", "20261209T143000", "20261209T151500");
  for (const Case& c : cases) {
    Loc::setLanguage(c.language);
    const Result r = cli(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << r.out;
  }
  Loc::setLanguage(Loc::Language::fr);
}

TEST_F(QuestCommands, AWeekWithoutTodayStillShowsTheDemonstrationItCounts) {
  // An empty calendar: the status line counts the demonstration day, dated today.
  const Result thisWeek = cli({"week"});
  ASSERT_EQ(thisWeek.status, 0) << thisWeek.err;
  const Result later = cli({"week", "2027-01-06"});
  ASSERT_EQ(later.status, 0) << later.err;
  EXPECT_NE(later.out.find("aperçu (8 quêtes démo)"), std::string::npos) << later.out;
  const size_t preview = later.out.find("Aperçu — la journée de démonstration :");
  ASSERT_NE(preview, std::string::npos) << later.out;
  EXPECT_EQ(std::count(later.out.begin() + static_cast<long>(preview), later.out.end(), '['), 8)
      << later.out;
  EXPECT_EQ(thisWeek.out.find("Aperçu — la journée"), std::string::npos);  // shown on today
  EXPECT_EQ(std::count(thisWeek.out.begin(), thisWeek.out.end(), '['), 8) << thisWeek.out;
  const Json j = json({"week", "2027-01-06"});
  ASSERT_EQ(j["preview"].size(), 1u);
  EXPECT_EQ(j["preview"][0]["items"].size(), 8u);
  EXPECT_FALSE(json({"week"}).contains("preview"));
}

TEST_F(QuestCommands, CalendarTextNeverDrivesTheTerminal) {
  // Colours, a screen clear, a window title, a C1 CSI and a right-to-left override, in every
  // field a calendar, a reminder list or a calendar folder may carry.
  const std::string hostile =
      "Rouge\x1b[31m\x1b[2J\x1b]0;titre\x07\xc2\x9b"
      "1m\u202Eenuor";
  event("rouge", hostile, "20261209T143000", "20261209T151500",
        "LOCATION:Salle\x1b[5m\r\nDESCRIPTION:note\x1b[8m\r\n");
  home.write("calendars/personnel/displayname", "Perso\x1b[1m\n");
  home.write("reminders/maison/pain.ics",
             "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//test//FR\nBEGIN:VTODO\nUID:pain\n"
             "SUMMARY:Pain " +
                 hostile + "\nDUE:20261209T170000Z\nEND:VTODO\nEND:VCALENDAR\n");
  ASSERT_EQ(cli({"title-mode", "both"}).status, 0);
  const auto clean = [](const std::string& text) {
    return text.find('\x1b') == std::string::npos && text.find('\x07') == std::string::npos &&
           text.find("\xc2\x9b") == std::string::npos && text.find("\u202E") == std::string::npos;
  };
  struct Case {
    std::vector<std::string> args;
    std::string visible;  // the hostile text's printable part, still shown
  } cases[] = {
      {{}, "Rouge[31m"},
      {{"today"}, "Rouge[31m"},
      {{"week"}, "Rouge[31m"},
      {{"agenda"}, "Rouge[31m"},
      {{"quest", "rouge"}, "Rouge[31m[2J]0;titre1menuor"},
      {{"search", "rouge"}, "Salle[5m"},
      {{"events", "--from", "2026-12-09"}, "Rouge[31m"},
      {{"calendars"}, "Perso[1m"},
      {{"reminders"}, "Pain Rouge[31m"},
      {{"kingdom"}, "Rouge[31m"},
      {{"parse", hostile, "demain", "10h"}, "Rouge[31m"},
  };
  for (const Case& c : cases) {
    const Result r = cli(c.args);
    const std::string name = c.args.empty() ? "(today)" : c.args[0];
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_TRUE(clean(r.out)) << name << ":\n" << r.out;
    EXPECT_TRUE(clean(r.err)) << name << ":\n" << r.err;
    EXPECT_NE(r.out.find(c.visible), std::string::npos) << name << ":\n" << r.out;
  }

  // JSON keeps the text whole, every control escaped.
  for (const auto& args : {std::vector<std::string>{"today", "--json"},
                           std::vector<std::string>{"events", "--from", "2026-12-09", "--json"},
                           std::vector<std::string>{"reminders", "--json"}}) {
    const Result r = cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(clean(r.out)) << args[0] << ":\n" << r.out;
    EXPECT_TRUE(holds(Json::parse(r.out), hostile)) << args[0];
  }
}

TEST_F(QuestCommands, AnIdentifierTwoCalendarsShareAsksForTheCalendar) {
  event("ok1", "Goûter chez mamie", "20261209T160000", "20261209T170000");
  const std::string travail =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:ok1\r\n"
      "DTSTAMP:20261201T000000Z\r\nDTSTART;TZID=Europe/Paris:20261210T100000\r\n"
      "DTEND;TZID=Europe/Paris:20261210T110000\r\nSUMMARY:Revue de la guilde\r\n"
      "END:VEVENT\r\nEND:VCALENDAR\r\n";
  home.write("calendars/travail/ok1.ics", travail);
  const std::string personnel = home.read("calendars/personnel/ok1.ics");

  for (const Strings& args : {Strings{"quest", "ok1"}, Strings{"move", "ok1", "--to", "12:00"},
                              Strings{"delete", "ok1"}}) {
    const Result r = cli(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(r.err,
              "talewick : « ok1 » désigne des événements de plusieurs agendas (personnel, "
              "travail) : précise lequel avec --calendar AGENDA\n")
        << args[0];
  }
  EXPECT_EQ(home.read("calendars/personnel/ok1.ics"), personnel);
  EXPECT_EQ(home.read("calendars/travail/ok1.ics"), travail);

  EXPECT_EQ(json({"quest", "ok1", "--calendar", "travail"})["event"]["title"],
            "Revue de la guilde");
  EXPECT_EQ(json({"quest", "ok1", "--calendar", "personnel"})["event"]["title"],
            "Goûter chez mamie");
  EXPECT_EQ(cli({"quest", "ok1", "--calendar", "famille"}).status, 2);

  // Each command acts on the one it was told, and on it alone.
  ASSERT_EQ(cli({"move", "ok1", "--calendar", "personnel", "--to", "2026-12-09T18:00"}).status, 0);
  EXPECT_NE(home.read("calendars/personnel/ok1.ics").find("20261209T180000"), std::string::npos);
  EXPECT_EQ(home.read("calendars/travail/ok1.ics"), travail);
  ASSERT_EQ(cli({"delete", "ok1", "--calendar", "travail"}).status, 0);
  EXPECT_EQ(home.read("calendars/travail/ok1.ics"), "<absent>");
  EXPECT_NE(home.read("calendars/personnel/ok1.ics"), "<absent>");
  EXPECT_EQ(json({"quest", "ok1"})["event"]["title"], "Goûter chez mamie");
}

TEST_F(QuestCommands, DatesNoCalendarFileCanHoldAreBadInputAndWriteNothing) {
  aWeek();
  const std::string dentist = home.read("calendars/personnel/dentiste.ics");
  const std::string refused =
      "talewick : date hors de ce qu'un calendrier peut écrire (de l'an 1 à l'an 9999), rien "
      "n'est écrit\n";
  const Result moved = cli({"move", "dentiste", "--to", "9999-12-31T23:59"});
  EXPECT_EQ(moved.status, 2);
  EXPECT_EQ(moved.out, "");
  EXPECT_EQ(moved.err, refused);
  EXPECT_EQ(home.read("calendars/personnel/dentiste.ics"), dentist);

  const Result added = cli({"add", "Dîner 31/12/9999 23h"});
  EXPECT_EQ(added.status, 2);
  EXPECT_EQ(added.out, "");
  EXPECT_EQ(added.err, refused);
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(home / "calendars/personnel")) {
    files += entry.path().extension() == ".ics";
  }
  EXPECT_EQ(files, 4u);  // aWeek's
}
TEST_F(QuestCommands, AChangeThatCannotBeSavedFailsAndSaysWhichFileAndWhy) {
  aWeek();
  struct Case {
    const char* file;
    std::vector<std::string> args;
  };
  const std::vector<Case> cases = {
      {"hero-sync-v1.json", {"hero", "name", "Arthur"}},
      {"territory-overrides-v1.json", {"pin", "--calendar", "personnel", "family"}},
      {"journey-v1.json", {"journey", "choose", "quest:quest_dentiste"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    // A folder in the file's place: a write no one can make, root included.
    fs::create_directories(home / c.file);
    const Result r = cli(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "talewick : " + (home / c.file).string() +
                         " est illisible (un dossier occupe sa place) : il n'est pas remplacé\n");
    fs::remove(home / c.file);
  }
  EXPECT_EQ(json({"hero"})["hero"]["name"], "Héros");  // the rename never happened
}

}  // namespace
}  // namespace talewick::ui
