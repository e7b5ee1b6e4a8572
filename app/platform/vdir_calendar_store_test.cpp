// The vdir calendar store over hand-written .ics files in a temporary folder. Every test program
// runs with TZ=Europe/Paris, so local times below are Paris times.
#include "platform/vdir_calendar_store.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "core/atomic_file.hpp"
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

// "2026-11-02 10:00" on the local clock.
std::string local(Date d) {
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                f.minute);
  return buf;
}

// "start → end  title" of each occurrence, in the store's order.
std::vector<std::string> describe(const std::vector<CalendarEvent>& events) {
  std::vector<std::string> out;
  for (const CalendarEvent& e : events) {
    out.push_back(local(e.start) + " → " + local(e.end) + "  " + e.title.value_or("(sans titre)"));
  }
  return out;
}

// Puts the process time zone back at the end of a test that changes it.
struct ZoneGuard {
  ~ZoneGuard() { LocalCalendar::setTimeZone("Europe/Paris"); }
};

class VdirStoreTest : public ::testing::Test {
 protected:
  fs::path calendar(const std::string& id) {
    fs::create_directories(root_ / id);
    return root_ / id;
  }

  fs::path write(const std::string& calendarID, const std::string& name, const std::string& text) {
    return folder_.write(calendarID + "/" + name, text);
  }

  static std::vector<CalendarEvent> between(VdirCalendarStore& store, Date start, Date end,
                                            std::optional<std::vector<std::string>> ids = {}) {
    return store.events(store.predicateForEvents(start, end, std::move(ids)));
  }

  testing::TempFolder folder_{"vdir"};
  const fs::path root_ = folder_.path();
};

// A weekly meeting at 10:00 Paris time from Monday 19 October 2026, across the end of summer
// time (25 October): the 16 November one is cancelled, the 23 November one moved to Tuesday
// afternoon, the 9 November one moved out of November, and the 7 December one brought forward
// into November.
const std::string kWeeklySeries =
    ics("BEGIN:VEVENT\n"
        "UID:conseil-des-sages\n"
        "DTSTAMP:20261001T080000Z\n"
        "SUMMARY:Conseil des sages\n"
        "DTSTART;TZID=Europe/Paris:20261019T100000\n"
        "DTEND;TZID=Europe/Paris:20261019T110000\n"
        "RRULE:FREQ=WEEKLY;BYDAY=MO\n"
        "EXDATE;TZID=Europe/Paris:20261116T100000\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\n"
        "UID:conseil-des-sages\n"
        "DTSTAMP:20261001T080000Z\n"
        "RECURRENCE-ID;TZID=Europe/Paris:20261123T100000\n"
        "SUMMARY:Conseil des sages (mardi)\n"
        "DTSTART;TZID=Europe/Paris:20261124T150000\n"
        "DTEND;TZID=Europe/Paris:20261124T160000\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\n"
        "UID:conseil-des-sages\n"
        "DTSTAMP:20261001T080000Z\n"
        "RECURRENCE-ID:20261109T090000Z\n"
        "SUMMARY:Conseil des sages (reporté)\n"
        "DTSTART;TZID=Europe/Paris:20261210T100000\n"
        "DTEND;TZID=Europe/Paris:20261210T110000\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\n"
        "UID:conseil-des-sages\n"
        "DTSTAMP:20261001T080000Z\n"
        "RECURRENCE-ID;TZID=Europe/Paris:20261207T100000\n"
        "SUMMARY:Conseil des sages (avancé)\n"
        "DTSTART;TZID=Europe/Paris:20261130T080000\n"
        "DTEND;TZID=Europe/Paris:20261130T090000\n"
        "END:VEVENT\n");

TEST_F(VdirStoreTest, CalendarsComeFromFoldersWithTitlesAndColours) {
  calendar("travail");
  std::ofstream(root_ / "travail" / "displayname") << "  Travail & quêtes\n";
  std::ofstream(root_ / "travail" / "color") << "#1f77b4\n";
  calendar("famille");
  std::ofstream(root_ / "famille" / "color") << "bleu lagon";
  calendar("perso");
  std::ofstream(root_ / "perso" / "displayname") << "\n";
  std::ofstream(root_ / "perso" / "color") << "2CA02Cff";
  calendar(".cache");
  std::ofstream(root_ / "notes.txt") << "pas un calendrier";

  VdirCalendarStore store(root_, {}, false);
  const std::vector<CalendarInfo> calendars = store.calendars();
  ASSERT_EQ(calendars.size(), 3u);
  EXPECT_EQ(calendars[0].identifier, "famille");
  EXPECT_EQ(calendars[0].title, "famille");
  EXPECT_FALSE(calendars[0].colorHex);
  EXPECT_EQ(calendars[1].identifier, "perso");
  EXPECT_EQ(calendars[1].title, "perso");
  EXPECT_EQ(calendars[1].colorHex, "#2CA02C");
  EXPECT_EQ(calendars[2].identifier, "travail");
  EXPECT_EQ(calendars[2].title, "Travail & quêtes");
  EXPECT_EQ(calendars[2].colorHex, "#1F77B4");
  for (const CalendarInfo& c : calendars) EXPECT_TRUE(c.allowsContentModifications) << c.identifier;

  fs::permissions(root_ / "famille", fs::perms::owner_read | fs::perms::owner_exec);
  if (::geteuid() != 0) {  // root may write anywhere
    EXPECT_FALSE(store.calendars()[0].allowsContentModifications);
    EXPECT_TRUE(store.calendars()[1].allowsContentModifications);
  }
}

