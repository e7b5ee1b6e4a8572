// The vdir reminders store over a real temporary folder.
#include "platform/vdir/reminders_store.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;
using testing::localDate;

Date utc(int year, int month, int day, int hour, int minute) {
  return Date::fromUnix(
      static_cast<double>(daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60));
}

// A calendar file holding one VTODO made of `lines`, joined with `eol`.
std::string todoFile(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
  std::string out = "BEGIN:VCALENDAR" + eol + "VERSION:2.0" + eol + "PRODID:-//Talewick//FR" + eol +
                    "BEGIN:VTODO" + eol;
  for (const auto& line : lines) out += line + eol;
  return out + "END:VTODO" + eol + "END:VCALENDAR" + eol;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// A display alarm, as one piece of a CRLF todoFile().
const std::string ALARM =
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Au boulot\r\nTRIGGER:-PT15M\r\nEND:VALARM";

std::vector<std::string> identifiers(const std::vector<ReminderItem>& items) {
  std::vector<std::string> out;
  for (const auto& item : items) out.push_back(item.identifier);
  return out;
}

class VdirRemindersStoreTest : public ::testing::Test {
 protected:
  void put(const std::string& relative, const std::string& text) { folder_.write(relative, text); }
  std::string text(const std::string& relative) { return folder_.read(relative); }

  testing::TempFolder folder_{"talewick-reminders"};
  const fs::path root_ = folder_.path();
};

TEST_F(VdirRemindersStoreTest, ReadsEveryFieldOfEveryVisibleList) {
  put("maison/displayname", "  Maison 🏡\n");
  put("maison/cabane.ics",
      todoFile({"UID:cabane-1", "DTSTAMP:20261201T080000Z", "CREATED:20261130T100000Z",
                "LAST-MODIFIED:20261201T081500Z", "SUMMARY:Réparer la cabane\\, enfin",
                "DTSTART;VALUE=DATE:20261204", "DUE;TZID=Europe/Paris:20261205T173000",
                "PRIORITY:5", "LOCATION:Fond du jardin", "DESCRIPTION:Clous\\nMarteau",
                "URL:https://exemple.fr/cabane", "RRULE:FREQ=WEEKLY;BYDAY=SA", ALARM, ALARM}));
  put("courses/lait.ics", todoFile({"UID:lait-2", "SUMMARY:Lait"}, "\n"));
  // None of these is a reminder to show.
  put("courses/color", "#FF8800\n");
  put("courses/notes.txt", "pas un rappel");
  put("courses/.brouillon.ics", todoFile({"UID:brouillon", "SUMMARY:Caché"}));
  put(".corbeille/vieux.ics", todoFile({"UID:vieux", "SUMMARY:Oublié"}));
  put("courses/fete.ics",
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:fete\r\nSUMMARY:Fête\r\n"
      "DTSTART:20261205T180000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  put("lost.ics", todoFile({"UID:hors-liste", "SUMMARY:Hors liste"}));

  ReminderItem cabane;
  cabane.identifier = "cabane-1";
  cabane.title = "Réparer la cabane, enfin";
  cabane.start = ReminderDate{localDate(2026, 12, 4), false};
  cabane.due = ReminderDate{localDate(2026, 12, 5, 17, 30), true};
  cabane.priority = 5;
  cabane.location = "Fond du jardin";
  cabane.notes = "Clous\nMarteau";
  cabane.url = "https://exemple.fr/cabane";
  cabane.listTitle = "Maison 🏡";
  cabane.alarmCount = 2;
  cabane.recurrenceRuleCount = 1;
  cabane.createdAt = utc(2026, 11, 30, 10, 0);
  cabane.modifiedAt = utc(2026, 12, 1, 8, 15);
  ReminderItem lait;
  lait.identifier = "lait-2";
  lait.title = "Lait";
  lait.listTitle = "courses";  // no displayname: the folder's name
  // Lists in folder-name order.
  EXPECT_EQ(VdirRemindersStore(root_).incompleteReminders(),
            (std::vector<ReminderItem>{lait, cabane}));
}

TEST_F(VdirRemindersStoreTest, DueDayVersusDueTime) {
  // In file-name order, the order they are read in.
  const struct {
    std::string id, due;
    ReminderDate expected;
  } cases[] = {
      {"ete", "DUE;VALUE=DATE:20260701", {utc(2026, 6, 30, 22, 0), false}},  // summer midnight
      {"flottant", "DUE:20261205T093000", {localDate(2026, 12, 5, 9, 30), true}},
      {"inconnu", "DUE;TZID=Nulle/Part:20261205T093000", {localDate(2026, 12, 5, 9, 30), true}},
      {"jour", "DUE;VALUE=DATE:20261205", {localDate(2026, 12, 5), false}},
      {"new-york", "DUE;TZID=America/New_York:20261205T090000", {localDate(2026, 12, 5, 15), true}},
      // A zone defined only inside the file, under a name no zone table knows.
      {"tahiti", "DUE;TZID=Heure de Tahiti:20261205T000000", {utc(2026, 12, 5, 10, 0), true}},
      {"utc", "DUE:20261205T083000Z", {localDate(2026, 12, 5, 9, 30), true}},
  };
  for (const auto& c : cases) {
    put("l/" + c.id + ".ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Heure de Tahiti\r\n"
        "BEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nTZOFFSETFROM:-1000\r\n"
        "TZOFFSETTO:-1000\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VTODO\r\nUID:" +
            c.id + "\r\n" + c.due + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
  }
  const auto items = VdirRemindersStore(root_).incompleteReminders();
  ASSERT_EQ(items.size(), std::size(cases));
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(cases[i].id);
    EXPECT_EQ(items[i].identifier, cases[i].id);
    EXPECT_EQ(items[i].due, cases[i].expected);
    // Absent properties read as none.
    EXPECT_EQ(items[i].priority, 0);
    EXPECT_FALSE(items[i].start.has_value());
  }
}

TEST_F(VdirRemindersStoreTest, CompletedAndCancelledItemsStayOut) {
  put("l/a-faire.ics", todoFile({"UID:a-faire", "STATUS:NEEDS-ACTION"}));
  put("l/en-cours.ics", todoFile({"UID:en-cours", "STATUS:IN-PROCESS", "PERCENT-COMPLETE:50"}));
  put("l/sans-statut.ics", todoFile({"UID:sans-statut"}));
  put("l/fini.ics", todoFile({"UID:fini", "STATUS:COMPLETED"}));
  put("l/annule.ics", todoFile({"UID:annule", "STATUS:CANCELLED"}));
  // A stamp without the status still means done.
  put("l/tamponne.ics",
      todoFile({"UID:tamponne", "STATUS:NEEDS-ACTION", "COMPLETED:20261201T100000Z"}));
  // An occurrence override is not a reminder of its own.
  put("l/serie.ics",
      todoFile({"UID:serie", "DTSTART:20261205T090000Z", "RRULE:FREQ=DAILY", "END:VTODO",
                "BEGIN:VTODO", "UID:serie", "RECURRENCE-ID:20261206T090000Z", "SUMMARY:Déplacée"}));

  EXPECT_EQ(identifiers(VdirRemindersStore(root_).incompleteReminders()),
            (std::vector<std::string>{"a-faire", "en-cours", "sans-statut", "serie"}));
}

TEST_F(VdirRemindersStoreTest, BrokenFilesAreSkippedWithOneWarningAndNeverRewritten) {
  // Cut short after its to-do: the item itself looks whole, the calendar is not.
  const std::string cut =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:casse\r\nSUMMARY:Vase\r\nEND:VTODO\r\n";
  put("courses/casse.ics", cut);
  put("courses/sans-uid.ics", todoFile({"SUMMARY:Qui suis-je ?"}));
  put("courses/lait.ics", todoFile({"UID:lait", "SUMMARY:Lait"}));
  put("courses/oeufs.ics", todoFile({"UID:oeufs", "SUMMARY:Œufs"}));
  VdirRemindersStore store(root_);

  ::testing::internal::CaptureStderr();
  const auto items = store.incompleteReminders();
  const std::string warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(identifiers(items), (std::vector<std::string>{"lait", "oeufs"}));
  const auto lines = splitLines(warnings);
  ASSERT_EQ(lines.size(), 2u) << warnings;
  EXPECT_NE(lines[0].find("casse.ics"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("sans-uid.ics"), std::string::npos) << lines[1];

  // The same files again: no second round of warnings.
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(store.incompleteReminders().size(), 2u);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

  EXPECT_FALSE(store.complete("casse", Date{0}));
  EXPECT_EQ(text("courses/casse.ics"), cut);

  // A name that would drive the terminal reaches it without its control characters.
  put("courses/\x1b]0;titre\x07.ics", cut);
  ::testing::internal::CaptureStderr();
  store.incompleteReminders();
  const std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(told.find("titre"), std::string::npos) << told;
  EXPECT_EQ(told.find_first_of("\x1b\x07"), std::string::npos) << told;
}

TEST_F(VdirRemindersStoreTest, CompleteStampsTheItemAndKeepsEverythingElse) {
  // The second STATUS is a repeat some tools leave behind.
  std::vector<std::string> cabane{
      "UID:cabane",
      "DTSTAMP:20261201T080000Z",
      "SUMMARY:Réparer la cabane",
      "STATUS:NEEDS-ACTION",
      "PERCENT-COMPLETE:20",
      "STATUS:IN-PROCESS",
      "X-TALEWICK-HUMEUR;X-NIVEAU=\"haut:très\":joyeuse\\, un peu;fatiguée",
      "CATEGORIES:maison,jardin",
      "DESCRIPTION:Une très longue description qui a été repliée par l'application d'o",
      " rigine sur deux lignes.",
      "X-APPLE-SORT-ORDER:42",
      ALARM};
  put("maison/cabane.ics", todoFile(cabane));
  const std::string voisin = todoFile({"UID:voisin", "SUMMARY:Dire bonjour au voisin"});
  put("maison/voisin.ics", voisin);
  // A bare item, written with plain line feeds.
  put("courses/pain.ics", todoFile({"UID:pain", "SUMMARY:Pain"}, "\n"));
  VdirRemindersStore store(root_);
  const Date now = localDate(2026, 12, 5, 10, 15);  // 09:15 UTC

  ASSERT_TRUE(store.complete("cabane", now));
  // A stamp already there is replaced where it stands, its repeat dropped; the missing ones go
  // after the item's own lines, ahead of the alarm. Every other line, folded halves and CRLF
  // included, keeps its bytes.
  cabane[1] = "DTSTAMP:20261205T091500Z";
  cabane[3] = "STATUS:COMPLETED";
  cabane[4] = "PERCENT-COMPLETE:100";
  cabane.erase(cabane.begin() + 5);
  cabane.insert(cabane.end() - 1, {"COMPLETED:20261205T091500Z", "LAST-MODIFIED:20261205T091500Z"});
  EXPECT_EQ(text("maison/cabane.ics"), todoFile(cabane));
  EXPECT_EQ(text("maison/voisin.ics"), voisin);

  ASSERT_TRUE(store.complete("pain", now));
  EXPECT_EQ(text("courses/pain.ics"),
            todoFile({"UID:pain", "SUMMARY:Pain", "STATUS:COMPLETED", "COMPLETED:20261205T091500Z",
                      "PERCENT-COMPLETE:100", "LAST-MODIFIED:20261205T091500Z",
                      "DTSTAMP:20261205T091500Z"},
                     "\n"));

  EXPECT_EQ(identifiers(store.incompleteReminders()), (std::vector<std::string>{"voisin"}));
  // Ticked is not unknown: the item is still in its list.
  EXPECT_TRUE(store.isClosed("pain"));
  EXPECT_FALSE(store.isClosed("voisin"));
  EXPECT_FALSE(store.isClosed("inconnu"));
  EXPECT_FALSE(store.isClosed(""));
  // No temporary file left behind.
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  }
}

TEST_F(VdirRemindersStoreTest, UnknownIdsAndMissingAccess) {
  const std::string lait = todoFile({"UID:lait", "SUMMARY:Lait"});
  put("courses/lait.ics", lait);

  VdirRemindersStore store(root_);
  EXPECT_TRUE(store.hasFullAccess());
  EXPECT_TRUE(store.requestAccess());
  EXPECT_FALSE(store.complete("inconnu", Date{0}));
  EXPECT_FALSE(store.complete("", Date{0}));

  // Disabled, or without its folder, the store reads and writes nothing.
  VdirRemindersStore disabled(root_, true), missing(root_ / "nulle-part");
  for (VdirRemindersStore* none : {&disabled, &missing}) {
    EXPECT_FALSE(none->hasFullAccess());
    EXPECT_FALSE(none->requestAccess());
    EXPECT_TRUE(none->incompleteReminders().empty());
    EXPECT_FALSE(none->complete("lait", Date{0}));
  }
  EXPECT_EQ(text("courses/lait.ics"), lait);
  put("un-fichier", "pas un dossier");
  EXPECT_FALSE(VdirRemindersStore(root_ / "un-fichier").hasFullAccess());
}

}  // namespace
}  // namespace talewick
