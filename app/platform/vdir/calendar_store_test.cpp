// The vdir calendar store over hand-written .ics files in a temporary folder. Every test program
// runs with TZ=Europe/Paris, so local times below are Paris times.
#include "platform/vdir/calendar_store.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "platform/atomic_file.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {

// Readable failures for participants (found by argument-dependent lookup).
static void PrintTo(const Participant& p, std::ostream* os) {
  *os << "{" << p.name.value_or("-") << ", " << p.url << ", status " << static_cast<int>(p.status)
      << ", role " << static_cast<int>(p.role) << (p.isCurrentUser ? ", moi" : "") << "}";
}

namespace {

namespace fs = std::filesystem;
using testing::localDate;
using Lines = std::vector<std::string>;

// A VCALENDAR around `body`, with the CRLF line ends of the standard.
std::string ics(const std::string& body) {
  const std::string text =
      "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Talewick//Tests//FR\n" + body + "END:VCALENDAR\n";
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A VEVENT with its UID and title, then `lines` (each ending with "\n").
std::string vevent(const std::string& uid, const std::string& title, const std::string& lines) {
  return "BEGIN:VEVENT\nUID:" + uid + "\nSUMMARY:" + title + "\n" + lines + "END:VEVENT\n";
}

// "2026-11-02 10:00" on the local clock.
std::string local(Date d) {
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                f.minute);
  return buf;
}

// "2026-12-01 09:00→09:15 title" for each occurrence, in the store's order; the end's day is
// written when it is another.
Lines describe(const std::vector<CalendarEvent>& events) {
  Lines out;
  for (const CalendarEvent& e : events) {
    const std::string start = local(e.start), end = local(e.end);
    out.push_back(start + "→" + (end.starts_with(start.substr(0, 11)) ? end.substr(11) : end) +
                  " " + e.title.value_or("(sans titre)"));
  }
  return out;
}

// The CalendarStoreError message of `f`, or "(accepté)".
template <class F>
std::string refusal(F&& f) {
  try {
    f();
  } catch (const CalendarStoreError& e) {
    return e.what();
  }
  return "(accepté)";
}

class VdirStoreTest : public ::testing::Test {
 protected:
  fs::path write(const std::string& calendarID, const std::string& name, const std::string& text) {
    return folder_.write(calendarID + "/" + name, text);
  }

  // A file holding one event, named after its UID.
  fs::path add(const std::string& calendarID, const std::string& uid, const std::string& title,
               const std::string& lines) {
    return write(calendarID, uid + ".ics", ics(vevent(uid, title, lines)));
  }

  static std::vector<CalendarEvent> between(VdirCalendarStore& store, Date start, Date end,
                                            std::optional<Lines> ids = {}) {
    return store.events(store.predicateForEvents(start, end, std::move(ids)));
  }

  static std::vector<CalendarEvent> december(VdirCalendarStore& store) {
    return between(store, localDate(2026, 12, 1), localDate(2027, 1, 1));
  }

  static std::vector<CalendarEvent> onDecember1(VdirCalendarStore& store,
                                                std::optional<Lines> ids = {}) {
    return between(store, localDate(2026, 12, 1), localDate(2026, 12, 2), std::move(ids));
  }