TEST_F(VdirStoreTest, AccessIsGrantedOnlyOnAReadableFolderAndNeverWhenDisabled) {
  write("perso", "a.ics", ics("BEGIN:VEVENT\nUID:a\nDTSTART:20261201T090000Z\nEND:VEVENT\n"));
  const Date from = localDate(2026, 12, 1), to = localDate(2026, 12, 2);

  VdirCalendarStore disabled(root_, {}, true);
  EXPECT_FALSE(disabled.requestFullAccess());
  EXPECT_TRUE(disabled.calendars().empty());
  EXPECT_TRUE(between(disabled, from, to).empty());
  EXPECT_FALSE(disabled.event("a"));

  VdirCalendarStore store(root_, {}, false);
  EXPECT_TRUE(store.requestFullAccess());
  EXPECT_EQ(between(store, from, to).size(), 1u);

  const fs::path missing = root_ / "pas-encore";
  VdirCalendarStore absent(missing, {}, false);
  EXPECT_FALSE(absent.requestFullAccess());
  EXPECT_FALSE(fs::exists(missing));  // asking creates nothing
  EXPECT_TRUE(absent.calendars().empty());
  EXPECT_TRUE(between(absent, from, to).empty());
}

TEST_F(VdirStoreTest, WeeklySeriesHonoursExdatesOverridesAndSummerTime) {
  write("travail", "conseil-des-sages.ics", kWeeklySeries);
  VdirCalendarStore store(root_, {}, false);

  const auto events = between(store, localDate(2026, 10, 19), localDate(2026, 12, 1));
  EXPECT_EQ(describe(events), (std::vector<std::string>{
                                  "2026-10-19 10:00 → 2026-10-19 11:00  Conseil des sages",
                                  "2026-10-26 10:00 → 2026-10-26 11:00  Conseil des sages",
                                  "2026-11-02 10:00 → 2026-11-02 11:00  Conseil des sages",
                                  "2026-11-24 15:00 → 2026-11-24 16:00  Conseil des sages (mardi)",
                                  "2026-11-30 08:00 → 2026-11-30 09:00  Conseil des sages (avancé)",
                                  "2026-11-30 10:00 → 2026-11-30 11:00  Conseil des sages",
                              }));
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
  EXPECT_EQ(describe(between(store, localDate(2026, 12, 1), localDate(2026, 12, 15))),
            (std::vector<std::string>{
                "2026-12-10 10:00 → 2026-12-10 11:00  Conseil des sages (reporté)",
                "2026-12-14 10:00 → 2026-12-14 11:00  Conseil des sages",
            }));

  const std::optional<CalendarEvent> master = store.event("conseil-des-sages");
  ASSERT_TRUE(master);
  EXPECT_EQ(master->start, localDate(2026, 10, 19, 10));
  EXPECT_EQ(master->end, localDate(2026, 10, 19, 11));
  EXPECT_EQ(master->title, "Conseil des sages");
  EXPECT_TRUE(master->hasRecurrenceRules);
  EXPECT_FALSE(store.event("dragon-inconnu"));
}

