// Quick-add from the command line, run in process over a temporary home: `parse` shows what a
// sentence says, `add` writes it into a calendar folder as an .ics file that Talewick (and khal,
// when it is installed) reads back. Now is fixed to Wednesday 18 March 2026, 10:00 in Paris; the
// home holds two calendars, "perso" (Personnel) and "boulot" (Travail), so that the order of
// their folders differs from the order of their titles.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/json.hpp"
#include "tests/support/process.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"
#include "ui/command.hpp"

namespace talewick::ui {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class QuickAddCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-03-18T10:00:00+01:00");
    home.write("calendars/perso/displayname", "Personnel\n");
    home.write("calendars/boulot/displayname", "Travail\n");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  using Result = testing::CliResult;
  Result cli(const std::vector<std::string>& args) { return testing::runCli(args); }
  Json json(std::vector<std::string> args) { return testing::runCliJson(std::move(args)); }

  // The event files of one calendar folder.
  std::vector<fs::path> icsFiles(const std::string& calendar) const {
    std::vector<fs::path> out;
    const fs::path folder = home / ("calendars/" + calendar);
    if (!fs::is_directory(folder)) return out;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".ics") out.push_back(entry.path());
    }
    return out;
  }

  // The content lines of the only file of `calendar`, unfolded, without their CRLF.
  Strings onlyFileLines(const std::string& calendar) const {
    const std::vector<fs::path> files = icsFiles(calendar);
    EXPECT_EQ(files.size(), 1u) << calendar;
    if (files.size() != 1) return {};
    std::string text = home.read(fs::relative(files[0], home.path()).string());
    for (const char* fold : {"\r\n ", "\r\n\t", "\n ", "\n\t"}) {
      for (size_t at; (at = text.find(fold)) != std::string::npos;)
        text.erase(at, std::string(fold).size());
    }
    Strings lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  static bool has(const Strings& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static Strings startingWith(const Strings& lines, const std::string& prefix) {
    Strings out;
    for (const std::string& line : lines) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }
  // "kind@location+length" for each span of a parse.
  static Strings spans(const Json& draft) {
    Strings out;
    for (const Json& s : draft["spans"]) {
      out.push_back(s["kind"].get<std::string>() + "@" +
                    std::to_string(s["range"]["location"].get<int64_t>()) + "+" +
                    std::to_string(s["range"]["length"].get<int64_t>()));
    }
    return out;
  }

  testing::TempFolder home{"quickadd-commands"};
};

// --- parse ---

TEST_F(QuickAddCommands, ParseJsonGivesTheDraftWithItsSpans) {
  const Json meeting = json({"parse", "Réunion", "demain", "14h30", "1h", "avec", "Paul", "et",
                             "Marie", "à", "la", "mairie"});
  EXPECT_EQ(meeting["title"], "Réunion");
  EXPECT_EQ(meeting["start"], "2026-03-19T14:30:00+01:00");
  EXPECT_EQ(meeting["durationMin"], 60);
  EXPECT_EQ(meeting["isAllDay"], false);
  EXPECT_EQ(meeting["attendees"], Json::array({"Paul", "Marie"}));
  EXPECT_EQ(meeting["location"], "la mairie");
  EXPECT_FALSE(meeting.contains("recurrence"));
  // The words are joined with single spaces: "é" and "à" are one UTF-16 unit each.
  EXPECT_EQ(spans(meeting), (Strings{"date@8+6", "time@15+5", "duration@21+2", "person@24+4",
                                     "person@29+4", "person@34+2", "person@37+5", "location@43+1",
                                     "location@45+2", "location@48+6"}));
  // One quoted argument reads the same as the words one by one.
  EXPECT_EQ(json({"parse", "Réunion demain 14h30 1h avec Paul et Marie à la mairie"}), meeting);

  // A cake is two UTF-16 units, "û" one: the spans count units, not bytes.
  const Json snack = json({"parse", "🎂 Goûter d'anniversaire samedi 16h rappel 30 min avant"});
  EXPECT_EQ(snack["title"], "🎂 Goûter d'anniversaire");
  EXPECT_EQ(snack["start"], "2026-03-21T16:00:00+01:00");
  EXPECT_EQ(snack["reminderMinutes"], 30);
  EXPECT_EQ(spans(snack), (Strings{"date@25+6", "time@32+3", "reminder@36+6", "reminder@43+2",
                                   "reminder@46+3", "reminder@50+5"}));

  const Json weekly = json({"parse",
                            "/Travail point hebdo lundi 9h tous les lundis jusqu'au "
                            "30/06 https://zoom.us/j/123456"});
  EXPECT_EQ(weekly["title"], "point hebdo");
  EXPECT_EQ(weekly["calendarHint"], "Travail");
  EXPECT_EQ(weekly["start"], "2026-03-23T09:00:00+01:00");
  EXPECT_EQ(weekly["meetingURL"], "https://zoom.us/j/123456");
  EXPECT_EQ(weekly["recurrence"]["frequency"], "weekly");
  EXPECT_EQ(weekly["recurrence"]["interval"], 1);
  EXPECT_EQ(weekly["recurrence"]["weekdays"], Json::array({2}));
  EXPECT_EQ(weekly["recurrence"]["until"], "2026-06-30T23:59:59+02:00");
  EXPECT_EQ(spans(weekly).front(), "calendar@0+8");
  EXPECT_EQ(spans(weekly).back(), "meeting@61+24");
}

TEST_F(QuickAddCommands, ParseReadsTheSentenceAtTheMomentGiven) {
  // TALEWICK_NOW says 18 March: the 3rd of March has passed, so it is next year's.
  const Json later = json({"parse", "anniversaire de Mamie 3 mars"});
  EXPECT_EQ(later["start"], "2027-03-03T00:00:00+01:00");
  EXPECT_EQ(later["isAllDay"], true);
  const Json before = json({"parse", "anniversaire de Mamie 3 mars", "--now", "2026-02-01T08:00"});
  EXPECT_EQ(before["start"], "2026-03-03T00:00:00+01:00");
  // An offset of its own: 23:30 in New York is already Thursday in Paris, so "demain" is Friday.
  const Json abroad = json({"parse", "café demain 8h", "--now", "2026-03-18T23:30:00-04:00"});
  EXPECT_EQ(abroad["start"], "2026-03-20T08:00:00+01:00");

  for (const char* bad : {"hier", "2026-13-01T10:00", "18/03/2026"}) {
    const Result r = cli({"parse", "café demain 8h", "--now", bad});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("--now"), std::string::npos) << r.err;
  }
}