  testing::TempFolder folder_{"vdir"};
  const fs::path root_ = folder_.path();
  // Reads lazily: the files a test writes after it is made are seen.
  VdirCalendarStore store_{root_, {}, false};
};

// A weekly meeting at 10:00 Paris time from Monday 19 October 2026, across the end of summer
// time (25 October): the 16 November one is cancelled, the 23 November one moved to Tuesday
// afternoon, the 9 November one (its RECURRENCE-ID in UTC) moved out of November, and the
// 7 December one brought forward into November.
const std::string kWeeklySeries = ics(
    vevent("conseil-des-sages", "Conseil des sages",
           "DTSTART;TZID=Europe/Paris:20261019T100000\nDTEND;TZID=Europe/Paris:20261019T110000\n"
           "RRULE:FREQ=WEEKLY;BYDAY=MO\nEXDATE;TZID=Europe/Paris:20261116T100000\n") +
    vevent("conseil-des-sages", "Conseil des sages (mardi)",
           "RECURRENCE-ID;TZID=Europe/Paris:20261123T100000\n"
           "DTSTART;TZID=Europe/Paris:20261124T150000\nDTEND;TZID=Europe/Paris:20261124T160000\n") +
    vevent("conseil-des-sages", "Conseil des sages (reporté)",
           "RECURRENCE-ID:20261109T090000Z\n"
           "DTSTART;TZID=Europe/Paris:20261210T100000\nDTEND;TZID=Europe/Paris:20261210T110000\n") +
    vevent("conseil-des-sages", "Conseil des sages (avancé)",
           "RECURRENCE-ID;TZID=Europe/Paris:20261207T100000\n"
           "DTSTART;TZID=Europe/Paris:20261130T080000\nDTEND;TZID=Europe/Paris:20261130T090000\n"));

TEST_F(VdirStoreTest, CalendarsComeFromFoldersWithTitlesAndColours) {
  write("travail", "displayname", "  Travail & quêtes\n");
  write("travail", "color", "#1f77b4\n");
  write("famille", "color", "bleu lagon");
  write("perso", "displayname", "\n");
  write("perso", "color", "2CA02Cff");
  fs::create_directories(root_ / ".cache");
  folder_.write("notes.txt", "pas un calendrier");

  const auto shown = [&] {
    Lines out;
    for (const CalendarInfo& c : store_.calendars()) {
      out.push_back(c.identifier + " | " + c.title + " | " + c.colorHex.value_or("-") +
                    (c.allowsContentModifications ? " | modifiable" : " | lecture seule"));
    }
    return out;
  };
  EXPECT_EQ(shown(),
            (Lines{"famille | famille | - | modifiable", "perso | perso | #2CA02C | modifiable",
                   "travail | Travail & quêtes | #1F77B4 | modifiable"}));

  if (::geteuid() != 0) {  // root may write anywhere
    fs::permissions(root_ / "famille", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(shown()[0], "famille | famille | - | lecture seule");
    EXPECT_EQ(shown()[1], "perso | perso | #2CA02C | modifiable");
  }
}

TEST_F(VdirStoreTest, AccessIsGrantedOnlyOnAReadableFolderAndNeverWhenDisabled) {
  add("perso", "a", "A", "DTSTART:20261201T090000Z\n");

  VdirCalendarStore disabled(root_, {}, true);
  EXPECT_FALSE(disabled.requestFullAccess());
  EXPECT_TRUE(disabled.calendars().empty());
  EXPECT_TRUE(onDecember1(disabled).empty());
  EXPECT_FALSE(disabled.event("a"));

  EXPECT_TRUE(store_.requestFullAccess());
  EXPECT_EQ(onDecember1(store_).size(), 1u);

  const fs::path missing = root_ / "pas-encore";
  VdirCalendarStore absent(missing, {}, false);
  EXPECT_FALSE(absent.requestFullAccess());
  EXPECT_FALSE(fs::exists(missing));  // asking creates nothing
  EXPECT_TRUE(absent.calendars().empty());
  EXPECT_TRUE(onDecember1(absent).empty());
}

TEST_F(VdirStoreTest, WeeklySeriesHonoursExdatesOverridesAndSummerTime) {
  write("travail", "conseil-des-sages.ics", kWeeklySeries);

  const auto events = between(store_, localDate(2026, 10, 19), localDate(2026, 12, 1));
  EXPECT_EQ(describe(events), (Lines{"2026-10-19 10:00→11:00 Conseil des sages",
                                     "2026-10-26 10:00→11:00 Conseil des sages",
                                     "2026-11-02 10:00→11:00 Conseil des sages",
                                     "2026-11-24 15:00→16:00 Conseil des sages (mardi)",
                                     "2026-11-30 08:00→09:00 Conseil des sages (avancé)",
                                     "2026-11-30 10:00→11:00 Conseil des sages"}));
  for (const CalendarEvent& e : events) {
    EXPECT_EQ(e.eventIdentifier, "conseil-des-sages");
    EXPECT_EQ(e.externalIdentifier, "conseil-des-sages");
    EXPECT_EQ(e.calendarID, "travail");
    EXPECT_TRUE(e.hasRecurrenceRules);
    EXPECT_FALSE(e.allDay);
    ASSERT_TRUE(e.occurrenceDate);
  }
  // Each occurrence remembers where its series first put it.
  EXPECT_EQ(*events[0].occurrenceDate, localDate(2026, 10, 19, 10));
  EXPECT_EQ(*events[3].occurrenceDate, localDate(2026, 11, 23, 10));
  EXPECT_EQ(*events[4].occurrenceDate, localDate(2026, 12, 7, 10));
  EXPECT_EQ(events[0].recurrenceRule, "FREQ=WEEKLY;BYDAY=MO");

  // December: the override moved in from November shows, the one moved out does not.
  EXPECT_EQ(describe(between(store_, localDate(2026, 12, 1), localDate(2026, 12, 15))),
            (Lines{"2026-12-10 10:00→11:00 Conseil des sages (reporté)",
                   "2026-12-14 10:00→11:00 Conseil des sages"}));

  const std::optional<CalendarEvent> master = store_.event("conseil-des-sages");
  ASSERT_TRUE(master);
  EXPECT_EQ(master->start, localDate(2026, 10, 19, 10));
  EXPECT_EQ(master->end, localDate(2026, 10, 19, 11));
  EXPECT_EQ(master->title, "Conseil des sages");
  EXPECT_TRUE(master->hasRecurrenceRules);
  EXPECT_FALSE(store_.event("dragon-inconnu"));
}

TEST_F(VdirStoreTest, CountIsCountedFromTheFirstOccurrenceAndUntilIsInclusive) {
  add("perso", "potion", "Potion de vigueur",
      "DTSTART:20261128T080000Z\nDTEND:20261128T081500Z\nRRULE:FREQ=DAILY;COUNT=5\n");
  add("perso", "ronde", "Ronde du guet",
      "DTSTART:20261201T170000Z\nDTEND:20261201T173000Z\nRRULE:FREQ=DAILY;UNTIL="
      "20261203T170000Z\n");
  add("perso", "relève", "Relève",
      "DTSTART;TZID=Europe/Paris:20261201T200000\nDURATION:PT30M\n"
      "RRULE:FREQ=DAILY;UNTIL=20261203T185959Z\n");
  // Every other Monday since January 2020, with no end: only its weeks in December.
  add("perso", "forge", "Forge des runes",
      "DTSTART;TZID=Europe/Paris:20200106T180000\nDTEND;TZID=Europe/Paris:20200106T190000\n"
      "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO\n");

  EXPECT_EQ(
      describe(december(store_)),
      (Lines{"2026-12-01 09:00→09:15 Potion de vigueur", "2026-12-01 18:00→18:30 Ronde du guet",
             "2026-12-01 20:00→20:30 Relève", "2026-12-02 09:00→09:15 Potion de vigueur",
             "2026-12-02 18:00→18:30 Ronde du guet", "2026-12-02 20:00→20:30 Relève",
             "2026-12-03 18:00→18:30 Ronde du guet", "2026-12-14 18:00→19:00 Forge des runes",
             "2026-12-28 18:00→19:00 Forge des runes"}));
}

TEST_F(VdirStoreTest, ATimeSkippedBySummerTimeDoesNotShiftTheFollowingOccurrences) {
  // 02:30 does not exist on 28 March 2027 in Paris: that night the watch starts an hour later,
  // and the next nights at 02:30 again.
  add("perso", "guet", "Guet de nuit",
      "DTSTART;TZID=Europe/Paris:20270326T023000\nDTEND;TZID=Europe/Paris:20270326T030000\n"
      "RRULE:FREQ=DAILY\n");
  add("perso", "ronde", "Ronde de nuit",
      "DTSTART;TZID=Europe/Paris:20270128T023000\nDTEND;TZID=Europe/Paris:20270128T030000\n"
      "RRULE:FREQ=MONTHLY;COUNT=4\n");

  EXPECT_EQ(describe(between(store_, localDate(2027, 3, 27), localDate(2027, 3, 31))),
            (Lines{"2027-03-27 02:30→03:00 Guet de nuit", "2027-03-28 03:30→04:00 Guet de nuit",
                   "2027-03-28 03:30→04:00 Ronde de nuit", "2027-03-29 02:30→03:00 Guet de nuit",
                   "2027-03-30 02:30→03:00 Guet de nuit"}));
  EXPECT_EQ(describe(between(store_, localDate(2027, 4, 27), localDate(2027, 4, 29))),
            (Lines{"2027-04-27 02:30→03:00 Guet de nuit", "2027-04-28 02:30→03:00 Guet de nuit",
                   "2027-04-28 02:30→03:00 Ronde de nuit"}));
}

TEST_F(VdirStoreTest, AllDayEventsRunFromLocalMidnightToLocalMidnight) {
  add("famille", "noel", "Trêve de Noël",
      "DTSTART;VALUE=DATE:20261224\nDTEND;VALUE=DATE:20261227\n");
  add("famille", "galette", "Galette des rois", "DTSTART;VALUE=DATE:20270106\n");
  add("famille", "tournoi", "Tournoi d'hiver", "DTSTART;VALUE=DATE:20270109\nDURATION:P2D\n");
  // Yearly, across the change to summer time on 28 March 2027.
  add("famille", "anniv", "Anniversaire de Mamie",
      "DTSTART;VALUE=DATE:20200328\nRRULE:FREQ=YEARLY\n");

  const auto events = between(store_, localDate(2026, 12, 26), localDate(2027, 4, 1));
  EXPECT_EQ(describe(events), (Lines{"2026-12-24 00:00→2026-12-27 00:00 Trêve de Noël",
                                     "2027-01-06 00:00→2027-01-07 00:00 Galette des rois",
                                     "2027-01-09 00:00→2027-01-11 00:00 Tournoi d'hiver",
                                     "2027-03-28 00:00→2027-03-29 00:00 Anniversaire de Mamie"}));
  for (const CalendarEvent& e : events) EXPECT_TRUE(e.allDay) << *e.title;
  EXPECT_EQ(events[3].end - events[3].start, 23 * 3600.0);  // a day one hour short
  EXPECT_EQ(*events[3].occurrenceDate, localDate(2027, 3, 28));
  EXPECT_FALSE(events[0].occurrenceDate);  // a single event

  // The truce ends at midnight on the 27th: a window starting then does not see it.
  EXPECT_EQ(describe(between(store_, localDate(2026, 12, 27), localDate(2027, 1, 7))),
            (Lines{"2027-01-06 00:00→2027-01-07 00:00 Galette des rois"}));
}

TEST_F(VdirStoreTest, NamedZonesUtcAndFloatingTimesMeetOnTheLocalClock) {
  add("travail", "ny", "Appel de la guilde de New York",
      "DTSTART;TZID=America/New_York:20261201T090000\n"
      "DTEND;TZID=America/New_York:20261201T100000\n");
  add("travail", "utc", "Message du héraut", "DTSTART:20261201T120000Z\nDTEND:20261201T121500Z\n");
  add("travail", "flottant", "Petit-déjeuner du héros",
      "DTSTART:20261201T083000\nDTEND:20261201T090000\n");
  // A zone the file defines itself, under a name no library knows: its own rules apply. The same
  // name in another file, with other rules: each file keeps its own.
  const auto tower = [](const std::string& offset, const std::string& uid,
                        const std::string& title) {
    return ics(
        "BEGIN:VTIMEZONE\nTZID:Fuseau de la Tour\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
        "TZOFFSETFROM:" +
        offset + "\nTZOFFSETTO:" + offset + "\nEND:STANDARD\nEND:VTIMEZONE\n" +
        vevent(uid, title, "DTSTART;TZID=Fuseau de la Tour:20261201T180000\nDURATION:PT1H\n"));
  };
  write("travail", "maison.ics", tower("+0300", "tour", "Veille à la tour"));
  write("perso", "donjon.ics", tower("+0500", "donjon", "Ronde au donjon"));

  EXPECT_EQ(
      describe(onDecember1(store_)),
      (Lines{"2026-12-01 08:30→09:00 Petit-déjeuner du héros",
             "2026-12-01 13:00→13:15 Message du héraut", "2026-12-01 14:00→15:00 Ronde au donjon",
             "2026-12-01 15:00→16:00 Appel de la guilde de New York",
             "2026-12-01 16:00→17:00 Veille à la tour"}));

  // A floating time is read on whatever clock the user now has; fixed times do not move.
  struct ZoneGuard {
    ~ZoneGuard() { LocalCalendar::setTimeZone("Europe/Paris"); }
  } guard;
  LocalCalendar::setTimeZone("America/New_York");
  const auto events =
      between(store_, localDate(2026, 11, 30), localDate(2026, 12, 3), Lines{"travail"});
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].title, "Message du héraut");
  EXPECT_EQ(events[0].start, Date::fromUnix(1796126400));  // 12:00 UTC, as before
  EXPECT_EQ(events[1].title, "Petit-déjeuner du héros");
  EXPECT_EQ(events[1].start, *LocalCalendar::dateFrom(CivilTime{2026, 12, 1, 8, 30, 0}));
  EXPECT_EQ(local(events[1].start), "2026-12-01 08:30");
}

