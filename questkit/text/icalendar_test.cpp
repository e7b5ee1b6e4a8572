// The invitation text: every byte of the request, its escaping and its folding.
#include "text/icalendar.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talewick {
namespace {

Date utc(int year, int month, int day, int hour, int minute) {
  return iso8601::instant(CivilTime{year, month, day, hour, minute, 0}, 0);
}

CalendarInvite invite() {
  CalendarInvite i;
  i.uid = "quillon-4f1c2b9e-7d3a-4c55-9e21-0a6b8c7d5e4f";
  i.title = "Revue trimestrielle";
  i.start = utc(2026, 3, 12, 9, 0);
  i.end = utc(2026, 3, 12, 10, 30);
  i.organizerEmail = "rsvp+Ab3dE9xYz1@relais.example";
  i.invitees = {{"paul@example.org", std::nullopt}};
  return i;
}

std::vector<std::string> physicalLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  EXPECT_EQ(from, text.size()) << "the text must end with CR LF";
  return lines;
}

// The logical lines: each continuation (CR LF and a space) joined back to the line before.
std::vector<std::string> unfolded(const std::string& text) {
  std::vector<std::string> lines;
  for (const std::string& line : physicalLines(text)) {
    if (!line.empty() && line[0] == ' ') {
      lines.back() += line.substr(1);
    } else {
      lines.push_back(line);
    }
  }
  return lines;
}

std::string lineStarting(const std::string& text, std::string_view prefix) {
  for (const std::string& line : unfolded(text)) {
    if (line.starts_with(prefix)) return line;
  }
  return "(no " + std::string(prefix) + " line)";
}

TEST(ICalendarRequest, WritesEveryPropertyInOrderWithCrLf) {
  CalendarInvite i = invite();
  i.location = "Salle Lovelace";
  i.description = "Ordre du jour en pièce jointe";
  i.organizerName = "Claire Martin";
  i.organizerSentBy = "claire@example.org";
  i.invitees = {{"paul@example.org", "Paul"}, {"zoe@example.org", std::nullopt}};
  i.sequence = 2;
  EXPECT_EQ(ICalendar::request(i, utc(2026, 3, 12, 8, 15)),
            "BEGIN:VCALENDAR\r\n"
            "PRODID:-//Quillon//Emberwake//FR\r\n"
            "VERSION:2.0\r\n"
            "CALSCALE:GREGORIAN\r\n"
            "METHOD:REQUEST\r\n"
            "BEGIN:VEVENT\r\n"
            "UID:quillon-4f1c2b9e-7d3a-4c55-9e21-0a6b8c7d5e4f\r\n"
            "SEQUENCE:2\r\n"
            "DTSTAMP:20260312T081500Z\r\n"
            "DTSTART:20260312T090000Z\r\n"
            "DTEND:20260312T103000Z\r\n"
            "SUMMARY:Revue trimestrielle\r\n"
            "LOCATION:Salle Lovelace\r\n"
            "DESCRIPTION:Ordre du jour en pièce jointe\r\n"
            "ORGANIZER;CN=Claire Martin;SENT-BY=\"mailto:claire@example.org\":mailto:rsvp+\r\n"
            " Ab3dE9xYz1@relais.example\r\n"
            "ATTENDEE;ROLE=REQ-PARTICIPANT;PARTSTAT=NEEDS-ACTION;RSVP=TRUE;CN=Paul:mailt\r\n"
            " o:paul@example.org\r\n"
            "ATTENDEE;ROLE=REQ-PARTICIPANT;PARTSTAT=NEEDS-ACTION;RSVP=TRUE:mailto:zoe@ex\r\n"
            " ample.org\r\n"
            "STATUS:CONFIRMED\r\n"
            "END:VEVENT\r\n"
            "END:VCALENDAR\r\n");
}