TEST_F(QuickAddCommands, ParseTextShowsTheDraftAndTheWordsItRecognised) {
  const Result meeting = cli({"parse", "Réunion demain 14h30 1h avec Paul et Marie à la mairie"});
  ASSERT_EQ(meeting.status, 0) << meeting.err;
  EXPECT_EQ(meeting.out,
            "Titre   : Réunion\n"
            "Début   : Jeudi 19 mars 2026 · 14:30\n"
            "Durée   : 1 h\n"
            "Lieu    : la mairie\n"
            "Invités : Paul, Marie\n"
            "Phrase  : Réunion demain 14h30 1h avec Paul et Marie à la mairie\n"
            "Repères : « demain 14h30 » quand · « 1h » durée · « avec Paul et Marie » invités · "
            "« à la mairie » lieu\n");

  // Not a terminal: no colour codes, whatever the sentence holds.
  const Result full = cli({"parse",
                           "/Travail Piscine samedi 10h 45min tous les samedis jusqu'au 30/05 "
                           "rappel 1h avant note prendre les lunettes\net le bonnet"});
  ASSERT_EQ(full.status, 0) << full.err;
  EXPECT_EQ(full.out.find('\x1b'), std::string::npos) << full.out;
  for (const char* line : {"Début      : Samedi 21 mars 2026 · 10:00\n", "Durée      : 45 min\n",
                           "Rappel     : 1 h avant\n",
                           "Répétition : Toutes les semaines · samedi · jusqu'au 30 mai 2026\n",
                           "Agenda     : Travail\n",
                           "Notes      : prendre les lunettes\n             et le bonnet\n"}) {
    EXPECT_NE(full.out.find(line), std::string::npos) << line << "\n" << full.out;
  }

  const Result allDay = cli({"parse", "Fête de l'école samedi"});
  EXPECT_NE(allDay.out.find("Début   : Samedi 21 mars 2026\nDurée   : toute la journée\n"),
            std::string::npos)
      << allDay.out;
}