TEST_F(VdirStoreTest, OccurrencesReachingIntoTheWindowCountButNotThoseEndingAtItsStart) {
  add("perso", "veillee", "Veillée aux contes",
      "DTSTART;TZID=Europe/Paris:20261130T230000\nDTEND;TZID=Europe/Paris:20261201T013000\n");
  add("perso", "garde", "Tour de garde",
      "DTSTART;TZID=Europe/Paris:20261125T220000\nDTEND;TZID=Europe/Paris:20261126T020000\n"
      "RRULE:FREQ=DAILY\n");
  add("perso", "avant", "Fini juste avant",
      "DTSTART;TZID=Europe/Paris:20261130T220000\nDTEND;TZID=Europe/Paris:20261201T000000\n");
  add("perso", "cloche", "Coup de cloche", "DTSTART;TZID=Europe/Paris:20261201T000000\n");

  EXPECT_EQ(describe(between(store_, localDate(2026, 12, 1), localDate(2026, 12, 1, 23))),
            (Lines{"2026-11-30 22:00→2026-12-01 02:00 Tour de garde",
                   "2026-11-30 23:00→2026-12-01 01:30 Veillée aux contes",
                   "2026-12-01 00:00→00:00 Coup de cloche",
                   "2026-12-01 22:00→2026-12-02 02:00 Tour de garde"}));
}

