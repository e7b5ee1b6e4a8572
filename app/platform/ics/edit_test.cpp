// Edits of vdir .ics files, checked by reading the results back with libical.
#include "platform/ics/edit.hpp"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <memory>
#include <string>
#include <vector>

#include "support/local_calendar.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick::ics {
namespace {

using talewick::testing::localDate;
using Dates = std::vector<Date>;

struct IcalFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Ical = std::unique_ptr<icalcomponent, IcalFree>;

Date utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return Date::fromUnix(static_cast<double>(daysFromCivil(year, month, day) * 86400 + hour * 3600 +
                                            minute * 60 + second));
}

const Date NOW = utc(2026, 1, 2, 8, 30, 0);

// `text` with CRLF line ends, as the files below are written.
std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

const std::string PARIS_ZONE =
    "BEGIN:VTIMEZONE\nTZID:Europe/Paris\n"
    "BEGIN:DAYLIGHT\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nTZNAME:CEST\n"
    "DTSTART:19700329T020000\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\nEND:DAYLIGHT\n"
    "BEGIN:STANDARD\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nTZNAME:CET\n"
    "DTSTART:19701025T030000\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:STANDARD\n"
    "END:VTIMEZONE\n";

// A calendar file: the Paris zone, then the given components (lines ending with "\n").
std::string calendarFile(const std::string& components) {
  return crlf("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Atelier//FR\n" + PARIS_ZONE + components +
              "END:VCALENDAR\n");
}

std::string vevent(const std::string& properties) {
  return "BEGIN:VEVENT\n" + properties + "END:VEVENT\n";
}

// A weekly Monday series at 10:00 in Paris from 2026-01-05 with `extra` lines, then `others`.
std::string weeklySeries(const std::string& extra, const std::string& others = "") {
  return calendarFile(vevent("UID:serie-1\nDTSTAMP:20251201T080000Z\n"
                             "DTSTART;TZID=Europe/Paris:20260105T100000\n"
                             "DTEND;TZID=Europe/Paris:20260105T110000\n"
                             "SUMMARY:Atelier poterie\nLOCATION:Salle A\n" +
                             extra) +
                      others);
}

std::string parisOverride(const std::string& recurrenceId, const std::string& extra) {
  return vevent("UID:serie-1\nDTSTAMP:20251201T080000Z\nRECURRENCE-ID;TZID=Europe/Paris:" +
                recurrenceId + "\n" + extra);
}

CalendarEvent record(const std::string& uid, const std::string& title, Date start, Date end) {
  CalendarEvent e;
  e.eventIdentifier = e.externalIdentifier = uid;
  e.calendarID = "perso";
  e.title = title;
  e.start = start;
  e.end = end;
  return e;
}

// An occurrence of the weekly series, moved or not.
CalendarEvent occurrence(Date placed, Date start, const std::string& title) {
  CalendarEvent e = record("serie-1", title, start, start.adding(3600));
  e.occurrenceDate = placed;
  e.hasRecurrenceRules = true;
  return e;
}

// The weekly series' occurrence of that Monday, where the series placed it.
CalendarEvent monday(int month, int day) {
  const Date placed = localDate(2026, month, day, 10, 0);
  return occurrence(placed, placed, "Atelier");
}

Ical parse(const std::string& text) {
  Ical root(icalparser_parse_string(text.c_str()));
  EXPECT_TRUE(root != nullptr) << text;
  if (root) {
    EXPECT_EQ(icalcomponent_isa(root.get()), ICAL_VCALENDAR_COMPONENT) << text;
  }
  return root;
}

std::vector<icalcomponent*> children(icalcomponent* parent, icalcomponent_kind kind) {
  std::vector<icalcomponent*> out;
  for (icalcomponent* c = icalcomponent_get_first_component(parent, kind); c;
       c = icalcomponent_get_next_component(parent, kind)) {
    out.push_back(c);
  }
  return out;
}

// The VEVENTs with a RECURRENCE-ID (`overrides`) or without one.
std::vector<icalcomponent*> vevents(icalcomponent* calendar, bool overrides) {
  std::vector<icalcomponent*> out;
  for (icalcomponent* e : children(calendar, ICAL_VEVENT_COMPONENT)) {
    if ((icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY) != nullptr) == overrides) {
      out.push_back(e);
    }
  }
  return out;
}

icalcomponent* masterOf(icalcomponent* calendar) {
  const auto masters = vevents(calendar, false);
  return masters.empty() ? nullptr : masters[0];
}

// Instants as libical reads them (TZIDs resolved against the file's VTIMEZONE components).
Date instant(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  EXPECT_TRUE(p != nullptr);
  if (!p) return Date{};
  const icaltimetype t = icalproperty_get_datetime_with_component(p, c);
  return Date::fromUnix(static_cast<double>(icaltime_as_timet_with_zone(t, t.zone)));
}

std::string paramOf(icalproperty* p, icalparameter_kind kind) {
  icalparameter* param = icalproperty_get_first_parameter(p, kind);
  return param ? icalparameter_as_ical_string(param) : "";
}

std::string textOf(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  return p ? icalvalue_as_ical_string(icalproperty_get_value(p)) : "";
}