TEST_F(QuickAddCommands, ASentenceWithoutDateOrTimeIsRefused) {
  const std::string message =
      "talewick : « Acheter du pain » : aucune date ni heure, rien à placer dans l'agenda "
      "(essaie par exemple « demain 18h »)\n";
  for (const Strings& words : {Strings{"Acheter du pain"}, Strings{"Acheter", "du", "pain"}}) {
    for (const char* command : {"parse", "add"}) {
      Strings args{command};
      args.insert(args.end(), words.begin(), words.end());
      const Result r = cli(args);
      EXPECT_EQ(r.status, 2) << command;
      EXPECT_EQ(r.out, "") << command;
      EXPECT_EQ(r.err, message) << command;
    }
  }
  EXPECT_EQ(cli({"add", "   "}).status, 2);
  EXPECT_TRUE(icsFiles("perso").empty());
  EXPECT_TRUE(icsFiles("boulot").empty());
  // A clock time is enough to make it an event of today.
  EXPECT_EQ(json({"parse", "Acheter du pain 18h"})["start"], "2026-03-18T18:00:00+01:00");
}

TEST_F(QuickAddCommands, ParseReadsTheReadmeSentences) {
  const Json meeting =
      json({"parse", "Réunion demain 14h30 1h avec Paul à la mairie rappel 10 min"});
  EXPECT_EQ(meeting["title"], "Réunion");
  EXPECT_EQ(meeting["start"], "2026-03-19T14:30:00+01:00");
  EXPECT_EQ(meeting["attendees"], Json::array({"Paul"}));
  EXPECT_EQ(meeting["location"], "la mairie");
  EXPECT_EQ(meeting["reminderMinutes"], 10);
  const Result call = cli({"parse", "Call with lea@example.com tomorrow 3pm for 30 min"});
  ASSERT_EQ(call.status, 0) << call.err;
  EXPECT_EQ(call.out.rfind("Titre   : Call\nDébut   : Jeudi 19 mars 2026 · 15:00\n"
                           "Durée   : 30 min\nInvités : lea@example.com\n",
                           0),
            0u)
      << call.out;
  EXPECT_NE(call.out.find("« for 30 min » durée"), std::string::npos) << call.out;
}