TEST_F(VdirStoreTest, ParticipantsKeepTheirStatusRoleAndTheUserIsRecognised) {
  add("travail", "conseil", "Conseil de guerre\\, salle 3",
      "LOCATION:Tour nord\\; 2e étage\nDESCRIPTION:Apporter les cartes.\\nEt le thé.\n"
      "URL:https://exemple.fr/conseil\nDTSTART:20261201T090000Z\nDTEND:20261201T100000Z\n"
      "ORGANIZER;CN=Dame Hélène:mailto:helene@exemple.fr\n"
      "ATTENDEE;CN=Moi;PARTSTAT=TENTATIVE;ROLE=REQ-PARTICIPANT:MAILTO:Heros@Exemple.FR\n"
      "ATTENDEE;CN=Paul;PARTSTAT=ACCEPTED;ROLE=CHAIR:mailto:paul@exemple.fr\n"
      "ATTENDEE;PARTSTAT=DECLINED;ROLE=OPT-PARTICIPANT:mailto:zoe@exemple.fr\n"
      "ATTENDEE;PARTSTAT=NEEDS-ACTION;ROLE=NON-PARTICIPANT:mailto:salle3@exemple.fr\n"
      "ATTENDEE;PARTSTAT=DELEGATED:mailto:lea@exemple.fr\n"
      "ATTENDEE;PARTSTAT=COMPLETED:mailto:karim@exemple.fr\n"
      "ATTENDEE;PARTSTAT=IN-PROCESS:mailto:anais@exemple.fr\n"
      "ATTENDEE:mailto:inconnu@exemple.fr\n");
  VdirCalendarStore mine(root_, {"  heros@exemple.fr "}, false);

  const auto events = between(mine, localDate(2026, 12, 1), localDate(2026, 12, 2));
  ASSERT_EQ(events.size(), 1u);
  const CalendarEvent& e = events[0];
  EXPECT_EQ(e.title, "Conseil de guerre, salle 3");
  EXPECT_EQ(e.location, "Tour nord; 2e étage");
  EXPECT_EQ(e.notes, "Apporter les cartes.\nEt le thé.");
  EXPECT_EQ(e.url, "https://exemple.fr/conseil");
  EXPECT_FALSE(e.occurrenceDate);
  EXPECT_FALSE(e.hasRecurrenceRules);

  using S = ParticipantStatus;
  using R = ParticipantRole;
  const std::vector<Participant> expected{
      {"Moi", "MAILTO:Heros@Exemple.FR", S::tentative, R::required, true},
      {"Paul", "mailto:paul@exemple.fr", S::accepted, R::chair, false},
      {std::nullopt, "mailto:zoe@exemple.fr", S::declined, R::optional, false},
      {std::nullopt, "mailto:salle3@exemple.fr", S::pending, R::nonParticipant, false},
      {std::nullopt, "mailto:lea@exemple.fr", S::delegated, R::required, false},
      {std::nullopt, "mailto:karim@exemple.fr", S::completed, R::required, false},
      {std::nullopt, "mailto:anais@exemple.fr", S::inProcess, R::required, false},
      {std::nullopt, "mailto:inconnu@exemple.fr", S::unknown, R::required, false},
  };
  EXPECT_EQ(e.attendees, expected);
  EXPECT_EQ(e.organizer, (Participant{"Dame Hélène", "mailto:helene@exemple.fr"}));

  // The organizer is the user in another store that knows her address.
  VdirCalendarStore hers(root_, {"mailto:HELENE@exemple.fr"}, false);
  const auto seen = between(hers, localDate(2026, 12, 1), localDate(2026, 12, 2));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].organizer->isCurrentUser);
  EXPECT_FALSE(seen[0].attendees[0].isCurrentUser);
}

TEST_F(VdirStoreTest, UnreadableFilesAreSkippedWithOneWarningEach) {
  add("perso", "bon", "Quête sûre", "DTSTART:20261201T090000Z\n");
  const Lines unreadable = {
      write("perso", "grimoire.ics", "Ceci n'est pas un calendrier.\n"),
      write("perso", "coupe.ics",
            "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:coupe\r\nDTSTART:2026120"),
      add("perso", "sans-debut", "Jamais", ""),
      add("perso", "date-folle", "Bientôt", "DTSTART:demain matin\n"),
      write("perso", "orphelin.ics", "END:VEVENT\r\nBEGIN:VEVENT\r\n"),
  };
  write("perso", ".cache.ics", "n'importe quoi");  // hidden: not even looked at
  write("perso", "notes.txt", "pas un événement");

  ::testing::internal::CaptureStderr();
  const auto events = onDecember1(store_);
  const std::string warnings = ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].title, "Quête sûre");
  Lines expected, lines;
  for (const std::string& p : unreadable) {
    expected.push_back("talewick : fichier ignoré (illisible) : " + p);
  }
  for (size_t pos = 0, eol; (eol = warnings.find('\n', pos)) != std::string::npos; pos = eol + 1) {
    lines.push_back(warnings.substr(pos, eol - pos));
  }
  std::sort(expected.begin(), expected.end());
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, expected) << warnings;

  // Unchanged, they are not reported again.
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(onDecember1(store_).size(), 1u);
  EXPECT_EQ(store_.calendars().size(), 1u);
  EXPECT_FALSE(store_.event("coupe"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

  // A name that would drive the terminal reaches it without its control characters.
  write("perso", "\x1b]0;titre\x07.ics", "rien");
  ::testing::internal::CaptureStderr();
  onDecember1(store_);
  const std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(told.find("titre"), std::string::npos) << told;
  EXPECT_EQ(told.find_first_of("\x1b\x07"), std::string::npos) << told;
}

TEST_F(VdirStoreTest, ChangedAddedAndRemovedFilesAreSeenOnTheNextQuery) {
  const fs::path dragon = add("perso", "dragon", "Dragon", "DTSTART:20261201T090000Z\n");
  const fs::path troll = add("perso", "troll", "Troll", "DTSTART:20261201T100000Z\n");
  ASSERT_EQ(onDecember1(store_).size(), 2u);

  // Rewritten in place: another size.
  add("perso", "dragon", "Dragon rouge", "DTSTART:20261201T140000Z\n");
  // The same size, another modification time.
  std::string text = *files::read(troll);
  text.replace(text.find("Troll"), 5, "Golem");
  folder_.write("perso/troll.ics", text);
  struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, troll.c_str(), times, 0), 0);
  add("perso", "gobelin", "Gobelin", "DTSTART:20261201T080000Z\n");

  EXPECT_EQ(describe(onDecember1(store_)),
            (Lines{"2026-12-01 09:00→09:00 Gobelin", "2026-12-01 11:00→11:00 Golem",
                   "2026-12-01 15:00→15:00 Dragon rouge"}));

  fs::remove(dragon);
  EXPECT_EQ(describe(onDecember1(store_)),
            (Lines{"2026-12-01 09:00→09:00 Gobelin", "2026-12-01 11:00→11:00 Golem"}));
  EXPECT_FALSE(store_.event("dragon"));
  EXPECT_FALSE(store_.event("golem"));
  EXPECT_EQ(store_.event("troll")->title, "Golem");

  // A whole calendar taken away, while only another one is asked for.
  add("travail", "revue", "Revue", "DTSTART:20261201T070000Z\n");
  ASSERT_TRUE(store_.event("revue"));
  fs::remove_all(root_ / "perso");
  EXPECT_EQ(onDecember1(store_, Lines{"travail"}).size(), 1u);
  EXPECT_FALSE(store_.event("troll"));
  EXPECT_EQ(describe(onDecember1(store_)), (Lines{"2026-12-01 08:00→08:00 Revue"}));
}