// The starts of the master's occurrences in [from, to), as libical expands RRULE and EXDATE.
Dates expand(icalcomponent* master, Date from, Date to) {
  Dates out;
  if (!master) return out;
  const auto at = [](Date d) {
    return icaltime_from_timet_with_zone(static_cast<time_t>(d.unix()), 0,
                                         icaltimezone_get_utc_timezone());
  };
  icalcomponent_foreach_recurrence(
      master, at(from), at(to),
      [](icalcomponent*, struct icaltime_span* span, void* data) {
        static_cast<Dates*>(data)->push_back(Date::fromUnix(static_cast<double>(span->start)));
      },
      &out);
  return out;
}

// The same, straight from a file's text.
Dates startsIn(const std::string& text, Date from, Date to) {
  Ical root = parse(text);
  return root ? expand(masterOf(root.get()), from, to) : Dates{};
}

bool hasLine(const std::string& text, const std::string& line) {
  return text.find("\r\n" + line + "\r\n") != std::string::npos || text.starts_with(line + "\r\n");
}

template <typename F>
std::string storeError(F f) {
  try {
    f();
  } catch (const CalendarStoreError& e) {
    return e.what();
  }
  return "(pas d'erreur)";
}

// --- New files ---

TEST(IcsNewEventFile, TimedEventIsWrittenInTheLocalZoneWithItsFieldsFolded) {
  CalendarEvent e = record("", "Goûter chez Mamie; crêpes, cidre\net jeux de société",
                           localDate(2026, 7, 5, 16, 0), localDate(2026, 7, 5, 18, 30));
  e.location = "12, rue des Lilas";
  // Long enough to be folded; where folds fall is lines_test's business.
  e.notes = "Ne pas oublier la confiture de Mamie.";
  for (int i = 0; i < 12; ++i) e.notes->append(" Éléphants étourdis à l'œuvre —");
  e.url = "https://example.org/gouter";
  e.alarmMinutesBefore = {15, 1440};
  e.organizer = Participant{"Léa Martin", "mailto:lea@example.org"};
  e.attendees = {Participant{"Dupont, Jean", "mailto:jean@example.org", ParticipantStatus::accepted,
                             ParticipantRole::chair},
                 Participant{std::nullopt, "zoe@example.org", ParticipantStatus::pending,
                             ParticipantRole::optional}};
  const std::string text = newEventFile(e, "gouter-42", NOW);
  ASSERT_TRUE(text.ends_with("END:VCALENDAR\r\n"));
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    EXPECT_LE(end - at, 75u) << text.substr(at, end - at);
  }

  Ical root = parse(text);
  ASSERT_TRUE(root);
  EXPECT_EQ(textOf(root.get(), ICAL_VERSION_PROPERTY), "2.0");
  EXPECT_EQ(textOf(root.get(), ICAL_PRODID_PROPERTY), "-//Talewick//Talewick//FR");
  const auto events = children(root.get(), ICAL_VEVENT_COMPONENT);
  ASSERT_EQ(events.size(), 1u);
  icalcomponent* ev = events[0];
  EXPECT_STREQ(icalcomponent_get_uid(ev), "gouter-42");
  EXPECT_EQ(textOf(ev, ICAL_DTSTAMP_PROPERTY), "20260102T083000Z");
  EXPECT_EQ(textOf(ev, ICAL_CREATED_PROPERTY), "20260102T083000Z");

  // Local wall-clock times under the zone's name, which the file defines itself.
  EXPECT_TRUE(hasLine(text, "DTSTART;TZID=Europe/Paris:20260705T160000")) << text;
  EXPECT_TRUE(hasLine(text, "DTEND;TZID=Europe/Paris:20260705T183000")) << text;
  ASSERT_EQ(children(root.get(), ICAL_VTIMEZONE_COMPONENT).size(), 1u);
  EXPECT_LT(text.find("BEGIN:VTIMEZONE"), text.find("BEGIN:VEVENT"));
  EXPECT_EQ(instant(ev, ICAL_DTSTART_PROPERTY), utc(2026, 7, 5, 14, 0));

  EXPECT_EQ(icalcomponent_get_summary(ev), *e.title);
  EXPECT_STREQ(icalcomponent_get_location(ev), "12, rue des Lilas");
  EXPECT_EQ(icalcomponent_get_description(ev), *e.notes);
  EXPECT_EQ(textOf(ev, ICAL_URL_PROPERTY), "https://example.org/gouter");
  EXPECT_EQ(icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY), nullptr);

  // Displayed alarms, in minutes, each with the text the format asks of them.
  std::vector<std::string> alarms;
  for (icalcomponent* alarm : children(ev, ICAL_VALARM_COMPONENT)) {
    alarms.push_back(textOf(alarm, ICAL_ACTION_PROPERTY) + " " +
                     textOf(alarm, ICAL_TRIGGER_PROPERTY) + " " +
                     std::to_string(textOf(alarm, ICAL_DESCRIPTION_PROPERTY).size() > 0));
  }
  EXPECT_EQ(alarms, (std::vector<std::string>{"DISPLAY -PT15M 1", "DISPLAY -PT1440M 1"}));

  icalproperty* organizer = icalcomponent_get_first_property(ev, ICAL_ORGANIZER_PROPERTY);
  ASSERT_TRUE(organizer);
  EXPECT_STREQ(icalproperty_get_organizer(organizer), "mailto:lea@example.org");
  EXPECT_EQ(paramOf(organizer, ICAL_CN_PARAMETER), "CN=Léa Martin");
  std::vector<std::string> attendees;
  for (icalproperty* a = icalcomponent_get_first_property(ev, ICAL_ATTENDEE_PROPERTY); a;
       a = icalcomponent_get_next_property(ev, ICAL_ATTENDEE_PROPERTY)) {
    attendees.push_back(std::string(icalproperty_get_attendee(a)) + " " +
                        paramOf(a, ICAL_CN_PARAMETER) + " " + paramOf(a, ICAL_PARTSTAT_PARAMETER) +
                        " " + paramOf(a, ICAL_ROLE_PARAMETER));
  }
  EXPECT_EQ(attendees,
            (std::vector<std::string>{
                "mailto:jean@example.org CN=\"Dupont, Jean\" PARTSTAT=ACCEPTED ROLE=CHAIR",
                "mailto:zoe@example.org  PARTSTAT=NEEDS-ACTION ROLE=OPT-PARTICIPANT"}));
}