TEST_F(VdirStoreTest, CountIsCountedFromTheFirstOccurrenceAndUntilIsInclusive) {
  write("perso", "potion.ics",
        ics("BEGIN:VEVENT\nUID:potion\nSUMMARY:Potion de vigueur\n"
            "DTSTART:20261128T080000Z\nDTEND:20261128T081500Z\nRRULE:FREQ=DAILY;COUNT=5\n"
            "END:VEVENT\n"));
  write("perso", "ronde.ics",
        ics("BEGIN:VEVENT\nUID:ronde\nSUMMARY:Ronde du guet\n"
            "DTSTART:20261201T170000Z\nDTEND:20261201T173000Z\n"
            "RRULE:FREQ=DAILY;UNTIL=20261203T170000Z\nEND:VEVENT\n"));
  write("perso", "relève.ics",
        ics("BEGIN:VEVENT\nUID:releve\nSUMMARY:Relève\n"
            "DTSTART;TZID=Europe/Paris:20261201T200000\nDURATION:PT30M\n"
            "RRULE:FREQ=DAILY;UNTIL=20261203T185959Z\nEND:VEVENT\n"));
  // Every other Monday since January 2020, with no end: only its weeks in December.
  write("perso", "forge.ics",
        ics("BEGIN:VEVENT\nUID:forge\nSUMMARY:Forge des runes\n"
            "DTSTART;TZID=Europe/Paris:20200106T180000\nDTEND;TZID=Europe/Paris:20200106T190000\n"
            "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  EXPECT_EQ(describe(between(store, localDate(2026, 12, 1), localDate(2027, 1, 1))),
            (std::vector<std::string>{
                "2026-12-01 09:00 → 2026-12-01 09:15  Potion de vigueur",
                "2026-12-01 18:00 → 2026-12-01 18:30  Ronde du guet",
                "2026-12-01 20:00 → 2026-12-01 20:30  Relève",
                "2026-12-02 09:00 → 2026-12-02 09:15  Potion de vigueur",
                "2026-12-02 18:00 → 2026-12-02 18:30  Ronde du guet",
                "2026-12-02 20:00 → 2026-12-02 20:30  Relève",
                "2026-12-03 18:00 → 2026-12-03 18:30  Ronde du guet",
                "2026-12-14 18:00 → 2026-12-14 19:00  Forge des runes",
                "2026-12-28 18:00 → 2026-12-28 19:00  Forge des runes",
            }));
}

TEST_F(VdirStoreTest, ATimeSkippedBySummerTimeDoesNotShiftTheFollowingOccurrences) {
  // 02:30 does not exist on 28 March 2027 in Paris: that night the watch starts an hour later,
  // and the next nights at 02:30 again.
  write("perso", "guet.ics",
        ics("BEGIN:VEVENT\nUID:guet\nSUMMARY:Guet de nuit\n"
            "DTSTART;TZID=Europe/Paris:20270326T023000\nDTEND;TZID=Europe/Paris:20270326T030000\n"
            "RRULE:FREQ=DAILY\nEND:VEVENT\n"));
  write("perso", "ronde.ics",
        ics("BEGIN:VEVENT\nUID:ronde\nSUMMARY:Ronde de nuit\n"
            "DTSTART;TZID=Europe/Paris:20270128T023000\nDTEND;TZID=Europe/Paris:20270128T030000\n"
            "RRULE:FREQ=MONTHLY;COUNT=4\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  EXPECT_EQ(describe(between(store, localDate(2027, 3, 27), localDate(2027, 3, 31))),
            (std::vector<std::string>{
                "2027-03-27 02:30 → 2027-03-27 03:00  Guet de nuit",
                "2027-03-28 03:30 → 2027-03-28 04:00  Guet de nuit",
                "2027-03-28 03:30 → 2027-03-28 04:00  Ronde de nuit",
                "2027-03-29 02:30 → 2027-03-29 03:00  Guet de nuit",
                "2027-03-30 02:30 → 2027-03-30 03:00  Guet de nuit",
            }));
  EXPECT_EQ(describe(between(store, localDate(2027, 4, 27), localDate(2027, 4, 29))),
            (std::vector<std::string>{
                "2027-04-27 02:30 → 2027-04-27 03:00  Guet de nuit",
                "2027-04-28 02:30 → 2027-04-28 03:00  Guet de nuit",
                "2027-04-28 02:30 → 2027-04-28 03:00  Ronde de nuit",
            }));
}

TEST_F(VdirStoreTest, AllDayEventsRunFromLocalMidnightToLocalMidnight) {
  write("famille", "noel.ics",
        ics("BEGIN:VEVENT\nUID:noel\nSUMMARY:Trêve de Noël\n"
            "DTSTART;VALUE=DATE:20261224\nDTEND;VALUE=DATE:20261227\nEND:VEVENT\n"));
  write("famille", "galette.ics",
        ics("BEGIN:VEVENT\nUID:galette\nSUMMARY:Galette des rois\n"
            "DTSTART;VALUE=DATE:20270106\nEND:VEVENT\n"));
  write("famille", "tournoi.ics",
        ics("BEGIN:VEVENT\nUID:tournoi\nSUMMARY:Tournoi d'hiver\n"
            "DTSTART;VALUE=DATE:20270109\nDURATION:P2D\nEND:VEVENT\n"));
  // Yearly, across the change to summer time on 28 March 2027.
  write("famille", "anniv.ics",
        ics("BEGIN:VEVENT\nUID:anniv\nSUMMARY:Anniversaire de Mamie\n"
            "DTSTART;VALUE=DATE:20200328\nRRULE:FREQ=YEARLY\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  const auto events = between(store, localDate(2026, 12, 26), localDate(2027, 4, 1));
  EXPECT_EQ(describe(events), (std::vector<std::string>{
                                  "2026-12-24 00:00 → 2026-12-27 00:00  Trêve de Noël",
                                  "2027-01-06 00:00 → 2027-01-07 00:00  Galette des rois",
                                  "2027-01-09 00:00 → 2027-01-11 00:00  Tournoi d'hiver",
                                  "2027-03-28 00:00 → 2027-03-29 00:00  Anniversaire de Mamie",
                              }));
  for (const CalendarEvent& e : events) EXPECT_TRUE(e.allDay) << *e.title;
  EXPECT_EQ(events[3].end - events[3].start, 23 * 3600.0);  // a day one hour short
  EXPECT_EQ(*events[3].occurrenceDate, localDate(2027, 3, 28));
  EXPECT_FALSE(events[0].occurrenceDate);  // a single event

  // The truce ends at midnight on the 27th: a window starting then does not see it.
  EXPECT_EQ(describe(between(store, localDate(2026, 12, 27), localDate(2027, 1, 7))),
            (std::vector<std::string>{"2027-01-06 00:00 → 2027-01-07 00:00  Galette des rois"}));
}

TEST_F(VdirStoreTest, NamedZonesUtcAndFloatingTimesMeetOnTheLocalClock) {
  write("travail", "new-york.ics",
        ics("BEGIN:VEVENT\nUID:ny\nSUMMARY:Appel de la guilde de New York\n"
            "DTSTART;TZID=America/New_York:20261201T090000\n"
            "DTEND;TZID=America/New_York:20261201T100000\nEND:VEVENT\n"));
  write("travail", "utc.ics",
        ics("BEGIN:VEVENT\nUID:utc\nSUMMARY:Message du héraut\n"
            "DTSTART:20261201T120000Z\nDTEND:20261201T121500Z\nEND:VEVENT\n"));
  write("travail", "flottant.ics",
        ics("BEGIN:VEVENT\nUID:flottant\nSUMMARY:Petit-déjeuner du héros\n"
            "DTSTART:20261201T083000\nDTEND:20261201T090000\nEND:VEVENT\n"));
  // A zone the file defines itself, under a name no library knows: its own rules apply.
  write("travail", "maison.ics",
        ics("BEGIN:VTIMEZONE\nTZID:Fuseau de la Tour\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
            "TZOFFSETFROM:+0300\nTZOFFSETTO:+0300\nEND:STANDARD\nEND:VTIMEZONE\n"
            "BEGIN:VEVENT\nUID:tour\nSUMMARY:Veille à la tour\n"
            "DTSTART;TZID=Fuseau de la Tour:20261201T180000\nDURATION:PT1H\nEND:VEVENT\n"));
  // The same name elsewhere, with other rules: each file keeps its own.
  write("perso", "donjon.ics",
        ics("BEGIN:VTIMEZONE\nTZID:Fuseau de la Tour\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
            "TZOFFSETFROM:+0500\nTZOFFSETTO:+0500\nEND:STANDARD\nEND:VTIMEZONE\n"
            "BEGIN:VEVENT\nUID:donjon\nSUMMARY:Ronde au donjon\n"
            "DTSTART;TZID=Fuseau de la Tour:20261201T180000\nDURATION:PT1H\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  const Date from = localDate(2026, 12, 1), to = localDate(2026, 12, 2);
  EXPECT_EQ(describe(between(store, from, to)),
            (std::vector<std::string>{
                "2026-12-01 08:30 → 2026-12-01 09:00  Petit-déjeuner du héros",
                "2026-12-01 13:00 → 2026-12-01 13:15  Message du héraut",
                "2026-12-01 14:00 → 2026-12-01 15:00  Ronde au donjon",
                "2026-12-01 15:00 → 2026-12-01 16:00  Appel de la guilde de New York",
                "2026-12-01 16:00 → 2026-12-01 17:00  Veille à la tour",
            }));

  // A floating time is read on whatever clock the user now has; fixed times do not move.
  ZoneGuard guard;
  LocalCalendar::setTimeZone("America/New_York");
  const auto events =
      between(store, from.adding(-86400), to.adding(86400), std::vector<std::string>{"travail"});
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].title, "Message du héraut");
  EXPECT_EQ(events[0].start, Date::fromUnix(1796126400));  // 12:00 UTC, as before
  EXPECT_EQ(events[1].title, "Petit-déjeuner du héros");
  EXPECT_EQ(events[1].start, *LocalCalendar::dateFrom(CivilTime{2026, 12, 1, 8, 30, 0}));
  EXPECT_EQ(local(events[1].start), "2026-12-01 08:30");
}

TEST_F(VdirStoreTest, OccurrencesReachingIntoTheWindowCountButNotThoseEndingAtItsStart) {
  write("perso", "veillee.ics",
        ics("BEGIN:VEVENT\nUID:veillee\nSUMMARY:Veillée aux contes\n"
            "DTSTART;TZID=Europe/Paris:20261130T230000\nDTEND;TZID=Europe/Paris:20261201T013000\n"
            "END:VEVENT\n"));
  write("perso", "garde.ics",
        ics("BEGIN:VEVENT\nUID:garde\nSUMMARY:Tour de garde\n"
            "DTSTART;TZID=Europe/Paris:20261125T220000\nDTEND;TZID=Europe/Paris:20261126T020000\n"
            "RRULE:FREQ=DAILY\nEND:VEVENT\n"));
  write("perso", "avant.ics",
        ics("BEGIN:VEVENT\nUID:avant\nSUMMARY:Fini juste avant\n"
            "DTSTART;TZID=Europe/Paris:20261130T220000\nDTEND;TZID=Europe/Paris:20261201T000000\n"
            "END:VEVENT\n"));
  write("perso", "cloche.ics",
        ics("BEGIN:VEVENT\nUID:cloche\nSUMMARY:Coup de cloche\n"
            "DTSTART;TZID=Europe/Paris:20261201T000000\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  EXPECT_EQ(describe(between(store, localDate(2026, 12, 1), localDate(2026, 12, 1, 23))),
            (std::vector<std::string>{
                "2026-11-30 22:00 → 2026-12-01 02:00  Tour de garde",
                "2026-11-30 23:00 → 2026-12-01 01:30  Veillée aux contes",
                "2026-12-01 00:00 → 2026-12-01 00:00  Coup de cloche",
                "2026-12-01 22:00 → 2026-12-02 02:00  Tour de garde",
            }));
}

TEST_F(VdirStoreTest, ParticipantsKeepTheirStatusRoleAndTheUserIsRecognised) {
  write("travail", "conseil.ics",
        ics("BEGIN:VEVENT\nUID:conseil\nSUMMARY:Conseil de guerre\\, salle 3\n"
            "LOCATION:Tour nord\\; 2e étage\nDESCRIPTION:Apporter les cartes.\\nEt le thé.\n"
            "URL:https://exemple.fr/conseil\n"
            "DTSTART:20261201T090000Z\nDTEND:20261201T100000Z\n"
            "ORGANIZER;CN=Dame Hélène:mailto:helene@exemple.fr\n"
            "ATTENDEE;CN=Moi;PARTSTAT=TENTATIVE;ROLE=REQ-PARTICIPANT:MAILTO:Heros@Exemple.FR\n"
            "ATTENDEE;CN=Paul;PARTSTAT=ACCEPTED;ROLE=CHAIR:mailto:paul@exemple.fr\n"
            "ATTENDEE;PARTSTAT=DECLINED;ROLE=OPT-PARTICIPANT:mailto:zoe@exemple.fr\n"
            "ATTENDEE;PARTSTAT=NEEDS-ACTION;ROLE=NON-PARTICIPANT:mailto:salle3@exemple.fr\n"
            "ATTENDEE;PARTSTAT=DELEGATED:mailto:lea@exemple.fr\n"
            "ATTENDEE;PARTSTAT=COMPLETED:mailto:karim@exemple.fr\n"
            "ATTENDEE;PARTSTAT=IN-PROCESS:mailto:anais@exemple.fr\n"
            "ATTENDEE:mailto:inconnu@exemple.fr\n"
            "END:VEVENT\n"));
  VdirCalendarStore store(root_, {"  heros@exemple.fr "}, false);

  const auto events = between(store, localDate(2026, 12, 1), localDate(2026, 12, 2));
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
  ASSERT_TRUE(e.organizer);
  EXPECT_EQ(e.organizer->name, "Dame Hélène");
  EXPECT_EQ(e.organizer->url, "mailto:helene@exemple.fr");
  EXPECT_FALSE(e.organizer->isCurrentUser);

  // The organizer is the user in another store that knows her address.
  VdirCalendarStore hers(root_, {"mailto:HELENE@exemple.fr"}, false);
  const auto seen = between(hers, localDate(2026, 12, 1), localDate(2026, 12, 2));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].organizer->isCurrentUser);
  EXPECT_FALSE(seen[0].attendees[0].isCurrentUser);
}

TEST_F(VdirStoreTest, UnreadableFilesAreSkippedWithOneWarningEach) {
  write("perso", "bon.ics",
        ics("BEGIN:VEVENT\nUID:bon\nSUMMARY:Quête sûre\nDTSTART:20261201T090000Z\nEND:VEVENT\n"));
  const fs::path garbage = write("perso", "grimoire.ics", "Ceci n'est pas un calendrier.\n");
  const fs::path cut = write("perso", "coupe.ics",
                             "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:coupe\r\nDTSTART:2026120");
  const fs::path noStart = write("perso", "sans-debut.ics",
                                 ics("BEGIN:VEVENT\nUID:sans-debut\nSUMMARY:Jamais\nEND:VEVENT\n"));
  const fs::path badStart = write(
      "perso", "date-folle.ics",
      ics("BEGIN:VEVENT\nUID:date-folle\nDTSTART:demain matin\nSUMMARY:Bientôt\nEND:VEVENT\n"));
  const fs::path stray = write("perso", "orphelin.ics", "END:VEVENT\r\nBEGIN:VEVENT\r\n");
  write("perso", ".cache.ics", "n'importe quoi");  // hidden: not even looked at
  write("perso", "notes.txt", "pas un événement");
  VdirCalendarStore store(root_, {}, false);
  const Date from = localDate(2026, 12, 1), to = localDate(2026, 12, 2);

  ::testing::internal::CaptureStderr();
  const auto events = between(store, from, to);
  const std::string warnings = ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].title, "Quête sûre");
  std::vector<std::string> expected;
  for (const fs::path& p : {cut, badStart, garbage, stray, noStart}) {
    expected.push_back("talewick : fichier ignoré (illisible) : " + p.string());
  }
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> lines;
  for (size_t pos = 0, eol; (eol = warnings.find('\n', pos)) != std::string::npos; pos = eol + 1) {
    lines.push_back(warnings.substr(pos, eol - pos));
  }
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, expected) << warnings;

  // Unchanged, they are not reported again.
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(between(store, from, to).size(), 1u);
  EXPECT_EQ(store.calendars().size(), 1u);
  EXPECT_FALSE(store.event("coupe"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(VdirStoreTest, ChangedAddedAndRemovedFilesAreSeenOnTheNextQuery) {
  const fs::path path = write(
      "perso", "dragon.ics",
      ics("BEGIN:VEVENT\nUID:dragon\nSUMMARY:Dragon\nDTSTART:20261201T090000Z\nEND:VEVENT\n"));
  write("perso", "troll.ics",
        ics("BEGIN:VEVENT\nUID:troll\nSUMMARY:Troll\nDTSTART:20261201T100000Z\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);
  const Date from = localDate(2026, 12, 1), to = localDate(2026, 12, 2);
  ASSERT_EQ(describe(between(store, from, to)).size(), 2u);

  // Rewritten in place: another size.
  std::ofstream(path, std::ios::binary) << ics(
      "BEGIN:VEVENT\nUID:dragon\nSUMMARY:Dragon rouge\nDTSTART:20261201T140000Z\nEND:VEVENT\n");
  // The same size, another modification time.
  const std::string before = *files::read(root_ / "perso" / "troll.ics");
  std::string after = before;
  after.replace(after.find("Troll"), 5, "Golem");
  std::ofstream(root_ / "perso" / "troll.ics", std::ios::binary) << after;
  struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (root_ / "perso" / "troll.ics").c_str(), times, 0), 0);
  write("perso", "gobelin.ics",
        ics("BEGIN:VEVENT\nUID:gobelin\nSUMMARY:Gobelin\nDTSTART:20261201T080000Z\nEND:VEVENT\n"));

  EXPECT_EQ(describe(between(store, from, to)),
            (std::vector<std::string>{"2026-12-01 09:00 → 2026-12-01 09:00  Gobelin",
                                      "2026-12-01 11:00 → 2026-12-01 11:00  Golem",
                                      "2026-12-01 15:00 → 2026-12-01 15:00  Dragon rouge"}));

  fs::remove(path);
  EXPECT_EQ(describe(between(store, from, to)),
            (std::vector<std::string>{"2026-12-01 09:00 → 2026-12-01 09:00  Gobelin",
                                      "2026-12-01 11:00 → 2026-12-01 11:00  Golem"}));
  EXPECT_FALSE(store.event("dragon"));
  EXPECT_FALSE(store.event("golem"));
  EXPECT_EQ(store.event("troll")->title, "Golem");

  // A whole calendar taken away, while only another one is asked for.
  write("travail", "revue.ics",
        ics("BEGIN:VEVENT\nUID:revue\nSUMMARY:Revue\nDTSTART:20261201T070000Z\nEND:VEVENT\n"));
  ASSERT_TRUE(store.event("revue"));
  fs::remove_all(root_ / "perso");
  EXPECT_TRUE(between(store, from, to, std::vector<std::string>{"travail"}).size() == 1);
  EXPECT_FALSE(store.event("troll"));
  EXPECT_EQ(describe(between(store, from, to)),
            (std::vector<std::string>{"2026-12-01 08:00 → 2026-12-01 08:00  Revue"}));
}

TEST_F(VdirStoreTest, QueriesKeepToTheirCalendarsAndSortTiesByIdentifier) {
  const std::string at = "DTSTART:20261201T090000Z\nDTEND:20261201T100000Z\n";
  write("perso", "b.ics",
        ics("BEGIN:VEVENT\nUID:b-sieste\nSUMMARY:Sieste\n" + at + "END:VEVENT\n"));
  write("perso", "a.ics", ics("BEGIN:VEVENT\nUID:c-yoga\nSUMMARY:Yoga\n" + at + "END:VEVENT\n"));
  write("travail", "c.ics",
        ics("BEGIN:VEVENT\nUID:a-revue\nSUMMARY:Revue\n" + at + "END:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);
  const Date from = localDate(2026, 12, 1), to = localDate(2026, 12, 2);

  std::vector<std::string> ids;
  for (const CalendarEvent& e : between(store, from, to)) ids.push_back(e.eventIdentifier);
  EXPECT_EQ(ids, (std::vector<std::string>{"a-revue", "b-sieste", "c-yoga"}));

  const auto perso = between(store, from, to, std::vector<std::string>{"perso", "inconnu"});
  ASSERT_EQ(perso.size(), 2u);
  for (const CalendarEvent& e : perso) EXPECT_EQ(e.calendarID, "perso");
  EXPECT_TRUE(between(store, from, to, std::vector<std::string>{}).empty());
}

TEST_F(VdirStoreTest, AFolderOfManyFilesLoadsWhole) {
  // Enough files for the store to share them between threads; every other one names a zone.
  std::vector<std::string> expected;
  for (int i = 0; i < 300; ++i) {
    const std::string calendarID = i % 3 == 0 ? "travail" : i % 3 == 1 ? "perso" : "famille";
    char body[400];
    std::snprintf(body, sizeof body,
                  "BEGIN:VEVENT\nUID:quete-%03d\nSUMMARY:Quête n°%d\n"
                  "DTSTART;TZID=Europe/Paris:202612%02dT%02d%02d00\nDURATION:PT45M\n%s"
                  "END:VEVENT\n",
                  i, i, 1 + i % 28, 8 + i % 10, i % 60,
                  i % 7 == 0 ? "RRULE:FREQ=DAILY;COUNT=2\n" : "");
    write(calendarID, "quete-" + std::to_string(i) + ".ics", ics(body));
    const Date start = localDate(2026, 12, 1 + i % 28, 8 + i % 10, i % 60);
    for (int day = 0; day < (i % 7 == 0 ? 2 : 1); ++day) {
      expected.push_back(local(LocalCalendar::addingDays(start, day)) + " Quête n°" +
                         std::to_string(i));
    }
  }
  std::sort(expected.begin(), expected.end());
  VdirCalendarStore store(root_, {}, false);

  for (int round = 0; round < 2; ++round) {  // parsed, then from the cache
    const auto events = between(store, localDate(2026, 12, 1), localDate(2027, 1, 1));
    std::vector<std::string> seen;
    for (const CalendarEvent& e : events) seen.push_back(local(e.start) + " " + *e.title);
    EXPECT_TRUE(std::is_sorted(events.begin(), events.end(),
                               [](const auto& a, const auto& b) { return a.start < b.start; }));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, expected) << "round " << round;
  }
}

// ------------------------------------------------------------------------------------- writes

class VdirStoreWriteTest : public VdirStoreTest {
 protected:
  std::vector<CalendarEvent> december(VdirCalendarStore& store) {
    return between(store, localDate(2026, 12, 1), localDate(2027, 1, 1));
  }
};

TEST_F(VdirStoreWriteTest, NewEventsGetAFreshIdentifierAndTheirOwnFile) {
  calendar("perso");
  VdirCalendarStore store(root_, {}, false);
  CalendarEvent e;
  e.calendarID = "perso";
  e.title = "Chasse au trésor";
  e.start = localDate(2026, 12, 5, 14);
  e.end = localDate(2026, 12, 5, 16);
  store.save(e, EventSpan::thisEvent);

  EXPECT_TRUE(std::regex_match(e.eventIdentifier,
                               std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-"
                                          "[0-9A-F]{12}")))
      << e.eventIdentifier;
  EXPECT_EQ(e.externalIdentifier, e.eventIdentifier);
  EXPECT_TRUE(fs::exists(root_ / "perso" / (e.eventIdentifier + ".ics")));
  const auto events = december(store);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].eventIdentifier, e.eventIdentifier);
  EXPECT_EQ(events[0].title, "Chasse au trésor");
  EXPECT_EQ(events[0].start, e.start);
  EXPECT_EQ(events[0].end, e.end);

  CalendarEvent other = e;
  other.eventIdentifier.clear();
  store.save(other, EventSpan::thisEvent);
  EXPECT_NE(other.eventIdentifier, e.eventIdentifier);
  EXPECT_EQ(december(store).size(), 2u);
}

TEST_F(VdirStoreWriteTest, RefusedWritesSayWhyInFrench) {
  calendar("perso");
  calendar("archives");
  write("perso", "bal.ics",
        ics("BEGIN:VEVENT\nUID:bal\nSUMMARY:Bal masqué\nDTSTART:20261205T190000Z\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  auto message = [](auto&& write) -> std::string {
    try {
      write();
    } catch (const CalendarStoreError& e) {
      return e.what();
    }
    return "(accepté)";
  };
  CalendarEvent nowhere;
  nowhere.calendarID = "nulle-part";
  nowhere.start = localDate(2026, 12, 5, 10);
  nowhere.end = localDate(2026, 12, 5, 11);
  EXPECT_EQ(message([&] { store.save(nowhere, EventSpan::thisEvent); }),
            "Calendrier introuvable : nulle-part");
  EXPECT_TRUE(nowhere.eventIdentifier.empty());

  CalendarEvent ghost = nowhere;
  ghost.eventIdentifier = "fantome";
  ghost.calendarID = "perso";
  EXPECT_EQ(message([&] { store.remove(ghost, EventSpan::thisEvent); }),
            "Événement introuvable : fantome");
  EXPECT_EQ(message([&] { store.save(ghost, EventSpan::thisEvent); }),
            "Événement introuvable : fantome");

  CalendarEvent bal = *store.event("bal");
  bal.calendarID = "nulle-part";
  EXPECT_EQ(message([&] { store.save(bal, EventSpan::thisEvent); }),
            "Calendrier introuvable : nulle-part");

  if (::geteuid() != 0) {  // root may write anywhere
    fs::permissions(root_ / "archives", fs::perms::owner_read | fs::perms::owner_exec);
    nowhere.calendarID = "archives";
    EXPECT_EQ(message([&] { store.save(nowhere, EventSpan::thisEvent); }),
              "Calendrier en lecture seule : archives");
    bal.calendarID = "archives";
    EXPECT_EQ(message([&] { store.save(bal, EventSpan::thisEvent); }),
              "Calendrier en lecture seule : archives");
  }

  VdirCalendarStore disabled(root_, {}, true);
  EXPECT_NE(message([&] { disabled.remove(*store.event("bal"), EventSpan::thisEvent); }),
            "(accepté)");
  EXPECT_TRUE(fs::exists(root_ / "perso" / "bal.ics"));
}

TEST_F(VdirStoreWriteTest, AFileLibicalHadToRepairIsNeverRewritten) {
  // DTSTAMP cannot be read: the event shows, but writing would silently drop that line.
  const std::string text =
      ics("BEGIN:VEVENT\nUID:repare\nDTSTAMP:hier soir\nSUMMARY:Pont-levis\n"
          "DTSTART:20261205T090000Z\nEND:VEVENT\n");
  const fs::path path = write("perso", "repare.ics", text);
  VdirCalendarStore store(root_, {}, false);
  std::optional<CalendarEvent> e = store.event("repare");
  ASSERT_TRUE(e);
  e->title = "Pont-levis réparé";
  EXPECT_THROW(store.save(*e, EventSpan::thisEvent), CalendarStoreError);
  EXPECT_THROW(store.remove(*e, EventSpan::thisEvent), CalendarStoreError);
  EXPECT_EQ(files::read(path), text);
}

TEST_F(VdirStoreWriteTest, OneOccurrenceOfASeriesIsEditedOrRemovedAlone) {
  write("travail", "conseil-des-sages.ics", kWeeklySeries);
  VdirCalendarStore store(root_, {}, false);

  std::vector<CalendarEvent> before = december(store);
  ASSERT_EQ(before.size(), 4u);  // 14, 21, 28 and the one moved to the 10th (the 7th left)
  CalendarEvent fourteenth = before[1];
  ASSERT_EQ(fourteenth.start, localDate(2026, 12, 14, 10));
  fourteenth.title = "Conseil des sages extraordinaire";
  fourteenth.start = localDate(2026, 12, 14, 16);
  fourteenth.end = localDate(2026, 12, 14, 17);
  store.save(fourteenth, EventSpan::thisEvent);

  EXPECT_EQ(describe(december(store)),
            (std::vector<std::string>{
                "2026-12-10 10:00 → 2026-12-10 11:00  Conseil des sages (reporté)",
                "2026-12-14 16:00 → 2026-12-14 17:00  Conseil des sages extraordinaire",
                "2026-12-21 10:00 → 2026-12-21 11:00  Conseil des sages",
                "2026-12-28 10:00 → 2026-12-28 11:00  Conseil des sages",
            }));

  store.remove(december(store)[2], EventSpan::thisEvent);
  EXPECT_EQ(describe(december(store)),
            (std::vector<std::string>{
                "2026-12-10 10:00 → 2026-12-10 11:00  Conseil des sages (reporté)",
                "2026-12-14 16:00 → 2026-12-14 17:00  Conseil des sages extraordinaire",
                "2026-12-28 10:00 → 2026-12-28 11:00  Conseil des sages",
            }));
  // Earlier months are untouched.
  EXPECT_EQ(between(store, localDate(2026, 10, 1), localDate(2026, 11, 1)).size(), 2u);
}

TEST_F(VdirStoreWriteTest, FutureEventsEndTheSeriesAndSingleEventsLoseTheirFile) {
  write("travail", "conseil-des-sages.ics", kWeeklySeries);
  const fs::path single = write(
      "perso", "bal.ics",
      ics("BEGIN:VEVENT\nUID:bal\nSUMMARY:Bal masqué\nDTSTART:20261205T190000Z\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  const std::vector<CalendarEvent> before = december(store);
  const auto twentyFirst = std::find_if(before.begin(), before.end(), [&](const CalendarEvent& e) {
    return e.start == localDate(2026, 12, 21, 10);
  });
  ASSERT_NE(twentyFirst, before.end());
  store.remove(*twentyFirst, EventSpan::futureEvents);
  store.remove(*store.event("bal"), EventSpan::thisEvent);

  EXPECT_EQ(describe(december(store)),
            (std::vector<std::string>{
                "2026-12-10 10:00 → 2026-12-10 11:00  Conseil des sages (reporté)",
                "2026-12-14 10:00 → 2026-12-14 11:00  Conseil des sages",
            }));
  EXPECT_FALSE(fs::exists(single));
  EXPECT_FALSE(store.event("bal"));
  EXPECT_TRUE(between(store, localDate(2027, 1, 1), localDate(2027, 6, 1)).empty());
}

TEST_F(VdirStoreWriteTest, ChangingTheCalendarMovesTheFile) {
  calendar("travail");
  const fs::path path =
      write("perso", "bal.ics",
            ics("BEGIN:VEVENT\nUID:bal\nSUMMARY:Bal masqué\nDTSTART:20261205T190000Z\n"
                "DTEND:20261205T230000Z\nEND:VEVENT\n"));
  VdirCalendarStore store(root_, {}, false);

  CalendarEvent bal = *store.event("bal");
  bal.calendarID = "travail";
  bal.title = "Bal masqué de la guilde";
  store.save(bal, EventSpan::thisEvent);

  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::exists(root_ / "travail" / "bal.ics"));
  const auto events = december(store);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].calendarID, "travail");
  EXPECT_EQ(events[0].eventIdentifier, "bal");
  EXPECT_EQ(events[0].title, "Bal masqué de la guilde");
  EXPECT_EQ(events[0].start, bal.start);
}

}  // namespace
}  // namespace talewick