TEST_F(VdirStoreTest, QueriesKeepToTheirCalendarsAndSortTiesByIdentifier) {
  // File names in another order than the UIDs, which decide.
  const std::string at = "DTSTART:20261201T090000Z\nDTEND:20261201T100000Z\n";
  write("perso", "b.ics", ics(vevent("b-sieste", "Sieste", at)));
  write("perso", "a.ics", ics(vevent("c-yoga", "Yoga", at)));
  write("travail", "c.ics", ics(vevent("a-revue", "Revue", at)));

  Lines ids;
  for (const CalendarEvent& e : onDecember1(store_)) ids.push_back(e.eventIdentifier);
  EXPECT_EQ(ids, (Lines{"a-revue", "b-sieste", "c-yoga"}));

  const auto perso = onDecember1(store_, Lines{"perso", "inconnu"});
  ASSERT_EQ(perso.size(), 2u);
  for (const CalendarEvent& e : perso) EXPECT_EQ(e.calendarID, "perso");
  EXPECT_TRUE(onDecember1(store_, Lines{}).empty());
}

TEST_F(VdirStoreTest, AFolderOfManyFilesLoadsWhole) {
  // Enough files for the store to share them between threads; every seventh one a short series.
  Lines expected;
  for (int i = 0; i < 300; ++i) {
    char start[64];
    std::snprintf(start, sizeof start, "DTSTART;TZID=Europe/Paris:202612%02dT%02d%02d00\n",
                  1 + i % 28, 8 + i % 10, i % 60);
    const std::string uid = "quete-" + std::to_string(i), title = "Quête n°" + std::to_string(i);
    add(i % 3 == 0   ? "travail"
        : i % 3 == 1 ? "perso"
                     : "famille",
        uid, title,
        start + std::string("DURATION:PT45M\n") + (i % 7 == 0 ? "RRULE:FREQ=DAILY;COUNT=2\n" : ""));
    const Date first = localDate(2026, 12, 1 + i % 28, 8 + i % 10, i % 60);
    for (int day = 0; day < (i % 7 == 0 ? 2 : 1); ++day) {
      expected.push_back(local(LocalCalendar::addingDays(first, day)) + " " + title);
    }
  }
  std::sort(expected.begin(), expected.end());

  for (int round = 0; round < 2; ++round) {  // parsed, then from the cache
    const auto events = december(store_);
    Lines seen;
    for (const CalendarEvent& e : events) seen.push_back(local(e.start) + " " + *e.title);
    EXPECT_TRUE(std::is_sorted(events.begin(), events.end(),
                               [](const auto& a, const auto& b) { return a.start < b.start; }));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, expected) << "round " << round;
  }
}

// ------------------------------------------------------------------------------------- writes

TEST_F(VdirStoreTest, NewEventsGetAFreshIdentifierAndMoveWithTheirCalendar) {
  fs::create_directories(root_ / "perso");
  fs::create_directories(root_ / "travail");
  CalendarEvent e;
  e.calendarID = "perso";
  e.title = "Chasse au trésor";
  e.start = localDate(2026, 12, 5, 14);
  e.end = localDate(2026, 12, 5, 16);
  store_.save(e, EventSpan::thisEvent);

  EXPECT_TRUE(std::regex_match(e.eventIdentifier,
                               std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-"
                                          "[0-9A-F]{12}")))
      << e.eventIdentifier;
  EXPECT_EQ(e.externalIdentifier, e.eventIdentifier);
  const fs::path path = root_ / "perso" / (e.eventIdentifier + ".ics");
  EXPECT_TRUE(fs::exists(path));
  auto events = december(store_);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].eventIdentifier, e.eventIdentifier);
  EXPECT_EQ(events[0].title, "Chasse au trésor");
  EXPECT_EQ(events[0].start, e.start);
  EXPECT_EQ(events[0].end, e.end);

  CalendarEvent other = e;
  other.eventIdentifier.clear();
  store_.save(other, EventSpan::thisEvent);
  EXPECT_NE(other.eventIdentifier, e.eventIdentifier);
  EXPECT_EQ(december(store_).size(), 2u);

  // Another calendar: the file goes over, under the same name and identifier.
  e.calendarID = "travail";
  e.title = "Chasse au trésor de la guilde";
  store_.save(e, EventSpan::thisEvent);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::exists(root_ / "travail" / path.filename()));
  events = between(store_, e.start, e.end, Lines{"travail"});
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].eventIdentifier, e.eventIdentifier);
  EXPECT_EQ(events[0].calendarID, "travail");
  EXPECT_EQ(events[0].title, "Chasse au trésor de la guilde");
  EXPECT_EQ(events[0].start, e.start);
}