// A day that does not exist, or a repetition that never comes round: `parse` shows the draft
// without them and says so; `add` writes nothing.
TEST_F(QuickAddCommands, ImpossibleDaysAndRepetitionsAreShownAndNeverWritten) {
  const Json february = json({"parse", "Réunion le 30 février 10h"});
  EXPECT_EQ(february["impossibleDate"], "30 février");
  EXPECT_EQ(february["title"], "Réunion le 30 février");
  EXPECT_EQ(february["start"], "2026-03-18T10:00:00+01:00");
  const Result shown = cli({"parse", "Réunion le 30 février 10h"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("Ignoré  : « 30 février » : ce jour n'existe pas\n"), std::string::npos)
      << shown.out;
  const Result weekly = cli({"parse", "Yoga 7h toutes les 0 semaines"});
  ASSERT_EQ(weekly.status, 0) << weekly.err;
  EXPECT_EQ(weekly.out.find("Répétition"), std::string::npos) << weekly.out;
  EXPECT_NE(
      weekly.out.find(
          "« toutes les 0 semaines » : répétition impossible, son intervalle vaut au moins 1\n"),
      std::string::npos)
      << weekly.out;

  const std::pair<const char*, const char*> refused[] = {
      {"Réunion le 30 février 10h", "« 30 février » : ce jour n'existe pas, rien n'est écrit"},
      {"Dîner le 31 novembre 20h", "« 31 novembre » : ce jour n'existe pas, rien n'est écrit"},
      {"Pot 31/04 18h", "« 31/04 » : ce jour n'existe pas, rien n'est écrit"},
      {"Yoga 7h toutes les 0 semaines",
       "« toutes les 0 semaines » : répétition impossible, son intervalle vaut au moins 1, rien "
       "n'est écrit"}};
  for (const auto& [sentence, message] : refused) {
    const Result r = cli({"add", sentence});
    EXPECT_EQ(r.status, 2) << sentence;
    EXPECT_EQ(r.out, "") << sentence;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_TRUE(icsFiles("perso").empty());
  EXPECT_TRUE(icsFiles("boulot").empty());
}

// --- add ---

TEST_F(QuickAddCommands, AddWritesOneEventFileThatTheEventsCommandReadsBack) {
  const Json added = json({"add",
                           "Atelier poterie jeudi 18h30 1h30 avec Paul et Léa <lea@exemple.fr> à "
                           "la salle Vauban rappel 15 min avant tous les jeudis jusqu'au 30/04"});
  const std::vector<fs::path> files = icsFiles("perso");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(icsFiles("boulot").empty());
  const std::string uid = files[0].stem().string();
  EXPECT_EQ(added["eventIdentifier"], uid);
  EXPECT_EQ(added["calendar"]["identifier"], "perso");
  EXPECT_EQ(added["quest"]["id"], "quest_" + uid);
  EXPECT_EQ(added["quest"]["rawTitle"], "Atelier poterie");
  EXPECT_EQ(added["quest"]["startDate"], "2026-03-19T18:30:00+01:00");
  EXPECT_EQ(added["quest"]["durationMin"], 90);

  const Strings lines = onlyFileLines("perso");
  for (const char* line :
       {"DTSTART;TZID=Europe/Paris:20260319T183000", "DTEND;TZID=Europe/Paris:20260319T200000",
        "SUMMARY:Atelier poterie", "LOCATION:la salle Vauban", "DESCRIPTION:Avec : Paul",
        "RRULE:FREQ=WEEKLY;BYDAY=TH;UNTIL=20260430T215959Z", "BEGIN:VALARM", "TRIGGER:-PT15M"}) {
    EXPECT_TRUE(has(lines, line)) << line;
  }
  // Léa has an address: an attendee. Paul has none: the notes keep him.
  EXPECT_EQ(startingWith(lines, "ATTENDEE"),
            Strings{"ATTENDEE;CN=Léa;ROLE=REQ-PARTICIPANT:mailto:lea@exemple.fr"});
  EXPECT_TRUE(startingWith(lines, "URL").empty());

  const Json first = json({"events", "--from", "2026-03-16", "--to", "2026-03-23"});
  ASSERT_EQ(first["timed"].size(), 1u);
  const Json& e = first["timed"][0];
  EXPECT_EQ(e["title"], "Atelier poterie");
  EXPECT_EQ(e["startDate"], "2026-03-19T18:30:00+01:00");
  EXPECT_EQ(e["endDate"], "2026-03-19T20:00:00+01:00");
  EXPECT_EQ(e["location"], "la salle Vauban");
  EXPECT_EQ(e["attendees"], 1);
  EXPECT_EQ(e["attendeeLabels"], Json::array({"Léa"}));
  EXPECT_EQ(e["notes"], "Avec : Paul");
  EXPECT_EQ(e["allDay"], false);
  // After the change to summer time the wall clock stays at 18:30; the series ends on 30 April.
  const Json last = json({"events", "--from", "2026-04-27", "--to", "2026-05-15"});
  ASSERT_EQ(last["timed"].size(), 1u);
  EXPECT_EQ(last["timed"][0]["startDate"], "2026-04-30T18:30:00+02:00");
  EXPECT_EQ(last["timed"][0]["endDate"], "2026-04-30T20:00:00+02:00");
}

TEST_F(QuickAddCommands, AddWritesAllDayEventsAndRulesInTheFormTheirStartWants) {
  ASSERT_EQ(cli({"add", "Piscine samedi tous les samedis jusqu'au 30/05"}).status, 0);
  Strings lines = onlyFileLines("perso");
  EXPECT_TRUE(has(lines, "DTSTART;VALUE=DATE:20260321"));
  EXPECT_TRUE(has(lines, "DTEND;VALUE=DATE:20260322"));
  // An all-day series ends on a day, not at an instant.
  EXPECT_TRUE(has(lines, "RRULE:FREQ=WEEKLY;BYDAY=SA;UNTIL=20260530"));
  EXPECT_TRUE(startingWith(lines, "BEGIN:VALARM").empty());
  const Json days = json({"events", "--from", "2026-05-23", "--to", "2026-06-14"});
  ASSERT_EQ(days["allDay"].size(), 2u);
  EXPECT_EQ(days["allDay"][0]["startDate"], "2026-05-23T00:00:00+02:00");
  EXPECT_EQ(days["allDay"][1]["startDate"], "2026-05-30T00:00:00+02:00");
  EXPECT_EQ(days["timed"].size(), 0u);
  fs::remove(icsFiles("perso")[0]);

  // Said on a Wednesday, "18h tous les lundis et jeudis" starts on Thursday: a series starts on
  // a day its rule names.
  ASSERT_EQ(cli({"add", "Sport 18h tous les lundis et jeudis"}).status, 0);
  lines = onlyFileLines("perso");
  EXPECT_TRUE(has(lines, "DTSTART;TZID=Europe/Paris:20260319T180000"));
  EXPECT_TRUE(has(lines, "RRULE:FREQ=WEEKLY;BYDAY=MO,TH"));
  const Json week = json({"events", "--from", "2026-03-18", "--to", "2026-03-24"});
  Strings starts;
  for (const Json& e : week["timed"]) starts.push_back(e["startDate"]);
  EXPECT_EQ(starts, (Strings{"2026-03-19T18:00:00+01:00", "2026-03-23T18:00:00+01:00"}));
  fs::remove(icsFiles("perso")[0]);

  // Every other week, on the day it was said; a video link becomes the event's URL.
  ASSERT_EQ(
      cli({"add", "Standup 11h every other week https://meet.google.com/abc-defg-hij"}).status, 0);
  lines = onlyFileLines("perso");
  EXPECT_TRUE(has(lines, "DTSTART;TZID=Europe/Paris:20260318T110000"));
  EXPECT_TRUE(has(lines, "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=WE"));
  EXPECT_TRUE(has(lines, "URL:https://meet.google.com/abc-defg-hij"));
  EXPECT_TRUE(has(lines, "SUMMARY:Standup"));
}

TEST_F(QuickAddCommands, AddPicksTheCalendarFromTheOptionElseFromTheSentence) {
  // Neither: the first writable calendar by title, Personnel, though "boulot" sorts first.
  const Result plain = cli({"add", "Goûter samedi 16h"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(icsFiles("perso").size(), 1u);
  EXPECT_TRUE(icsFiles("boulot").empty());
  const std::string uid = icsFiles("perso")[0].stem().string();
  EXPECT_EQ(plain.out.rfind("Nouvelle quête dans « Personnel » — Samedi 21 mars\n16:00", 0), 0u)
      << plain.out;
  EXPECT_NE(plain.out.find("[" + uid + "]\n"), std::string::npos) << plain.out;

  // A "/hint" typed in the sentence finds Travail by a piece of its title.
  EXPECT_EQ(json({"add", "/trav Revue de code lundi 14h"})["calendar"]["identifier"], "boulot");
  ASSERT_EQ(icsFiles("boulot").size(), 1u);
  EXPECT_TRUE(has(onlyFileLines("boulot"), "SUMMARY:Revue de code"));

  // The option wins over the sentence, by identifier or by title.
  EXPECT_EQ(json({"add", "/trav Démo lundi 16h", "--calendar", "perso"})["calendar"]["identifier"],
            "perso");
  EXPECT_EQ(
      json({"add", "Pique-nique dimanche midi", "--calendar", "TRAVAIL"})["calendar"]["title"],
      "Travail");
  EXPECT_EQ(icsFiles("perso").size(), 2u);
  EXPECT_EQ(icsFiles("boulot").size(), 2u);

  // A calendar asked for by name that does not exist is a mistake, not a reason to write
  // elsewhere.
  const Result unknown = cli({"add", "Démo lundi 16h", "--calendar", "vacances"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(
      unknown.err,
      "talewick : aucun agenda modifiable ne répond à « vacances » (agendas : perso, boulot)\n");
  EXPECT_EQ(icsFiles("perso").size() + icsFiles("boulot").size(), 4u);
}

TEST_F(QuickAddCommands, AddShowsTheNewEventWhenAnotherCalendarHoldsTheSame) {
  // Travail already holds the swim at that hour; its identifier comes first in the calendar's
  // reading order, so a plain "first one read wins" would show that one and hide the new one.
  home.write("calendars/boulot/0-piscine.ics",
             "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
             "UID:0-piscine\r\nDTSTAMP:20260301T000000Z\r\nDTSTART:20260321T090000Z\r\n"
             "DTEND:20260321T100000Z\r\nSUMMARY:Piscine\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  const Result added = cli({"add", "Piscine samedi 10h", "--calendar", "perso"});
  ASSERT_EQ(added.status, 0) << added.err;
  ASSERT_EQ(icsFiles("perso").size(), 1u);
  const std::string uid = icsFiles("perso")[0].stem().string();
  EXPECT_EQ(added.out.rfind("Nouvelle quête dans « Personnel » — Samedi 21 mars\n10:00", 0), 0u)
      << added.out;
  EXPECT_NE(added.out.find("[" + uid + "]\n"), std::string::npos) << added.out;

  const Json json = this->json({"add", "Piscine samedi 10h", "--calendar", "perso"});
  const std::string second = json["eventIdentifier"];
  EXPECT_EQ(json["quest"]["id"], "quest_" + second);
  EXPECT_EQ(json["event"]["calendarID"], "perso");
}

TEST_F(QuickAddCommands, AddFailsWithoutACalendarToWriteTo) {
  const testing::TempFolder empty{"quickadd-empty"};
  ::setenv("TALEWICK_CALENDAR_DIR", empty.path().c_str(), 1);
  const Result none = cli({"add", "Goûter demain 16h"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err,
            "talewick : aucun agenda où écrire : le dossier des calendriers n'en a aucun de "
            "modifiable\n");
  EXPECT_TRUE(fs::is_empty(empty.path()));

  ::unsetenv("TALEWICK_CALENDAR_DIR");
  ::setenv("TALEWICK_DISABLE_EVENTKIT", "1", 1);
  const Result denied = cli({"add", "Goûter demain 16h"});
  EXPECT_EQ(denied.status, 1);
  EXPECT_EQ(denied.err, "talewick : accès calendrier refusé\n");
  EXPECT_TRUE(icsFiles("perso").empty());
}

// --- khal ---

TEST_F(QuickAddCommands, KhalReadsWhatAddWrote) {
  const std::optional<fs::path> khal = testing::onPath("khal");
  if (!khal) GTEST_SKIP() << "khal is not on PATH (`make test-deps` installs it)";
  ASSERT_EQ(cli({"add",
                 "Atelier poterie jeudi 18h30 1h30 tous les jeudis jusqu'au 30/04 rappel "
                 "15 min avant"})
                .status,
            0);
  ASSERT_EQ(cli({"add", "/trav Piscine samedi tous les samedis jusqu'au 30/05"}).status, 0);

  std::string settings = "[calendars]\n";
  for (const char* calendar : {"perso", "boulot"}) {
    settings += std::string("[[") + calendar +
                "]]\npath = " + (home / ("calendars/" + std::string(calendar))).string() +
                "\ntype = calendar\n";
  }
  settings +=
      "[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
      "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n"
      "local_timezone = Europe/Paris\ndefault_timezone = Europe/Paris\n"
      "[default]\ndefault_calendar = perso\n[sqlite]\npath = " +
      (home / "khal/khal.db").string() + "\n";
  home.write("khal/khal.conf", settings);
  fs::create_directories(home / "khal/home/.config");

  // khal's own lines for the days from `first` to `last`, in a throwaway home and on the Paris
  // clock; it must have nothing to complain about.
  const auto list = [&](const std::string& first, const std::string& last) {
    const testing::ProcessResult r =
        testing::runProcess({khal->string(), "-c", (home / "khal/khal.conf").string(), "list",
                             "--format", "{start} {end} {title}", "--day-format", "", first, last},
                            {{"HOME", (home / "khal/home").string()},
                             {"XDG_CONFIG_DIRS", (home / "khal/home/.config").string()},
                             {"TZ", "Europe/Paris"},
                             {"LANG", "C.UTF-8"},
                             {"LC_ALL", "C.UTF-8"},
                             {"PYTHONDONTWRITEBYTECODE", "1"}},
                            home / "khal/outputs");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Strings lines;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);) {
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  };
  EXPECT_EQ(list("2026-03-19", "2026-03-21"),
            (Strings{"2026-03-19 18:30 2026-03-19 20:00 Atelier poterie",
                     "2026-03-21 2026-03-21 Piscine"}));
  EXPECT_EQ(list("2026-04-30", "2026-04-30"),
            Strings{"2026-04-30 18:30 2026-04-30 20:00 Atelier poterie"});
  EXPECT_EQ(list("2026-05-07", "2026-05-07"), Strings{});
  EXPECT_EQ(list("2026-05-30", "2026-06-06"), Strings{"2026-05-30 2026-05-30 Piscine"});
}

}  // namespace
}  // namespace talewick::ui
