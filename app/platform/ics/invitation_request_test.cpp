// The invitation request we mail, read back by our own calendar reader: what a guest's calendar
// program finds in it is what the invitation said, escaped, quoted and folded text included.
#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

#include "platform/ics/reader.hpp"
#include "platform/ics/series.hpp"
#include "platform/ics/zones.hpp"
#include "text/icalendar.hpp"

namespace talewick::ics {
namespace {

Date utc(int year, int month, int day, int hour, int minute) {
  return iso8601::instant(CivilTime{year, month, day, hour, minute, 0}, 0);
}

Series readBack(const std::string& text) {
  ZoneRegistry registry;
  const std::unordered_set<std::string> nobody;
  const ParsedFile file = Reader(registry, nobody).read(text, "invitations");
  EXPECT_TRUE(file.ok && file.editable) << text;
  EXPECT_EQ(file.series.size(), 1u) << text;
  return file.series.empty() ? Series{} : file.series.front();
}

TEST(InvitationRequest, ReadsBackAsTheInvitationSaid) {
  std::string longTitle = "Réunion; bilan, perspectives \\ et « questions diverses » —";
  while (longTitle.size() < 300) longTitle += " été, café ☕, dragons 🐉;";
  CalendarInvite invite;
  invite.uid = "quillon-4f1c2b9e-7d3a-4c55-9e21-0a6b8c7d5e4f";
  invite.title = longTitle;
  invite.start = utc(2026, 3, 12, 9, 0);
  invite.end = utc(2026, 3, 12, 10, 30);
  invite.location = "Salle B12, 3e étage";
  invite.description = "Ordre du jour :\n1. budget\r\n2. équipe";
  invite.organizerName = "Claire \"la cheffe\" Martin";
  invite.organizerEmail = "rsvp+Ab3dE9xYz1@relais.example";
  invite.organizerSentBy = "claire@example.org";
  invite.invitees = {{"marie@example.org", "Dupont, Marie"},
                     {"paul@example.org", std::nullopt},
                     {"zoe@example.org", "Zoé: la fée"}};
  invite.sequence = 4;

  const Series s = readBack(ICalendar::request(invite, utc(2026, 3, 11, 8, 15)));
  EXPECT_EQ(s.uid, invite.uid);
  const CalendarEvent& e = s.master;
  EXPECT_EQ(e.title, longTitle);
  EXPECT_EQ(e.location, invite.location);
  EXPECT_EQ(e.notes, "Ordre du jour :\n1. budget\n2. équipe");
  EXPECT_EQ(e.start, invite.start);
  EXPECT_EQ(e.end, invite.end);
  EXPECT_FALSE(e.allDay);
  ASSERT_TRUE(e.organizer.has_value());
  EXPECT_EQ(e.organizer->name, "Claire la cheffe Martin");
  EXPECT_EQ(e.organizer->url, "mailto:rsvp+Ab3dE9xYz1@relais.example");
  ASSERT_EQ(e.attendees.size(), 3u);
  EXPECT_EQ(e.attendees[0].name, "Dupont, Marie");
  EXPECT_EQ(e.attendees[0].url, "mailto:marie@example.org");
  EXPECT_EQ(e.attendees[0].status, ParticipantStatus::pending);
  EXPECT_EQ(e.attendees[1].name, std::nullopt);
  EXPECT_EQ(e.attendees[2].name, "Zoé: la fée");
}

TEST(InvitationRequest, AnAllDayInvitationReadsAsItsDays) {
  CalendarInvite invite;
  invite.uid = "quillon-all-day";
  invite.title = "Séminaire";
  invite.start = utc(2026, 6, 15, 0, 0);
  invite.end = utc(2026, 6, 17, 0, 0);
  invite.isAllDay = true;
  invite.organizerEmail = "rsvp+Ab3dE9xYz1@relais.example";
  invite.invitees = {{"paul@example.org", "Paul"}};

  const Series s = readBack(ICalendar::request(invite, utc(2026, 6, 1, 8, 0)));
  EXPECT_TRUE(s.master.allDay);
  EXPECT_EQ(s.durationDays, 2);
}

}  // namespace
}  // namespace talewick::ics