TEST_F(VdirStoreTest, RefusedWritesSayWhyInTheUsersLanguage) {
  fs::create_directories(root_ / "archives");
  add("perso", "bal", "Bal masqué", "DTSTART:20261205T190000Z\n");

  CalendarEvent nowhere;
  nowhere.calendarID = "nulle-part";
  nowhere.start = localDate(2026, 12, 5, 10);
  nowhere.end = localDate(2026, 12, 5, 11);
  EXPECT_EQ(refusal([&] { store_.save(nowhere, EventSpan::thisEvent); }),
            "Calendrier introuvable : nulle-part");
  EXPECT_TRUE(nowhere.eventIdentifier.empty());

  CalendarEvent ghost = nowhere;
  ghost.eventIdentifier = "fantome";
  ghost.calendarID = "perso";
  EXPECT_EQ(refusal([&] { store_.remove(ghost, EventSpan::thisEvent); }),
            "Événement introuvable : fantome");
  EXPECT_EQ(refusal([&] { store_.save(ghost, EventSpan::thisEvent); }),
            "Événement introuvable : fantome");

  CalendarEvent bal = *store_.event("bal");
  bal.calendarID = "nulle-part";
  EXPECT_EQ(refusal([&] { store_.save(bal, EventSpan::thisEvent); }),
            "Calendrier introuvable : nulle-part");

  if (::geteuid() != 0) {  // root may write anywhere
    fs::permissions(root_ / "archives", fs::perms::owner_read | fs::perms::owner_exec);
    nowhere.calendarID = "archives";
    EXPECT_EQ(refusal([&] { store_.save(nowhere, EventSpan::thisEvent); }),
              "Calendrier en lecture seule : archives");
    bal.calendarID = "archives";
    EXPECT_EQ(refusal([&] { store_.save(bal, EventSpan::thisEvent); }),
              "Calendrier en lecture seule : archives");
  }

  VdirCalendarStore disabled(root_, {}, true);
  EXPECT_EQ(refusal([&] { disabled.remove(*store_.event("bal"), EventSpan::thisEvent); }),
            "Accès aux calendriers désactivé");
  EXPECT_TRUE(fs::exists(root_ / "perso" / "bal.ics"));

  // The same refusals in English, each naming what it is about.
  Loc::setLanguage(Loc::Language::en);
  nowhere.calendarID = "nulle-part";
  EXPECT_EQ(refusal([&] { store_.save(nowhere, EventSpan::thisEvent); }),
            "Calendar not found: nulle-part");
  EXPECT_EQ(refusal([&] { store_.remove(ghost, EventSpan::thisEvent); }),
            "Event not found: fantome");
  EXPECT_EQ(refusal([&] { disabled.remove(*store_.event("bal"), EventSpan::thisEvent); }),
            "Calendar access is turned off");
  if (::geteuid() != 0) {
    nowhere.calendarID = "archives";
    EXPECT_EQ(refusal([&] { store_.save(nowhere, EventSpan::thisEvent); }),
              "Read-only calendar: archives");
  }
  Loc::setLanguage(Loc::Language::fr);
}

TEST_F(VdirStoreTest, AFileLibicalHadToRepairIsNeverRewritten) {
  // DTSTAMP cannot be read: the event shows, but writing would silently drop that line.
  const fs::path path =
      add("perso", "repare", "Pont-levis", "DTSTAMP:hier soir\nDTSTART:20261205T090000Z\n");
  const std::optional<std::string> text = files::read(path);
  std::optional<CalendarEvent> e = store_.event("repare");
  ASSERT_TRUE(e);
  e->title = "Pont-levis réparé";
  const std::string refused = "Fichier illisible, laissé intact : " + path.string();
  EXPECT_EQ(refusal([&] { store_.save(*e, EventSpan::thisEvent); }), refused);
  EXPECT_EQ(refusal([&] { store_.remove(*e, EventSpan::thisEvent); }), refused);
  EXPECT_EQ(files::read(path), text);
}

TEST_F(VdirStoreTest, SeriesOccurrencesAreEditedOrEndedAndSingleEventsLoseTheirFile) {
  write("travail", "conseil-des-sages.ics", kWeeklySeries);
  const fs::path single = add("perso", "bal", "Bal masqué", "DTSTART:20261205T190000Z\n");

  std::vector<CalendarEvent> before = december(store_);
  ASSERT_EQ(before.size(), 5u);  // the ball, and 14, 21, 28 and the one moved to the 10th
  CalendarEvent fourteenth = before[2];
  ASSERT_EQ(fourteenth.start, localDate(2026, 12, 14, 10));
  fourteenth.title = "Conseil des sages extraordinaire";
  fourteenth.start = localDate(2026, 12, 14, 16);
  fourteenth.end = localDate(2026, 12, 14, 17);
  store_.save(fourteenth, EventSpan::thisEvent);
  store_.remove(*store_.event("bal"), EventSpan::thisEvent);
  EXPECT_FALSE(fs::exists(single));
  EXPECT_FALSE(store_.event("bal"));

  // The 21st alone goes: the list shows the edit of the 14th too.
  store_.remove(december(store_)[2], EventSpan::thisEvent);
  EXPECT_EQ(describe(december(store_)),
            (Lines{"2026-12-10 10:00→11:00 Conseil des sages (reporté)",
                   "2026-12-14 16:00→17:00 Conseil des sages extraordinaire",
                   "2026-12-28 10:00→11:00 Conseil des sages"}));

  // From the 28th on, nothing is left; earlier months are untouched.
  store_.remove(december(store_)[2], EventSpan::futureEvents);
  EXPECT_EQ(describe(december(store_)),
            (Lines{"2026-12-10 10:00→11:00 Conseil des sages (reporté)",
                   "2026-12-14 16:00→17:00 Conseil des sages extraordinaire"}));
  EXPECT_TRUE(between(store_, localDate(2027, 1, 1), localDate(2027, 6, 1)).empty());
  EXPECT_EQ(between(store_, localDate(2026, 10, 1), localDate(2026, 11, 1)).size(), 2u);
}

// ------------------------------------------------------------------------- zones and threads

