#include "text/icalendar.hpp"

#include <cstdio>
#include <vector>

namespace talewick::ICalendar {
namespace {

constexpr size_t FIRST_LINE_OCTETS = 75;
constexpr size_t CONTINUATION_OCTETS = 74;  // after the leading space

std::string utcStamp(Date d) {
  const CivilFields c = civilFromUnix(d.unix(), 0);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", c.year, c.month, c.day, c.hour,
                c.minute, c.second);
  return text;
}

std::string utcDay(Date d) {
  const CivilFields c = civilFromUnix(d.unix(), 0);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", c.year, c.month, c.day);
  return text;
}

std::string dateProperty(std::string_view name, Date d, bool isAllDay) {
  std::string line(name);
  return isAllDay ? line + ";VALUE=DATE:" + utcDay(d) : line + ":" + utcStamp(d);
}

// TEXT values: the separators and backslash escaped, every kind of line break written "\n".
std::string escapeText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case ';':
        out += "\\;";
        break;
      case ',':
        out += "\\,";
        break;
      case '\r':
        if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Values written as they are (UID, addresses, parameters) cannot hold a control character: the
// format has no escape for one, and a line break would start a forged property.
std::string withoutControls(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) continue;
    out += c;
  }
  return out;
}

// Parameter values cannot escape a double quote, so it goes; a value holding a separator is
// quoted.
std::string escapeParameter(std::string_view s) {
  std::string out;
  for (const char c : withoutControls(s)) {
    if (c != '"') out += c;
  }
  if (out.find_first_of(":;,") != std::string::npos) return '"' + out + '"';
  return out;
}

bool isPresent(const std::optional<std::string>& s) { return s && !s->empty(); }

std::string mailto(std::string_view address) { return "mailto:" + withoutControls(address); }

std::string organizerLine(const CalendarInvite& invite) {
  std::string line = "ORGANIZER";
  if (isPresent(invite.organizerName)) line += ";CN=" + escapeParameter(*invite.organizerName);
  if (isPresent(invite.organizerSentBy)) {
    line += ";SENT-BY=" + escapeParameter("mailto:" + *invite.organizerSentBy);
  }
  return line + ":" + mailto(invite.organizerEmail);
}

std::string attendeeLine(const CalendarInvitee& invitee) {
  std::string line = "ATTENDEE;ROLE=REQ-PARTICIPANT;PARTSTAT=NEEDS-ACTION;RSVP=TRUE";
  if (isPresent(invitee.name)) line += ";CN=" + escapeParameter(*invitee.name);
  return line + ":" + mailto(invitee.email);
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string foldLine(std::string_view line) {
  std::string out;
  out.reserve(line.size() + line.size() / CONTINUATION_OCTETS * 3);
  size_t budget = FIRST_LINE_OCTETS;
  while (line.size() > budget) {
    size_t cut = budget;
    while (cut > 0 && isContinuationByte(line[cut])) --cut;
    if (cut == 0) cut = budget;  // not UTF-8: any cut is as good as another
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    budget = CONTINUATION_OCTETS;
  }
  out.append(line);
  return out;
}

std::string request(const CalendarInvite& invite, Date dtStamp) {
  std::vector<std::string> lines{"BEGIN:VCALENDAR",
                                 "PRODID:-//Quillon//Emberwake//FR",
                                 "VERSION:2.0",
                                 "CALSCALE:GREGORIAN",
                                 "METHOD:REQUEST",
                                 "BEGIN:VEVENT",
                                 "UID:" + withoutControls(invite.uid),
                                 "SEQUENCE:" + std::to_string(invite.sequence),
                                 "DTSTAMP:" + utcStamp(dtStamp),
                                 dateProperty("DTSTART", invite.start, invite.isAllDay),
                                 dateProperty("DTEND", invite.end, invite.isAllDay),
                                 "SUMMARY:" + escapeText(invite.title)};
  if (isPresent(invite.location)) lines.push_back("LOCATION:" + escapeText(*invite.location));
  if (isPresent(invite.description)) {
    lines.push_back("DESCRIPTION:" + escapeText(*invite.description));
  }
  lines.push_back(organizerLine(invite));
  for (const CalendarInvitee& invitee : invite.invitees) lines.push_back(attendeeLine(invitee));
  lines.insert(lines.end(), {"STATUS:CONFIRMED", "END:VEVENT", "END:VCALENDAR"});

  std::string text;
  for (const std::string& line : lines) {
    text += foldLine(line);
    text += "\r\n";
  }
  return text;
}

}  // namespace talewick::ICalendar