TEST(IcsNewEventFile, AllDayEventsWriteLocalDatesWithAnExclusiveEnd) {
  // Both ways of ending an all-day event: at the next midnight, or on the last day's last second.
  for (const Date end : {localDate(2026, 3, 30), localDate(2026, 3, 29, 23, 59).adding(59)}) {
    CalendarEvent e = record("", "Week-end à la mer", localDate(2026, 3, 28), end);
    e.allDay = true;
    const std::string text = newEventFile(e, "mer", NOW);
    EXPECT_TRUE(hasLine(text, "DTSTART;VALUE=DATE:20260328")) << text;
    EXPECT_TRUE(hasLine(text, "DTEND;VALUE=DATE:20260330")) << text;
    EXPECT_EQ(text.find("VTIMEZONE"), std::string::npos);
    Ical root = parse(text);
    ASSERT_TRUE(root);
    EXPECT_TRUE(icalcomponent_get_dtstart(masterOf(root.get())).is_date);
  }
  // A day-long event that ends where it starts still covers its day.
  CalendarEvent e = record("", "Fête du village", localDate(2026, 6, 21), localDate(2026, 6, 21));
  e.allDay = true;
  EXPECT_TRUE(hasLine(newEventFile(e, "fete", NOW), "DTEND;VALUE=DATE:20260622"));
}

TEST(IcsNewEventFile, RecurrenceRuleIsWrittenAsGivenAndAnUnreadableOneIsRefused) {
  CalendarEvent e =
      record("", "Chorale", localDate(2026, 1, 8, 19, 0), localDate(2026, 1, 8, 21, 0));
  e.recurrenceRule = "FREQ=WEEKLY;INTERVAL=2;BYDAY=TH";
  const std::string text = newEventFile(e, "chorale", NOW);
  EXPECT_TRUE(hasLine(text, "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=TH")) << text;
  EXPECT_EQ(startsIn(text, utc(2026, 1, 1), utc(2026, 2, 1)),
            (Dates{utc(2026, 1, 8, 18), utc(2026, 1, 22, 18)}));

  e.recurrenceRule = "tous les jeudis";
  EXPECT_EQ(storeError([&] { newEventFile(e, "chorale", NOW); }), "Règle de répétition illisible");
}

TEST(IcsNewEventFile, TimesFollowTheProcessZoneAndFallBackToUtc) {
  struct ZoneGuard {
    ~ZoneGuard() { LocalCalendar::setTimeZone("Europe/Paris"); }
  } guard;
  LocalCalendar::setTimeZone("America/New_York");
  const CalendarEvent e =
      record("", "Brunch", localDate(2026, 4, 12, 11, 0), localDate(2026, 4, 12, 12, 0));
  std::string text = newEventFile(e, "brunch", NOW);
  EXPECT_TRUE(hasLine(text, "DTSTART;TZID=America/New_York:20260412T110000")) << text;
  Ical root = parse(text);
  ASSERT_TRUE(root);
  EXPECT_EQ(instant(masterOf(root.get()), ICAL_DTSTART_PROPERTY), utc(2026, 4, 12, 15, 0));

  LocalCalendar::setTimeZone("UTC");
  text = newEventFile(record("", "Brunch", utc(2026, 4, 12, 11), utc(2026, 4, 12, 12)), "b", NOW);
  EXPECT_TRUE(hasLine(text, "DTSTART:20260412T110000Z")) << text;
  EXPECT_EQ(text.find("VTIMEZONE"), std::string::npos);
}

// --- Single events ---

