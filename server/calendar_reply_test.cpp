// The answers inside calendar replies as calendar programs write them.
#include "server/calendar_reply.hpp"

#include <gtest/gtest.h>

namespace talewick::server {
namespace {

TEST(CalendarReplies, readFoldedAttendeesWithQuotedNamesInAnyCase) {
  const std::string ics =
      "BEGIN:VCALENDAR\r\nPRODID:-//Mail//EN\r\nVERSION:2.0\r\nMETHOD:reply\r\n"
      "BEGIN:VEVENT\r\n"
      "UID:quillon-1\r\n"
      "ATTENDEE;CN=\"Dupont, Marie\";PARTSTAT=ACCEPTED;ROLE=REQ-PARTICIPANT:MAILTO:m\r\n"
      " arie@example.org\r\n"
      "COMMENT:Avec plaisir\\, à jeudi\\nMarie\r\n"
      "BEGIN:VALARM\r\nATTENDEE:mailto:alarm@example.org\r\nEND:VALARM\r\n"
      "END:VEVENT\r\nEND:VCALENDAR\r\n";
  EXPECT_EQ(calendarReplies(ics),
            (std::vector<CalendarReply>{{"quillon-1", "marie@example.org", "ACCEPTED",
                                         std::string("Avec plaisir, à jeudi\nMarie")}}));
}

TEST(CalendarReplies, readEveryEventAndLineFeedsAlone) {
  const std::string ics =
      "BEGIN:VCALENDAR\nMETHOD:REPLY\n"
      "BEGIN:VEVENT\nUID:a\nATTENDEE;PARTSTAT=\"DECLINED\":mailto:p@x.org\nEND:VEVENT\n"
      "BEGIN:VEVENT\nUID:b\nATTENDEE;PARTSTAT=tentative;CN=Q:q@x.org\n"
      "ATTENDEE:mailto:r@x.org\nEND:VEVENT\nEND:VCALENDAR\n";
  EXPECT_EQ(calendarReplies(ics),
            (std::vector<CalendarReply>{{"a", "p@x.org", "DECLINED", std::nullopt},
                                        {"b", "q@x.org", "tentative", std::nullopt},
                                        {"b", "r@x.org", "", std::nullopt}}));
}

TEST(CalendarReplies, areNoneInARequestOrWithoutAMethod) {
  const std::string event =
      "BEGIN:VEVENT\r\nUID:a\r\nATTENDEE;PARTSTAT=ACCEPTED:mailto:p@x.org\r\nEND:VEVENT\r\n";
  EXPECT_TRUE(calendarReplies("BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\n" + event + "END:VCALENDAR\r\n")
                  .empty());
  EXPECT_TRUE(calendarReplies("BEGIN:VCALENDAR\r\n" + event + "END:VCALENDAR\r\n").empty());
  // A METHOD inside the event is not the calendar's.
  EXPECT_TRUE(calendarReplies("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nMETHOD:REPLY\r\nUID:a\r\n"
                              "ATTENDEE;PARTSTAT=ACCEPTED:mailto:p@x.org\r\nEND:VEVENT\r\n"
                              "END:VCALENDAR\r\n")
                  .empty());
  EXPECT_TRUE(calendarReplies("").empty());
}

}  // namespace
}  // namespace talewick::server
