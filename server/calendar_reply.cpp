#include "server/calendar_reply.hpp"

#include <cctype>
#include <map>

namespace talewick::server {

namespace {

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// The logical lines of `ics`: a line break followed by a space or a tab continues the line.
std::vector<std::string> unfolded(std::string_view ics) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < ics.size()) {
    std::size_t end = ics.find('\n', pos);
    if (end == std::string_view::npos) end = ics.size();
    std::string_view line = ics.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !lines.empty()) {
      lines.back() += line.substr(1);
    } else {
      lines.emplace_back(line);
    }
    pos = end + 1;
  }
  return lines;
}

// "NAME;P1=a;P2="b:c":value" → the upper-case name, its parameters (upper-case names, values
// unquoted) and the value.
struct ContentLine {
  std::string name;
  std::map<std::string, std::string> parameters;
  std::string value;
};

ContentLine readLine(std::string_view line) {
  ContentLine out;
  std::size_t i = 0;
  while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
  out.name = upper(trim(line.substr(0, i)));
  while (i < line.size() && line[i] == ';') {
    ++i;
    const std::size_t nameStart = i;
    while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
    const std::string name = upper(trim(line.substr(nameStart, i - nameStart)));
    std::string value;
    if (i < line.size() && line[i] == '=') {
      ++i;
      bool quoted = false;
      while (i < line.size() && (quoted || (line[i] != ';' && line[i] != ':'))) {
        if (line[i] == '"') {
          quoted = !quoted;
        } else {
          value += line[i];
        }
        ++i;
      }
    }
    out.parameters[name] = value;
  }
  if (i < line.size() && line[i] == ':') out.value = std::string(line.substr(i + 1));
  return out;
}

// TEXT values escape "\\", "\;", "\," and line breaks ("\n" or "\N").
std::string unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += (next == 'n' || next == 'N') ? '\n' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string addressOf(std::string_view calAddress) {
  calAddress = trim(calAddress);
  if (upper(calAddress.substr(0, 7)) == "MAILTO:") calAddress.remove_prefix(7);
  return std::string(trim(calAddress));
}

}  // namespace

std::vector<CalendarReply> calendarReplies(std::string_view ics) {
  std::vector<CalendarReply> replies;
  std::vector<std::string> open;  // the components entered, innermost last
  std::string method;
  std::string uid;
  std::optional<std::string> comment;
  std::vector<CalendarReply> event;  // the attendees of the VEVENT being read
  for (const std::string& text : unfolded(ics)) {
    const ContentLine line = readLine(text);
    if (line.name == "BEGIN") {
      open.push_back(upper(trim(line.value)));
      if (open.back() == "VEVENT") {
        uid.clear();
        comment.reset();
        event.clear();
      }
    } else if (line.name == "END") {
      if (!open.empty() && open.back() == "VEVENT") {
        for (CalendarReply& reply : event) {
          reply.uid = uid;
          reply.comment = comment;
          replies.push_back(std::move(reply));
        }
        event.clear();
      }
      if (!open.empty()) open.pop_back();
    } else if (open.size() == 1 && open.back() == "VCALENDAR" && line.name == "METHOD") {
      method = upper(trim(line.value));
    } else if (!open.empty() && open.back() == "VEVENT") {
      if (line.name == "UID") {
        uid = std::string(trim(line.value));
      } else if (line.name == "COMMENT") {
        comment = unescaped(line.value);
      } else if (line.name == "ATTENDEE") {
        const auto partstat = line.parameters.find("PARTSTAT");
        event.push_back({"", addressOf(line.value),
                         partstat == line.parameters.end() ? "" : partstat->second, std::nullopt});
      }
    }
  }
  if (method != "REPLY") return {};
  return replies;
}

}  // namespace talewick::server