// A picnic with what the record knows and what it does not (X- lines, an unknown property and
// component, an absolute alarm), then a to-do sharing the file.
const std::string SINGLE = calendarFile(
    vevent("UID:pique-nique\nDTSTAMP:20251201T080000Z\nSEQUENCE:2\n"
           "DTSTART;TZID=Europe/Paris:20260606T120000\nDURATION:PT2H\n"
           "SUMMARY:Pique-nique\nLOCATION:Parc de la Tête d'Or\nDESCRIPTION:Apporter la nappe\n"
           "X-ALT-DESC;FMTTYPE=text/html:<b>nappe</b>\nX-MOZ-GENERATION:3\n"
           "X-APPLE-TRAVEL-ADVISORY-BEHAVIOR;X-NOTE=\"a,b:c\":AUTOMATIC\nFOO-BAR;P=1:baz\n"
           "ORGANIZER;CN=Léa:mailto:lea@example.org\n"
           "ATTENDEE;RSVP=TRUE;CN=Alice:mailto:alice@example.org\n"
           "ATTENDEE;CN=Carole:mailto:carole@example.org\n"
           "BEGIN:VALARM\nACTION:AUDIO\nTRIGGER;VALUE=DATE-TIME:20260606T080000Z\nEND:VALARM\n"
           "BEGIN:VALARM\nACTION:DISPLAY\nX-WR-ALARMUID:alarme-30\nTRIGGER:-PT30M\n"
           "DESCRIPTION:Bientôt\nEND:VALARM\n"
           "BEGIN:VALARM\nACTION:DISPLAY\nTRIGGER:-PT10M\nDESCRIPTION:Vite\nEND:VALARM\n"
           "BEGIN:X-GADGET\nX-COLOR:vert\nEND:X-GADGET\n") +
    "BEGIN:VTODO\nUID:courses\nSUMMARY:Acheter du pain\nEND:VTODO\n");

CalendarEvent picnic() {
  CalendarEvent e = record("pique-nique", "Grand pique-nique", localDate(2026, 6, 6, 13, 0),
                           localDate(2026, 6, 6, 16, 0));
  e.notes = "Apporter la nappe et le ballon";
  e.alarmMinutesBefore = {30, 5};
  e.organizer = Participant{"Léa", "mailto:lea@example.org"};
  e.attendees = {Participant{"Alice", "mailto:alice@example.org", ParticipantStatus::accepted},
                 Participant{"Daniel", "mailto:daniel@example.org"}};
  return e;
}