TEST(ICalendarRequest, LeavesOutWhatIsAbsentOrEmpty) {
  CalendarInvite i = invite();
  i.location = "";
  i.description = "";
  i.organizerName = "";
  i.organizerSentBy = "";
  i.invitees = {{"paul@example.org", ""}};
  const std::string text = ICalendar::request(i, utc(2026, 3, 12, 8, 15));
  EXPECT_EQ(text.find("LOCATION"), std::string::npos);
  EXPECT_EQ(text.find("DESCRIPTION"), std::string::npos);
  EXPECT_EQ(text.find("CN="), std::string::npos);
  EXPECT_EQ(lineStarting(text, "ORGANIZER"), "ORGANIZER:mailto:rsvp+Ab3dE9xYz1@relais.example");
  EXPECT_EQ(text, ICalendar::request(invite(), utc(2026, 3, 12, 8, 15)));

  i.organizerName = "Claire";
  EXPECT_EQ(lineStarting(ICalendar::request(i, utc(2026, 3, 12, 8, 15)), "ORGANIZER"),
            "ORGANIZER;CN=Claire:mailto:rsvp+Ab3dE9xYz1@relais.example");
}

TEST(ICalendarRequest, EscapesTextValues) {
  CalendarInvite i = invite();
  i.title = "Point; budget, Q3\nsuite";
  i.location = R"(C:\Salles\B12, 3e étage)";
  i.description = "un\r\ndeux\rtrois\n\nquatre";
  const std::string text = ICalendar::request(i, utc(2026, 3, 12, 8, 15));
  EXPECT_EQ(lineStarting(text, "SUMMARY"), R"(SUMMARY:Point\; budget\, Q3\nsuite)");
  EXPECT_EQ(lineStarting(text, "LOCATION"), R"(LOCATION:C:\\Salles\\B12\, 3e étage)");
  // A CR LF pair is one break, not two.
  EXPECT_EQ(lineStarting(text, "DESCRIPTION"), R"(DESCRIPTION:un\ndeux\ntrois\n\nquatre)");
}

TEST(ICalendarRequest, QuotesOrStripsParameterValues) {
  CalendarInvite i = invite();
  i.organizerName = "L'équipe \"Projets\"";
  i.invitees = {{"marie@example.org", "Dupont, Marie"},
                {"zoe@example.org", "Zoé: la fée"},
                {"max@example.org", "Max; \"le grand\""}};
  const std::string text = ICalendar::request(i, utc(2026, 3, 12, 8, 15));
  EXPECT_EQ(lineStarting(text, "ORGANIZER"),
            "ORGANIZER;CN=L'équipe Projets:mailto:rsvp+Ab3dE9xYz1@relais.example");
  const std::string prefix = "ATTENDEE;ROLE=REQ-PARTICIPANT;PARTSTAT=NEEDS-ACTION;RSVP=TRUE";
  EXPECT_NE(text.find("\r\nATTENDEE"), std::string::npos);
  const std::vector<std::string> lines = unfolded(text);
  EXPECT_EQ(lines[13], prefix + ";CN=\"Dupont, Marie\":mailto:marie@example.org");
  EXPECT_EQ(lines[14], prefix + ";CN=\"Zoé: la fée\":mailto:zoe@example.org");
  EXPECT_EQ(lines[15], prefix + ";CN=\"Max; le grand\":mailto:max@example.org");
  EXPECT_EQ(lines[16], "STATUS:CONFIRMED");
}

TEST(ICalendarRequest, LineBreaksInNamesAndAddressesCannotForgeProperties) {
  CalendarInvite i = invite();
  i.organizerName = "Eve\r\nMETHOD:CANCEL";
  i.invitees = {{"paul@example.org\r\nSTATUS:CANCELLED", "Paul\nX"}};
  const std::vector<std::string> lines = unfolded(ICalendar::request(i, utc(2026, 3, 12, 8, 15)));
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[12], "ORGANIZER;CN=\"EveMETHOD:CANCEL\":mailto:rsvp+Ab3dE9xYz1@relais.example");
  EXPECT_EQ(lines[13],
            "ATTENDEE;ROLE=REQ-PARTICIPANT;PARTSTAT=NEEDS-ACTION;RSVP=TRUE;CN=PaulX:mailto:"
            "paul@example.orgSTATUS:CANCELLED");
}