// Files parsed on several threads at once, naming zones libical only finds by searching its table
// (and, for old names, adding to it) — from DTSTART as from EXDATE — with a fresh store each
// round so that every round parses everything again.
TEST_F(VdirStoreTest, ManyZonesAndExdatesLoadAlikeOnEveryThread) {
  // Names kept for compatibility: libical adds each to its table the first time it meets it.
  const Lines oldNames = {
      "Africa/Asmera",    "America/Atka",       "America/Buenos_Aires", "America/Catamarca",
      "America/Cordoba",  "America/Fort_Wayne", "America/Godthab",      "America/Indianapolis",
      "America/Jujuy",    "America/Knox_IN",    "America/Louisville",   "America/Mendoza",
      "America/Montreal", "America/Porto_Acre", "America/Rosario",      "America/Shiprock",
      "America/Virgin",   "Asia/Ashkhabad",     "Asia/Calcutta",        "Asia/Chongqing",
      "Asia/Dacca",       "Asia/Istanbul",      "Asia/Katmandu",        "Asia/Macao",
      "Asia/Rangoon",     "Asia/Saigon",        "Asia/Thimbu",          "Asia/Ulan_Bator",
      "Atlantic/Faeroe",  "Australia/Canberra", "Europe/Belfast",       "Europe/Kiev",
      "Europe/Nicosia",   "Pacific/Ponape",     "Pacific/Samoa",        "Pacific/Truk"};
  const Lines current = {"Europe/Paris", "America/New_York", "Asia/Tokyo", "Europe/London"};
  constexpr int kRounds = 12, kFiles = 160;
  ::testing::internal::CaptureStderr();  // the zones nobody knows are told of
  for (int round = 0; round < kRounds; ++round) {
    testing::TempFolder folder{"zones"};
    for (int i = 0; i < kFiles; ++i) {
      const std::string zone =
          i % 4 == 0   ? oldNames[(round * 3 + i / 4) % oldNames.size()]
          : i % 4 == 1 ? current[i % current.size()]
          : i % 4 == 2 ? "Contrée/Inconnue-" + std::to_string(round) + "-" + std::to_string(i)
                       : current[(i + round) % current.size()];
      const std::string uid = "r" + std::to_string(round) + "-" + std::to_string(i);
      // Weekly from Monday 7 December, three times, the second one cancelled.
      folder.write("c" + std::to_string(i % 3) + "/" + uid + ".ics",
                   ics(vevent(uid, uid,
                              "DTSTART;TZID=" + zone +
                                  ":20261207T120000\nDURATION:PT1H\n"
                                  "RRULE:FREQ=WEEKLY;COUNT=3\nEXDATE;TZID=" +
                                  zone + ":20261214T120000\n")));
    }
    VdirCalendarStore store(folder.path(), {}, false);
    const auto events = between(store, localDate(2026, 12, 1), localDate(2027, 1, 1));
    ASSERT_EQ(events.size(), 2u * kFiles) << "round " << round;
    for (const CalendarEvent& e : events) {
      EXPECT_TRUE(e.start < localDate(2026, 12, 9) || e.start > localDate(2026, 12, 19))
          << e.eventIdentifier << " at " << local(e.start);
    }
  }
  ::testing::internal::GetCapturedStderr();
}

// ------------------------------------------------------------------ what is read, what is not

TEST_F(VdirStoreTest, ValidFilesReadEvenAtTheEdgesAndOthersComponentsPassQuietly) {
  struct Case {
    std::string name;
    std::string text;
    Date from, to;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"intervalle-immense",
       ics(vevent("immense", "Une fois par éternité",
                  "DTSTART;TZID=Europe/Paris:20261207T100000\nDURATION:PT1H\n"
                  "RRULE:FREQ=DAILY;INTERVAL=2147483647\n")),
       localDate(2026, 12, 1),
       localDate(2027, 2, 1),
       {"2026-12-07 10:00→11:00 Une fois par éternité"}},
      // Its first week holds two occurrences; the next week is the second period, out of reach.
      {"semaine-immense",
       ics(vevent("semaine", "Deux jours, une fois",
                  "DTSTART;TZID=Europe/Paris:20261207T100000\nDURATION:PT1H\n"
                  "RRULE:FREQ=WEEKLY;INTERVAL=2147483647;BYDAY=MO,WE\n")),
       localDate(2026, 12, 1),
       localDate(2027, 2, 1),
       {"2026-12-07 10:00→11:00 Deux jours, une fois",
        "2026-12-09 10:00→11:00 Deux jours, une fois"}},
      {"an-9999",
       ics(vevent("fin-des-temps", "Fin des temps",
                  "DTSTART:99991231T090000Z\nDTEND:99991231T100000Z\n")),
       localDate(9999, 12, 30),
       localDate(9999, 12, 31, 23),
       {"9999-12-31 10:00→11:00 Fin des temps"}},
      {"an-9999-journee",
       ics(vevent("veille", "Veille de l'an 10000",
                  "DTSTART;VALUE=DATE:99991230\nDTEND;VALUE=DATE:99991231\n")),
       localDate(9999, 12, 1),
       localDate(9999, 12, 31),
       {"9999-12-30 00:00→9999-12-31 00:00 Veille de l'an 10000"}},
      {"tache",
       ics("BEGIN:VTODO\nUID:tache\nSUMMARY:Ranger l'armurerie\nDUE:20261207T100000Z\n"
           "END:VTODO\n"),
       localDate(2026, 12, 1),
       localDate(2027, 1, 1),
       {}},
  };
  for (const Case& c : cases) {
    testing::TempFolder folder{"bords"};
    folder.write("perso/" + c.name + ".ics", c.text);
    VdirCalendarStore store(folder.path(), {}, false);
    ::testing::internal::CaptureStderr();
    const auto events = between(store, c.from, c.to);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.name;
    EXPECT_EQ(describe(events), c.expected) << c.name;
  }
}