TEST(IcsSaveOccurrence, SingleEventTakesTheRecordsFieldsAndANewSequence) {
  // With a rule, the single event becomes a series.
  CalendarEvent e = picnic();
  e.recurrenceRule = "FREQ=MONTHLY;BYMONTHDAY=6";
  const Edit edit = saveOccurrence(SINGLE, e, EventSpan::thisEvent, NOW);
  ASSERT_TRUE(edit.updated);
  EXPECT_FALSE(edit.created);
  const std::string& text = *edit.updated;
  Ical root = parse(text);
  ASSERT_TRUE(root);
  icalcomponent* ev = masterOf(root.get());
  ASSERT_TRUE(ev);
  EXPECT_STREQ(icalcomponent_get_summary(ev), "Grand pique-nique");
  EXPECT_EQ(icalcomponent_get_first_property(ev, ICAL_LOCATION_PROPERTY), nullptr);
  EXPECT_STREQ(icalcomponent_get_description(ev), "Apporter la nappe et le ballon");
  // The HTML copy showed the old notes.
  EXPECT_EQ(text.find("X-ALT-DESC"), std::string::npos);
  // Same zone as before; DURATION gives way to DTEND.
  EXPECT_TRUE(hasLine(text, "DTSTART;TZID=Europe/Paris:20260606T130000")) << text;
  EXPECT_EQ(instant(ev, ICAL_DTEND_PROPERTY), utc(2026, 6, 6, 14, 0));
  EXPECT_EQ(icalcomponent_get_first_property(ev, ICAL_DURATION_PROPERTY), nullptr);
  EXPECT_TRUE(hasLine(text, "SEQUENCE:3"));
  EXPECT_TRUE(hasLine(text, "DTSTAMP:20260102T083000Z"));
  EXPECT_TRUE(hasLine(text, "LAST-MODIFIED:20260102T083000Z"));
  EXPECT_EQ(expand(ev, utc(2026, 6, 1), utc(2026, 9, 1)),
            (Dates{utc(2026, 6, 6, 11), utc(2026, 7, 6, 11), utc(2026, 8, 6, 11)}));

  // Alice keeps her RSVP and gains her answer; Carole left, Daniel joined.
  EXPECT_NE(text.find("ATTENDEE;RSVP=TRUE;CN=Alice;PARTSTAT=ACCEPTED:mailto:alice@example.org"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("carole@"), std::string::npos);
  EXPECT_TRUE(hasLine(text, "ATTENDEE;CN=Daniel;ROLE=REQ-PARTICIPANT:mailto:daniel@example.org"));
  EXPECT_TRUE(hasLine(text, "ORGANIZER;CN=Léa:mailto:lea@example.org"));

  // The 30-minute alarm is kept as it was, the 10-minute one goes, a 5-minute one comes; the
  // absolute alarm the record cannot describe stays.
  std::vector<std::string> alarms;
  for (icalcomponent* alarm : children(ev, ICAL_VALARM_COMPONENT)) {
    alarms.push_back(textOf(alarm, ICAL_TRIGGER_PROPERTY));
  }
  EXPECT_EQ(alarms, (std::vector<std::string>{"20260606T080000Z", "-PT30M", "-PT5M"}));
  EXPECT_NE(text.find("X-WR-ALARMUID:alarme-30"), std::string::npos);
}

TEST(IcsSaveOccurrence, SingleEventKeepsEverythingItDoesNotKnowByteForByte) {
  const std::string text = *saveOccurrence(SINGLE, picnic(), EventSpan::thisEvent, NOW).updated;
  for (const char* line :
       {"X-MOZ-GENERATION:3", "X-APPLE-TRAVEL-ADVISORY-BEHAVIOR;X-NOTE=\"a,b:c\":AUTOMATIC",
        "FOO-BAR;P=1:baz", "BEGIN:X-GADGET", "X-COLOR:vert", "END:X-GADGET", "UID:courses",
        "SUMMARY:Acheter du pain", "PRODID:-//Atelier//FR", "TZID:Europe/Paris"}) {
    EXPECT_TRUE(hasLine(text, line)) << line << "\n" << text;
  }

  // A file written with bare LF keeps its style, new lines included.
  std::string lf = SINGLE;
  std::erase(lf, '\r');
  const std::string edited = *saveOccurrence(lf, picnic(), EventSpan::thisEvent, NOW).updated;
  EXPECT_EQ(edited.find('\r'), std::string::npos);
  EXPECT_NE(edited.find("\nSUMMARY:Grand pique-nique\n"), std::string::npos) << edited;
  EXPECT_NE(edited.find("\nX-MOZ-GENERATION:3\n"), std::string::npos);
}

// --- One occurrence of a series ---

TEST(IcsSaveOccurrence, ThisEventWritesOneOverrideNamedLikeTheMastersStart) {
  struct Case {
    std::string start, end, recurrenceId;
    bool allDay;
  };
  const std::vector<Case> cases = {
      {"DTSTART;TZID=Europe/Paris:20260105T100000", "DTEND;TZID=Europe/Paris:20260105T110000",
       "RECURRENCE-ID;TZID=Europe/Paris:20260119T100000", false},
      {"DTSTART:20260105T090000Z", "DTEND:20260105T100000Z", "RECURRENCE-ID:20260119T090000Z",
       false},
      {"DTSTART;VALUE=DATE:20260105", "DTEND;VALUE=DATE:20260106",
       "RECURRENCE-ID;VALUE=DATE:20260119", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    const std::string file = calendarFile(vevent("UID:serie-1\n" + c.start + "\n" + c.end +
                                                 "\nSUMMARY:Atelier poterie\n"
                                                 "RRULE:FREQ=WEEKLY;BYDAY=MO\n"));
    const Date placed = c.allDay ? localDate(2026, 1, 19) : localDate(2026, 1, 19, 10, 0);
    CalendarEvent first = occurrence(placed, placed.adding(4 * 3600), "Atelier spécial");
    first.allDay = c.allDay;
    const Edit once = saveOccurrence(file, first, EventSpan::thisEvent, NOW);
    ASSERT_TRUE(once.updated);
    EXPECT_FALSE(once.created);

    // Saving the same occurrence again replaces its override.
    CalendarEvent second =
        occurrence(placed, placed.adding(5 * 3600), "Atelier encore plus spécial");
    second.allDay = c.allDay;
    const std::string text =
        *saveOccurrence(*once.updated, second, EventSpan::thisEvent, NOW).updated;
    EXPECT_TRUE(hasLine(text, c.recurrenceId)) << text;

    Ical root = parse(text);
    ASSERT_TRUE(root);
    const auto overrides = vevents(root.get(), true);
    ASSERT_EQ(overrides.size(), 1u) << text;
    icalcomponent* ov = overrides[0];
    EXPECT_STREQ(icalcomponent_get_summary(ov), "Atelier encore plus spécial");
    EXPECT_EQ(icalcomponent_get_first_property(ov, ICAL_RRULE_PROPERTY), nullptr);
    EXPECT_EQ(icalcomponent_get_first_property(ov, ICAL_EXDATE_PROPERTY), nullptr);
    if (!c.allDay) {
      EXPECT_EQ(instant(ov, ICAL_DTSTART_PROPERTY), utc(2026, 1, 19, 14, 0));
    }
    icalcomponent* master = masterOf(root.get());
    EXPECT_STREQ(icalcomponent_get_summary(master), "Atelier poterie");
    EXPECT_TRUE(icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY));
  }
}

// --- This and the following occurrences ---

TEST(IcsSaveOccurrence, FutureEventsEndsTheSeriesAndStartsANewOneAtTheOccurrence) {
  const std::string file = weeklySeries(
      "RRULE:FREQ=WEEKLY;BYDAY=MO;COUNT=10\nEXDATE;TZID=Europe/Paris:20260202T100000\n"
      "X-ATELIER:terre cuite\n",
      parisOverride("20260112T100000",
                    "DTSTART;TZID=Europe/Paris:20260112T150000\nSUMMARY:Atelier décalé\n") +
          parisOverride("20260126T100000",
                        "DTSTART;TZID=Europe/Paris:20260126T170000\nSUMMARY:Atelier tardif\n"));
  CalendarEvent e =
      occurrence(localDate(2026, 1, 26, 10, 0), localDate(2026, 1, 26, 11, 0), "Atelier modelage");
  e.location = "Salle B";
  // The series' own rule, as a reader gives it back.
  e.recurrenceRule = "FREQ=WEEKLY;COUNT=10;BYDAY=MO";
  const Edit edit = saveOccurrence(file, e, EventSpan::futureEvents, NOW);
  ASSERT_TRUE(edit.updated);
  ASSERT_TRUE(edit.created);

  // The old series stops one second before the occurrence; its earlier override stays.
  const std::string& old = *edit.updated;
  EXPECT_TRUE(hasLine(old, "RRULE:FREQ=WEEKLY;BYDAY=MO;UNTIL=20260126T085959Z")) << old;
  Ical oldRoot = parse(old);
  ASSERT_TRUE(oldRoot);
  EXPECT_EQ(expand(masterOf(oldRoot.get()), utc(2026, 1, 1), utc(2026, 6, 1)),
            (Dates{utc(2026, 1, 5, 9), utc(2026, 1, 12, 9), utc(2026, 1, 19, 9)}));
  const auto oldOverrides = vevents(oldRoot.get(), true);
  ASSERT_EQ(oldOverrides.size(), 1u);
  EXPECT_STREQ(icalcomponent_get_summary(oldOverrides[0]), "Atelier décalé");
  EXPECT_EQ(old.find("EXDATE"), std::string::npos);
  EXPECT_EQ(old.find("Atelier modelage"), std::string::npos);

  // The new series starts at the occurrence, moved, with what is left of the count.
  const auto& [uid, text] = *edit.created;
  EXPECT_EQ(uid, "serie-1-20260126T090000Z");
  Ical root = parse(text);
  ASSERT_TRUE(root);
  EXPECT_TRUE(vevents(root.get(), true).empty());
  icalcomponent* master = masterOf(root.get());
  ASSERT_TRUE(master);
  EXPECT_EQ(icalcomponent_get_uid(master), uid);
  EXPECT_STREQ(icalcomponent_get_summary(master), "Atelier modelage");
  EXPECT_STREQ(icalcomponent_get_location(master), "Salle B");
  EXPECT_TRUE(hasLine(text, "DTSTART;TZID=Europe/Paris:20260126T110000")) << text;
  EXPECT_TRUE(hasLine(text, "RRULE:FREQ=WEEKLY;BYDAY=MO;COUNT=7")) << text;
  EXPECT_TRUE(hasLine(text, "X-ATELIER:terre cuite"));
  EXPECT_TRUE(hasLine(text, "CREATED:20260102T083000Z"));
  // The excluded 2 February follows the move.
  EXPECT_EQ(expand(master, utc(2026, 1, 1), utc(2026, 3, 1)),
            (Dates{utc(2026, 1, 26, 10), utc(2026, 2, 9, 10), utc(2026, 2, 16, 10),
                   utc(2026, 2, 23, 10)}));
  EXPECT_EQ(children(root.get(), ICAL_VTIMEZONE_COMPONENT).size(), 1u);
}

TEST(IcsSaveOccurrence, FutureEventsOnAnAllDaySeriesEndsItTheDayBeforeAndKeepsItsUntil) {
  const std::string file =
      calendarFile(vevent("UID:vacances\nDTSTART;VALUE=DATE:20260705\nDTEND;VALUE=DATE:20260706\n"
                          "SUMMARY:Colonie\nRRULE:FREQ=DAILY;UNTIL=20260720\n"));
  CalendarEvent e =
      record("vacances", "Colonie à la montagne", localDate(2026, 7, 10), localDate(2026, 7, 11));
  e.allDay = true;
  e.occurrenceDate = localDate(2026, 7, 10);
  const Edit edit = saveOccurrence(file, e, EventSpan::futureEvents, NOW);
  ASSERT_TRUE(edit.updated && edit.created);
  EXPECT_TRUE(hasLine(*edit.updated, "RRULE:FREQ=DAILY;UNTIL=20260709")) << *edit.updated;
  EXPECT_EQ(startsIn(*edit.updated, utc(2026, 7, 1), utc(2026, 8, 1)).size(), 5u);
  EXPECT_EQ(edit.created->first, "vacances-20260710");
  const std::string& text = edit.created->second;
  EXPECT_TRUE(hasLine(text, "DTSTART;VALUE=DATE:20260710")) << text;
  EXPECT_TRUE(hasLine(text, "RRULE:FREQ=DAILY;UNTIL=20260720")) << text;
}

TEST(IcsSaveOccurrence, FutureEventsFromTheFirstOccurrenceMovesTheWholeSeries) {
  const std::string file =
      weeklySeries("RRULE:FREQ=WEEKLY;BYDAY=MO\nEXDATE;TZID=Europe/Paris:20260119T100000\n",
                   parisOverride("20260112T100000",
                                 "DTSTART;TZID=Europe/Paris:20260112T100000\n"
                                 "DTEND;TZID=Europe/Paris:20260112T110000\n"
                                 "SUMMARY:Atelier des enfants\nLOCATION:Salle A\n"));
  CalendarEvent e =
      occurrence(localDate(2026, 1, 5, 10, 0), localDate(2026, 1, 5, 11, 0), "Atelier poterie");
  e.location = "Salle B";
  const Edit edit = saveOccurrence(file, e, EventSpan::futureEvents, NOW);
  ASSERT_TRUE(edit.updated);
  EXPECT_FALSE(edit.created);
  const std::string& text = *edit.updated;
  EXPECT_TRUE(hasLine(text, "DTSTART;TZID=Europe/Paris:20260105T110000")) << text;
  EXPECT_TRUE(hasLine(text, "RRULE:FREQ=WEEKLY;BYDAY=MO"));

  Ical root = parse(text);
  ASSERT_TRUE(root);
  // Still weekly, an hour later, the excluded week still excluded.
  EXPECT_EQ(expand(masterOf(root.get()), utc(2026, 1, 1), utc(2026, 1, 31)),
            (Dates{utc(2026, 1, 5, 10), utc(2026, 1, 12, 10), utc(2026, 1, 26, 10)}));
  // The override still names its occurrence, moved with it, keeps its own title and takes the
  // new place it had not changed.
  const auto overrides = vevents(root.get(), true);
  ASSERT_EQ(overrides.size(), 1u);
  EXPECT_EQ(instant(overrides[0], ICAL_RECURRENCEID_PROPERTY), utc(2026, 1, 12, 10));
  EXPECT_EQ(instant(overrides[0], ICAL_DTSTART_PROPERTY), utc(2026, 1, 12, 10));
  EXPECT_STREQ(icalcomponent_get_summary(overrides[0]), "Atelier des enfants");
  EXPECT_STREQ(icalcomponent_get_location(overrides[0]), "Salle B");
}

TEST(IcsSaveOccurrence, MovingTheWholeSeriesLaterKeepsItsLastOccurrence) {
  // The rule ends exactly on its last start, as some clients write it.
  const std::string file = weeklySeries("RRULE:FREQ=WEEKLY;BYDAY=MO;UNTIL=20260126T090000Z\n");
  CalendarEvent e =
      occurrence(localDate(2026, 1, 5, 10, 0), localDate(2026, 1, 5, 11, 30), "Atelier poterie");
  e.recurrenceRule = "FREQ=WEEKLY;UNTIL=20260126T090000Z;BYDAY=MO";
  const Edit edit = saveOccurrence(file, e, EventSpan::futureEvents, NOW);
  ASSERT_TRUE(edit.updated);
  EXPECT_EQ(startsIn(*edit.updated, utc(2026, 1, 1), utc(2026, 3, 1)),
            (Dates{utc(2026, 1, 5, 10, 30), utc(2026, 1, 12, 10, 30), utc(2026, 1, 19, 10, 30),
                   utc(2026, 1, 26, 10, 30)}))
      << *edit.updated;
}

TEST(IcsSaveOccurrence, RuleExtensionsSurviveTheEdit) {
  const std::string file = weeklySeries("RRULE:FREQ=WEEKLY;BYDAY=MO;X-NAME=Atelier\n");
  const Edit edit = saveOccurrence(file, monday(1, 19), EventSpan::futureEvents, NOW);
  ASSERT_TRUE(edit.updated && edit.created);
  EXPECT_TRUE(
      hasLine(*edit.updated, "RRULE:FREQ=WEEKLY;BYDAY=MO;X-NAME=Atelier;UNTIL=20260119T085959Z"))
      << *edit.updated;
  EXPECT_TRUE(hasLine(edit.created->second, "RRULE:FREQ=WEEKLY;BYDAY=MO;X-NAME=Atelier"));
}

// --- Removing ---

TEST(IcsRemoveOccurrence, SingleEventGoesWithItsFileUnlessOtherItemsShareIt) {
  const std::string alone = calendarFile(
      vevent("UID:pique-nique\nDTSTART;TZID=Europe/Paris:20260606T120000\nSUMMARY:Pique-nique\n"));
  const Edit gone = removeOccurrence(alone, picnic(), EventSpan::thisEvent);
  EXPECT_FALSE(gone.updated);
  EXPECT_FALSE(gone.created);

  const Edit kept = removeOccurrence(SINGLE, picnic(), EventSpan::futureEvents);
  ASSERT_TRUE(kept.updated);
  EXPECT_EQ(kept.updated->find("pique-nique"), std::string::npos);
  EXPECT_TRUE(hasLine(*kept.updated, "SUMMARY:Acheter du pain"));
}

TEST(IcsRemoveOccurrence, ThisEventAddsAnExdateNamedLikeTheMastersStart) {
  struct Case {
    std::string start, exdate;
    Date placed;
  };
  const std::vector<Case> cases = {
      {"DTSTART;TZID=Europe/Paris:20260105T100000", "EXDATE;TZID=Europe/Paris:20260119T100000",
       localDate(2026, 1, 19, 10, 0)},
      {"DTSTART:20260105T090000Z", "EXDATE:20260119T090000Z", localDate(2026, 1, 19, 10, 0)},
      {"DTSTART;VALUE=DATE:20260105", "EXDATE;VALUE=DATE:20260119", localDate(2026, 1, 19)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    const std::string file = calendarFile(
        vevent("UID:serie-1\n" + c.start +
               "\nSUMMARY:Atelier poterie\nRRULE:FREQ=WEEKLY;COUNT=4\n") +
        vevent("UID:serie-1\nRECURRENCE-ID" + c.start.substr(7) +
               "\nSUMMARY:Atelier d'ouverture\n") +
        vevent("UID:serie-1\nRECURRENCE-ID" + c.exdate.substr(6) + "\nSUMMARY:Atelier condamné\n"));
    CalendarEvent e = occurrence(c.placed, c.placed, "Atelier condamné");
    const Edit edit = removeOccurrence(file, e, EventSpan::thisEvent);
    ASSERT_TRUE(edit.updated);
    EXPECT_TRUE(hasLine(*edit.updated, c.exdate)) << *edit.updated;
    EXPECT_EQ(edit.updated->find("Atelier condamné"), std::string::npos);
    EXPECT_TRUE(hasLine(*edit.updated, "SUMMARY:Atelier d'ouverture"));
    EXPECT_EQ(startsIn(*edit.updated, utc(2026, 1, 1), utc(2026, 3, 1)).size(), 3u)
        << *edit.updated;

    // Removing it again adds nothing.
    const Edit again = removeOccurrence(*edit.updated, e, EventSpan::thisEvent);
    ASSERT_TRUE(again.updated);
    EXPECT_EQ(again.updated->find("EXDATE"), again.updated->rfind("EXDATE"));
  }
}

TEST(IcsRemoveOccurrence, RemovingTheLastOccurrenceLeftDeletesTheSeries) {
  const Edit first = removeOccurrence(weeklySeries("RRULE:FREQ=WEEKLY;COUNT=2\n"), monday(1, 5),
                                      EventSpan::thisEvent);
  ASSERT_TRUE(first.updated);
  EXPECT_FALSE(removeOccurrence(*first.updated, monday(1, 12), EventSpan::thisEvent).updated);
  // From the first occurrence still standing on, nothing is left either.
  EXPECT_FALSE(removeOccurrence(*first.updated, monday(1, 12), EventSpan::futureEvents).updated);
}

TEST(IcsRemoveOccurrence, FutureEventsEndsTheSeriesBeforeTheOccurrenceOrDeletesItFromTheFirst) {
  const std::string file =
      weeklySeries("RRULE:FREQ=WEEKLY;BYDAY=MO;COUNT=10\n",
                   parisOverride("20260112T100000", "SUMMARY:Atelier gardé\n") +
                       parisOverride("20260202T100000", "SUMMARY:Atelier oublié\n"));
  const Edit edit = removeOccurrence(file, monday(1, 26), EventSpan::futureEvents);
  ASSERT_TRUE(edit.updated);
  EXPECT_FALSE(edit.created);
  EXPECT_TRUE(hasLine(*edit.updated, "RRULE:FREQ=WEEKLY;BYDAY=MO;UNTIL=20260126T085959Z"));
  EXPECT_TRUE(hasLine(*edit.updated, "SUMMARY:Atelier gardé"));
  EXPECT_EQ(edit.updated->find("Atelier oublié"), std::string::npos);
  EXPECT_EQ(startsIn(*edit.updated, utc(2026, 1, 1), utc(2026, 6, 1)).size(), 3u);

  EXPECT_FALSE(removeOccurrence(file, monday(1, 5), EventSpan::futureEvents).updated);
}

TEST(IcsRemoveOccurrence, FutureEventsFromAnExtraDateLeavesAnEndedRuleAlone) {
  const std::string file = weeklySeries(
      "RRULE:FREQ=WEEKLY;COUNT=2\nRDATE;TZID=Europe/Paris:20260302T100000,20260309T100000\n");
  const Edit edit = removeOccurrence(file, monday(3, 2), EventSpan::futureEvents);
  ASSERT_TRUE(edit.updated);
  EXPECT_TRUE(hasLine(*edit.updated, "RRULE:FREQ=WEEKLY;COUNT=2")) << *edit.updated;
  EXPECT_EQ(edit.updated->find("RDATE"), std::string::npos);
  EXPECT_EQ(startsIn(*edit.updated, utc(2026, 1, 1), utc(2026, 6, 1)),
            (Dates{utc(2026, 1, 5, 9), utc(2026, 1, 12, 9)}));
}

// --- Refusals ---

TEST(IcsEditErrors, UnreadableFilesMissingEventsAndMissingOccurrencesAreRefused) {
  const CalendarEvent someone = monday(1, 19);
  for (const std::string& garbage :
       {std::string("Ceci n'est pas un calendrier"),
        crlf("BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:serie-1\nEND:VCALENDAR\n"),
        crlf("BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:serie-1\nEND:VEVENT\n")}) {
    EXPECT_EQ(storeError([&] { saveOccurrence(garbage, someone, EventSpan::thisEvent, NOW); }),
              "Fichier de calendrier illisible");
    EXPECT_EQ(storeError([&] { removeOccurrence(garbage, someone, EventSpan::thisEvent); }),
              "Fichier de calendrier illisible");
  }

  const std::string series = weeklySeries("RRULE:FREQ=WEEKLY\n");
  CalendarEvent stranger = someone;
  stranger.eventIdentifier = "inconnu";
  EXPECT_EQ(storeError([&] { saveOccurrence(series, stranger, EventSpan::thisEvent, NOW); }),
            "Événement introuvable dans le fichier");
  EXPECT_EQ(storeError([&] { removeOccurrence(series, stranger, EventSpan::futureEvents); }),
            "Événement introuvable dans le fichier");

  CalendarEvent vague = someone;
  vague.occurrenceDate.reset();
  EXPECT_EQ(storeError([&] { saveOccurrence(series, vague, EventSpan::thisEvent, NOW); }),
            "Occurrence non précisée");
  EXPECT_EQ(storeError([&] { saveOccurrence(series, vague, EventSpan::futureEvents, NOW); }),
            "Occurrence non précisée");
  EXPECT_EQ(storeError([&] { removeOccurrence(series, vague, EventSpan::thisEvent); }),
            "Occurrence non précisée");
}

}  // namespace
}  // namespace talewick::ics