TEST(ICalendarRequest, AllDayInvitationsWriteTheUtcDate) {
  CalendarInvite i = invite();
  i.isAllDay = true;
  i.start = utc(2026, 6, 30, 22, 0);  // already 1 July in Paris: the UTC day is written
  i.end = utc(2026, 7, 2, 0, 0);
  const std::string text = ICalendar::request(i, utc(2026, 6, 1, 7, 5));
  EXPECT_EQ(lineStarting(text, "DTSTART"), "DTSTART;VALUE=DATE:20260630");
  EXPECT_EQ(lineStarting(text, "DTEND"), "DTEND;VALUE=DATE:20260702");
  EXPECT_EQ(lineStarting(text, "DTSTAMP"), "DTSTAMP:20260601T070500Z");
  EXPECT_EQ(text.find("TZID"), std::string::npos);
}

TEST(ICalendarRequest, StampsDropFractionsOfASecond) {
  const std::string text = ICalendar::request(invite(), utc(1999, 12, 31, 23, 59).adding(59.9));
  EXPECT_EQ(lineStarting(text, "DTSTAMP"), "DTSTAMP:19991231T235959Z");
}

TEST(ICalendarFolding, CutsLongLinesAt75OctetsWithContinuationsOf74) {
  EXPECT_EQ(ICalendar::foldLine(std::string(75, 'a')), std::string(75, 'a'));
  EXPECT_EQ(ICalendar::foldLine(std::string(76, 'a')),
            std::string(75, 'a') + "\r\n " + std::string(1, 'a'));

  CalendarInvite i = invite();
  i.title = std::string(200, 'x');
  const std::vector<std::string> lines =
      physicalLines(ICalendar::request(i, utc(2026, 3, 12, 8, 15)));
  ASSERT_GE(lines.size(), 14u);
  EXPECT_EQ(lines[11], "SUMMARY:" + std::string(67, 'x'));
  EXPECT_EQ(lines[12], " " + std::string(74, 'x'));
  EXPECT_EQ(lines[13], " " + std::string(59, 'x'));
  EXPECT_EQ(lines[11].size() + lines[12].size() + lines[13].size(), 210u);  // 208 + 2 spaces
}

TEST(ICalendarFolding, NeverSplitsACharacter) {
  std::string e100;
  for (int k = 0; k < 100; ++k) e100 += "é";
  std::string e33, e37, e30;
  for (int k = 0; k < 33; ++k) e33 += "é";
  for (int k = 0; k < 37; ++k) e37 += "é";
  for (int k = 0; k < 30; ++k) e30 += "é";
  // "SUMMARY:" is 8 octets: 33 two-octet characters fill 74, the 34th would reach 76.
  EXPECT_EQ(ICalendar::foldLine("SUMMARY:" + e100),
            "SUMMARY:" + e33 + "\r\n " + e37 + "\r\n " + e30);

  const std::string mixed =
      "SUMMARY:Réunion d'équipe ☕ — déjà vu 🐉🐉 à l'Hôtel-Dieu, côté cour : ordre du jour, "
      "bilan 🧾 et « questions diverses » pour l'été prochain ✨";
  const std::string folded = ICalendar::foldLine(mixed);
  std::string joined;
  for (const std::string& line : physicalLines(folded + "\r\n")) {
    EXPECT_LE(line.size(), 75u);
    ASSERT_FALSE(line.empty());
    const auto lead = static_cast<unsigned char>(line[line[0] == ' ' ? 1 : 0]);
    EXPECT_NE(lead & 0xC0, 0x80) << "a line starts inside a character";
    joined += joined.empty() ? line : line.substr(1);
  }
  EXPECT_EQ(joined, mixed);
  EXPECT_GT(folded.size(), mixed.size() + 3) << "the line was long enough to be cut";
}

}  // namespace
}  // namespace talewick
