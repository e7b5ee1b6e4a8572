// Times as the reader and the editor place them. Every test program runs with TZ=Europe/Paris.
#include "platform/ics/times.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/ics/edit.hpp"
#include "platform/ics/reader.hpp"
#include "platform/ics/series.hpp"

namespace talewick::ics {
namespace {

Date utc(int year, int month, int day, int hour, int minute) {
  return Date::fromUnix(
      static_cast<double>(daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60));
}

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string calendarFile(const std::string& components) {
  return crlf("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Veilleurs//FR\n" + components +
              "END:VCALENDAR\n");
}

// The occurrences of the file's events in [from, to), by start.
std::vector<CalendarEvent> occurrencesIn(const std::string& text, Date from, Date to) {
  ZoneRegistry registry;
  const std::unordered_set<std::string> nobody;
  const ParsedFile file = Reader(registry, nobody).read(text, "perso");
  EXPECT_TRUE(file.ok && file.editable) << text;
  std::vector<CalendarEvent> out;
  for (const Series& s : file.series) expandSeries(s, Window{from, to}, out);
  std::sort(out.begin(), out.end(),
            [](const CalendarEvent& a, const CalendarEvent& b) { return a.start < b.start; });
  return out;
}

size_t countOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// On 29 March 2026 Paris clocks go from 02:00 to 03:00: a wall time of 02:30 that night is read
// with the offset before the gap, 01:30 UTC (03:30 summer time), by the reader and the editor
// alike, or the editor would not find the occurrence the reader shows.
TEST(IcsTimes, ReadingAndEditingPlaceATimeInTheSummerTimeGapAtTheSameInstant) {
  const Date gap = utc(2026, 3, 29, 1, 30);
  const Date march = utc(2026, 3, 1, 0, 0), april = utc(2026, 4, 30, 0, 0);

  // A weekly night watch at 02:30 whose second occurrence falls in the gap, where another
  // program already wrote an override (its RECURRENCE-ID as the rule writes it, 02:30).
  const std::string watch = calendarFile(
      "BEGIN:VEVENT\nUID:veille\nDTSTAMP:20260101T000000Z\nSUMMARY:Veille\n"
      "DTSTART;TZID=Europe/Paris:20260322T023000\nDTEND;TZID=Europe/Paris:20260322T033000\n"
      "RRULE:FREQ=WEEKLY;COUNT=3\nEND:VEVENT\n"
      "BEGIN:VEVENT\nUID:veille\nDTSTAMP:20260101T000000Z\nSUMMARY:Veille avancée\n"
      "RECURRENCE-ID;TZID=Europe/Paris:20260329T023000\n"
      "DTSTART;TZID=Europe/Paris:20260329T010000\nDTEND;TZID=Europe/Paris:20260329T013000\n"
      "END:VEVENT\n");
  const std::vector<CalendarEvent> read = occurrencesIn(watch, march, april);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[1].title, "Veille avancée");
  EXPECT_EQ(read[1].occurrenceDate, gap);

  // Moving that occurrence again edits the override the file has, and nothing else.
  CalendarEvent moved = read[1];
  moved.start = utc(2026, 3, 29, 2, 0);
  moved.end = utc(2026, 3, 29, 3, 0);
  const Edit edit = saveOccurrence(watch, moved, EventSpan::thisEvent, utc(2026, 3, 1, 8, 0));
  ASSERT_TRUE(edit.updated);
  EXPECT_EQ(countOf(*edit.updated, "RECURRENCE-ID"), 1u) << *edit.updated;
  const std::vector<CalendarEvent> after = occurrencesIn(*edit.updated, march, april);
  ASSERT_EQ(after.size(), 3u) << *edit.updated;
  EXPECT_EQ(after[1].start, moved.start);
  EXPECT_EQ(after[1].occurrenceDate, gap);

  // A series starting in the gap: moving "this and the following" from its first occurrence
  // moves the whole series; nothing comes before that occurrence to keep in a series of its own.
  const std::string fromTheGap = calendarFile(
      "BEGIN:VEVENT\nUID:ronde\nDTSTAMP:20260101T000000Z\nSUMMARY:Ronde\n"
      "DTSTART;TZID=Europe/Paris:20260329T023000\nDTEND;TZID=Europe/Paris:20260329T043000\n"
      "RRULE:FREQ=WEEKLY;COUNT=3\nEND:VEVENT\n");
  const std::vector<CalendarEvent> rounds = occurrencesIn(fromTheGap, march, april);
  ASSERT_EQ(rounds.size(), 3u);
  EXPECT_EQ(rounds[0].start, gap);
  CalendarEvent later = rounds[0];
  later.start = later.start.adding(3600);
  later.end = later.end.adding(3600);
  const Edit whole =
      saveOccurrence(fromTheGap, later, EventSpan::futureEvents, utc(2026, 3, 1, 8, 0));
  EXPECT_FALSE(whole.created);
  ASSERT_TRUE(whole.updated);
  const std::vector<CalendarEvent> movedRounds = occurrencesIn(*whole.updated, march, april);
  ASSERT_EQ(movedRounds.size(), 3u) << *whole.updated;
  EXPECT_EQ(movedRounds[0].start, later.start);

  // A single event at 02:30 that night, saved unchanged, keeps its instant and its lines.
  const std::string single = calendarFile(
      "BEGIN:VEVENT\nUID:guet\nDTSTAMP:20260101T000000Z\nSUMMARY:Guet\n"
      "DTSTART;TZID=Europe/Paris:20260329T023000\nDTEND;TZID=Europe/Paris:20260329T043000\n"
      "END:VEVENT\n");
  const std::vector<CalendarEvent> guard = occurrencesIn(single, march, april);
  ASSERT_EQ(guard.size(), 1u);
  EXPECT_EQ(guard[0].start, gap);
  const Edit saved = saveOccurrence(single, guard[0], EventSpan::thisEvent, utc(2026, 3, 1, 8, 0));
  ASSERT_TRUE(saved.updated);
  EXPECT_NE(saved.updated->find("DTSTART;TZID=Europe/Paris:20260329T023000\r\n"), std::string::npos)
      << *saved.updated;
  const std::vector<CalendarEvent> again = occurrencesIn(*saved.updated, march, april);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].start, gap);
  EXPECT_EQ(again[0].end, guard[0].end);
}

// libical's own UTC conversion gives -1 before 1902; the reader's does not.
TEST(IcsTimes, UtcTimesOfEveryYearReadAsTheInstantTheyName) {
  const std::string old = calendarFile(
      "BEGIN:VEVENT\nUID:sacre\nDTSTAMP:20260101T000000Z\nSUMMARY:Sacre\n"
      "DTSTART:18041202T110000Z\nDTEND:18041202T150000Z\nEND:VEVENT\n");
  const std::vector<CalendarEvent> read =
      occurrencesIn(old, utc(1804, 12, 1, 0, 0), utc(1804, 12, 3, 0, 0));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].start, utc(1804, 12, 2, 11, 0));
  EXPECT_EQ(read[0].end, utc(1804, 12, 2, 15, 0));
}

}  // namespace
}  // namespace talewick::ics