TEST_F(VdirStoreTest, AnUnknownZoneIsReadOnTheLocalClockAndToldOnce) {
  const fs::path first = add("perso", "brume-a", "Brume",
                             "DTSTART;TZID=Terres/Brumeuses:20261201T090000\nDURATION:PT1H\n");
  add("perso", "brume-b", "Brume encore",
      "DTSTART;TZID=Terres/Brumeuses:20261201T110000\nDURATION:PT1H\n");
  ::testing::internal::CaptureStderr();
  const auto events = onDecember1(store_);
  const std::string warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(describe(events),
            (Lines{"2026-12-01 09:00→10:00 Brume", "2026-12-01 11:00→12:00 Brume encore"}));
  EXPECT_EQ(warnings,
            "talewick : fuseau horaire inconnu « Terres/Brumeuses », heures lues à l'heure "
            "locale : " +
                first.string() + "\n");
  ::testing::internal::CaptureStderr();
  add("perso", "brume-c", "Brume toujours",
      "DTSTART;TZID=Terres/Brumeuses:20261201T130000\nDURATION:PT1H\n");
  EXPECT_EQ(onDecember1(store_).size(), 3u);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// ------------------------------------------------------------------------- writes, continued

TEST_F(VdirStoreTest, DatesNoCalendarFileCanHoldAreRefusedBeforeAnythingIsWritten) {
  const fs::path bal = add("perso", "bal", "Bal masqué", "DTSTART:20261205T190000Z\n");
  const std::optional<std::string> before = files::read(bal);
  struct Case {
    const char* what;
    Date start, end;
    bool allDay = false;
  };
  const std::vector<Case> cases = {
      // Its end is in year 10000 on the local clock and in UTC alike.
      {"fin en l'an 10000", localDate(9999, 12, 31, 23), localDate(9999, 12, 31, 23).adding(10800)},
      {"journée du 31/12/9999", localDate(9999, 12, 31), localDate(9999, 12, 31).adding(86400),
       true},
      {"an 0", Date::fromUnix(-62151667200.0), Date::fromUnix(-62151663600.0)},  // June, year 0
  };
  for (const Case& c : cases) {
    CalendarEvent fresh;
    fresh.calendarID = "perso";
    fresh.title = "Dîner";
    fresh.start = c.start;
    fresh.end = c.end;
    fresh.allDay = c.allDay;
    EXPECT_THROW(store_.save(fresh, EventSpan::thisEvent), CalendarInputError) << c.what;
    EXPECT_TRUE(fresh.eventIdentifier.empty()) << c.what;

    CalendarEvent moved = *store_.event("bal");
    moved.start = c.start;
    moved.end = c.end;
    moved.allDay = c.allDay;
    EXPECT_THROW(store_.save(moved, EventSpan::thisEvent), CalendarInputError) << c.what;
  }
  EXPECT_EQ(files::read(bal), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "perso"), fs::directory_iterator()), 1);

  // The last hour iCalendar can write is still written, and read back.
  CalendarEvent last;
  last.calendarID = "perso";
  last.title = "Dernier dîner";
  last.start = localDate(9999, 12, 31, 22);
  last.end = localDate(9999, 12, 31, 23);
  store_.save(last, EventSpan::thisEvent);
  EXPECT_EQ(describe(between(store_, localDate(9999, 12, 31), localDate(9999, 12, 31, 23, 30))),
            Lines{"9999-12-31 22:00→23:00 Dernier dîner"});
}

TEST_F(VdirStoreTest, AWriteFirstClearsTheStaleTemporariesOfKilledWriters) {
  fs::create_directories(root_ / "perso");
  fs::create_directories(root_ / "travail");
  const auto temporary = [&](const std::string& calendar, const std::string& name, int ageSeconds) {
    const fs::path p = write(calendar, name, "BEGIN:VCALENDAR\r\n");
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
    return p;
  };
  const fs::path stale = temporary("perso", ".4F2A.ics.123456.tmp", 3600);
  const fs::path writing = temporary("perso", ".9C1B.ics.987.tmp", 5);  // another writer, now
  const Lines others = {
      temporary("perso", ".reglages.json.42.tmp", 3600),  // not an event's
      temporary("perso", ".cache.ics", 3600),             // not a temporary
      temporary("perso", "4F2A.ics.77.tmp", 3600),        // not a dot name
      temporary("travail", ".5D3E.ics.1.tmp", 3600),      // a folder this write does not touch
  };
  EXPECT_EQ(december(store_).size(), 0u);  // reading removes nothing
  EXPECT_TRUE(fs::exists(stale));

  CalendarEvent e;
  e.calendarID = "perso";
  e.title = "Forge";
  e.start = localDate(2026, 12, 5, 10);
  e.end = localDate(2026, 12, 5, 11);
  store_.save(e, EventSpan::thisEvent);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(writing));
  for (const std::string& p : others) EXPECT_TRUE(fs::exists(p)) << p;
  EXPECT_EQ(december(store_).size(), 1u);
}

TEST_F(VdirStoreTest, TheSameUidInTwoCalendarsIsReachedByCalendar) {
  add("perso", "ok1", "Goûter chez mamie", "DTSTART:20261205T150000Z\nDURATION:PT1H\n");
  add("travail", "ok1", "Revue de la guilde", "DTSTART:20261207T090000Z\nDURATION:PT1H\n");
  EXPECT_EQ(store_.event("ok1", "perso")->title, "Goûter chez mamie");
  EXPECT_EQ(store_.event("ok1", "travail")->title, "Revue de la guilde");
  EXPECT_FALSE(store_.event("ok1", "famille"));

  CalendarEvent review = *store_.event("ok1", "travail");
  review.start = localDate(2026, 12, 8, 14);
  review.end = localDate(2026, 12, 8, 15);
  store_.save(review, EventSpan::thisEvent);
  EXPECT_EQ(describe(december(store_)), (Lines{"2026-12-05 16:00→17:00 Goûter chez mamie",
                                               "2026-12-08 14:00→15:00 Revue de la guilde"}));

  // A third calendar as target: which of the two goes there is not for the store to guess.
  fs::create_directories(root_ / "famille");
  CalendarEvent elsewhere = review;
  elsewhere.calendarID = "famille";
  EXPECT_EQ(refusal([&] { store_.save(elsewhere, EventSpan::thisEvent); }),
            "Événement présent dans plusieurs agendas (perso, travail) : ok1");

  store_.remove(*store_.event("ok1", "perso"), EventSpan::thisEvent);
  EXPECT_FALSE(fs::exists(root_ / "perso" / "ok1.ics"));
  EXPECT_EQ(describe(december(store_)), Lines{"2026-12-08 14:00→15:00 Revue de la guilde"});
}

TEST_F(VdirStoreTest, AFileTheSystemRefusesIsNamedInTheMessage) {
  add("perso", "bal", "Bal masqué", "DTSTART:20261205T190000Z\n");
  fs::create_directories(root_ / "travail" / "bal.ics");  // a folder where the file would go
  CalendarEvent bal = *store_.event("bal");
  bal.calendarID = "travail";
  const std::string target = (root_ / "travail" / "bal.ics").string();
  EXPECT_EQ(refusal([&] { store_.save(bal, EventSpan::thisEvent); }),
            "Un fichier de ce nom est déjà là : " + target + " (File exists)");
}
}  // namespace
}  // namespace talewick
