#include "platform/ics_edit.hpp"

#include <libical/ical.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "support/local_calendar.hpp"

namespace talewick::ics {
namespace {

// libical reads the values (times, zones, rules, durations) but the file is edited as content
// lines: serialising libical's tree would drop what it does not know (an IANA property it has
// no name for, an RRULE with an extension part — which would silently end a series).
// Untouched lines keep their bytes, folding and line ends.

constexpr const char* UNREADABLE = "Fichier de calendrier illisible";
constexpr const char* NOT_FOUND = "Événement introuvable dans le fichier";
constexpr const char* NO_OCCURRENCE = "Occurrence non précisée";
constexpr const char* BAD_RULE = "Règle de répétition illisible";
constexpr const char* PRODID = "-//Talewick//Talewick//FR";
constexpr const char* ALARM_TEXT = "Rappel";
// Occurrences looked at when walking a rule (a daily series over 270 years).
constexpr int MAX_INSTANCES = 100000;

// --- Text ---

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string trim(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const size_t last = s.find_last_not_of(" \t");
  return std::string(s.substr(first, last - first + 1));
}

std::vector<std::string> split(std::string_view s, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = s.find(separator, start);
    parts.emplace_back(s.substr(start, end == std::string_view::npos ? s.npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// A TEXT value as RFC 5545 writes it.
std::string escapeText(std::string_view s) {
  std::string out;
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
        if (i + 1 < s.size() && s[i + 1] == '\n') break;  // the \n that follows writes it
        out += "\\n";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;  // no control bytes
    }
  }
  return out;
}

std::string unescapeText(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\\' && i + 1 < v.size()) {
      const char next = v[++i];
      out += (next == 'n' || next == 'N') ? '\n' : next;
    } else {
      out += v[i];
    }
  }
  return out;
}

// One content line cut into physical lines of at most 75 octets, never inside a UTF-8 sequence.
std::string fold(std::string_view line, std::string_view eol) {
  std::string out;
  size_t pos = 0, room = 75;
  while (line.size() - pos > room) {
    size_t cut = pos + room;
    while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    if (cut == pos) cut = pos + room;
    out.append(line.substr(pos, cut - pos)).append(eol).append(" ");
    pos = cut;
    room = 74;  // the leading space counts
  }
  return out.append(line.substr(pos)).append(eol);
}

// --- Content lines and components ---

struct Line {
  std::string text;  // the unfolded content line
  std::string raw;   // as read, folding and line ends kept; empty for a line written here
};

struct Component {
  std::string name;  // upper-case
  Line begin, end;
  std::vector<Line> properties;
  std::list<Component> children;
};

Component newComponent(const std::string& name) {
  Component c;
  c.name = name;
  c.begin.text = "BEGIN:" + name;
  c.end.text = "END:" + name;
  return c;
}

std::string nameOf(const std::string& line) {
  return upper(line.substr(0, line.find_first_of(";:")));
}

// The value after the first colon outside a quoted parameter value.
std::string valueOf(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return line.substr(i + 1);
  }
  return "";
}

struct Document {
  Component root;  // the top-level components (and any stray line)
  std::string eol = "\r\n";
};

std::optional<Document> parseDocument(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Document doc;
  if (const size_t nl = text.find('\n'); nl != std::string_view::npos) {
    doc.eol = nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
  }
  std::vector<Line> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    std::string physical(text.substr(start, end - start));
    start = end;
    if (!physical.ends_with('\n')) physical += doc.eol;
    std::string_view content(physical);
    content.remove_suffix(content.ends_with("\r\n") ? 2 : 1);
    if (!lines.empty() && (content.starts_with(' ') || content.starts_with('\t'))) {
      lines.back().text.append(content.substr(1));
      lines.back().raw += physical;
    } else if (!trim(content).empty()) {
      lines.push_back(Line{std::string(content), physical});
    }
  }

  std::vector<Component*> stack{&doc.root};
  for (Line& line : lines) {
    const std::string name = nameOf(line.text);
    if (name == "BEGIN") {
      Component c;
      c.name = upper(trim(valueOf(line.text)));
      if (c.name.empty()) return std::nullopt;
      c.begin = std::move(line);
      stack.back()->children.push_back(std::move(c));
      stack.push_back(&stack.back()->children.back());
    } else if (name == "END") {
      if (stack.size() == 1 || upper(trim(valueOf(line.text))) != stack.back()->name) {
        return std::nullopt;
      }
      stack.back()->end = std::move(line);
      stack.pop_back();
    } else {
      stack.back()->properties.push_back(std::move(line));
    }
  }
  if (stack.size() != 1) return std::nullopt;

  auto& top = doc.root.children;
  const auto isCalendar = [](const Component& c) { return c.name == "VCALENDAR"; };
  if (std::none_of(top.begin(), top.end(), isCalendar)) {
    // Bare components: give them the calendar they lack.
    if (std::none_of(top.begin(), top.end(),
                     [](const Component& c) { return c.name == "VEVENT"; })) {
      return std::nullopt;
    }
    Component calendar = newComponent("VCALENDAR");
    calendar.properties = {Line{"VERSION:2.0", ""}, Line{std::string("PRODID:") + PRODID, ""}};
    calendar.children.splice(calendar.children.end(), top);
    top.push_back(std::move(calendar));
  }
  return doc;
}

Document readDocument(const std::string& text) {
  auto doc = parseDocument(text);
  if (!doc) throw CalendarStoreError(UNREADABLE);
  return std::move(*doc);
}

void writeLine(const Line& line, const std::string& eol, std::string& out) {
  out += line.raw.empty() ? fold(line.text, eol) : line.raw;
}

void writeComponent(const Component& c, const std::string& eol, std::string& out) {
  writeLine(c.begin, eol, out);
  for (const Line& line : c.properties) writeLine(line, eol, out);
  for (const Component& child : c.children) writeComponent(child, eol, out);
  writeLine(c.end, eol, out);
}

std::string serialize(const Document& doc) {
  std::string out;
  for (const Line& line : doc.root.properties) writeLine(line, doc.eol, out);
  for (const Component& c : doc.root.children) writeComponent(c, doc.eol, out);
  return out;
}

// The text, or nullopt when nothing but time zones is left in it.
std::optional<std::string> remainingText(const Document& doc) {
  for (const Component& top : doc.root.children) {
    if (top.name != "VCALENDAR") return serialize(doc);
    for (const Component& c : top.children) {
      if (c.name != "VTIMEZONE") return serialize(doc);
    }
  }
  return std::nullopt;
}

// --- Properties ---

struct Param {
  std::string name;  // upper-case
  std::vector<std::string> values;
};

// A content line taken apart; only lines this file rewrites are put back together.
struct Prop {
  std::string name;
  std::vector<Param> params;
  std::string value;  // as written (escaped)

  const Param* param(std::string_view n) const {
    for (const Param& p : params) {
      if (p.name == n) return &p;
    }
    return nullptr;
  }
  std::string paramValue(std::string_view n) const {
    const Param* p = param(n);
    return p && !p->values.empty() ? p->values.front() : "";
  }
  void removeParam(std::string_view n) {
    std::erase_if(params, [&](const Param& p) { return p.name == n; });
  }
  void setParam(const std::string& n, const std::string& v) {
    for (Param& p : params) {
      if (p.name == n) {
        p.values = {v};
        return;
      }
    }
    params.push_back(Param{n, {v}});
  }
  std::string line() const;
};

// RFC 6868: ^n, ^' and ^^ in parameter values.
std::string decodeCaret(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '^' && i + 1 < v.size() &&
        (v[i + 1] == 'n' || v[i + 1] == '\'' || v[i + 1] == '^')) {
      const char next = v[++i];
      out += next == 'n' ? '\n' : next == '\'' ? '"' : '^';
    } else {
      out += v[i];
    }
  }
  return out;
}

std::string encodeParamValue(std::string_view v) {
  std::string out;
  for (const char c : v) {
    if (c == '^')
      out += "^^";
    else if (c == '"')
      out += "^'";
    else if (c == '\n')
      out += "^n";
    else if (c != '\r')
      out += c;
  }
  if (out.find_first_of(":;,") != std::string::npos) return '"' + out + '"';
  return out;
}

std::string Prop::line() const {
  std::string out = name;
  for (const Param& p : params) {
    out += ';' + p.name;
    for (size_t i = 0; i < p.values.size(); ++i) {
      out += (i == 0 ? "=" : ",") + encodeParamValue(p.values[i]);
    }
  }
  return out + ':' + value;
}

std::optional<Prop> parseProp(std::string_view line) {
  Prop p;
  const size_t n = line.size();
  size_t i = line.find_first_of(";:");
  if (i == std::string_view::npos) return std::nullopt;
  p.name = upper(line.substr(0, i));
  while (i < n && line[i] == ';') {
    const size_t start = ++i;
    while (i < n && line[i] != '=' && line[i] != ';' && line[i] != ':') ++i;
    Param param{upper(line.substr(start, i - start)), {}};
    if (i < n && line[i] == '=') {
      do {
        ++i;  // past '=' or ','
        if (i < n && line[i] == '"') {
          const size_t close = line.find('"', i + 1);
          if (close == std::string_view::npos) return std::nullopt;
          param.values.push_back(decodeCaret(line.substr(i + 1, close - i - 1)));
          i = close + 1;
        } else {
          const size_t from = i;
          while (i < n && line[i] != ',' && line[i] != ';' && line[i] != ':') ++i;
          param.values.push_back(decodeCaret(line.substr(from, i - from)));
        }
      } while (i < n && line[i] == ',');
    }
    p.params.push_back(std::move(param));
  }
  if (i >= n || line[i] != ':') return std::nullopt;
  p.value = std::string(line.substr(i + 1));
  return p;
}

Line* findProperty(Component& c, std::string_view name) {
  for (Line& line : c.properties) {
    if (nameOf(line.text) == name) return &line;
  }
  return nullptr;
}

const Line* findProperty(const Component& c, std::string_view name) {
  return findProperty(const_cast<Component&>(c), name);
}

std::optional<Prop> property(const Component& c, std::string_view name) {
  const Line* line = findProperty(c, name);
  return line ? parseProp(line->text) : std::nullopt;
}

bool hasProperty(const Component& c, std::string_view name) {
  return findProperty(c, name) != nullptr;
}

void removeProperties(Component& c, std::string_view name) {
  std::erase_if(c.properties, [&](const Line& line) { return nameOf(line.text) == name; });
}

// Replaces the first line of that name where it stands (dropping its repeats), or appends one.
void setProperty(Component& c, const std::string& name, const std::string& text) {
  bool placed = false;
  for (auto it = c.properties.begin(); it != c.properties.end();) {
    if (nameOf(it->text) != name) {
      ++it;
    } else if (placed) {
      it = c.properties.erase(it);
    } else {
      if (it->text != text) *it = Line{text, ""};
      placed = true;
      ++it;
    }
  }
  if (!placed) c.properties.push_back(Line{text, ""});
}

// Inserts `text` after the last line named one of `after` (in that order of preference), else
// at the end.
void insertAfter(Component& c, std::initializer_list<std::string_view> after,
                 const std::string& text) {
  for (std::string_view name : after) {
    for (size_t i = c.properties.size(); i-- > 0;) {
      if (nameOf(c.properties[i].text) == name) {
        c.properties.insert(c.properties.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                            Line{text, ""});
        return;
      }
    }
  }
  c.properties.push_back(Line{text, ""});
}

std::string uidOf(const Component& c) {
  const Line* line = findProperty(c, "UID");
  return line ? trim(unescapeText(valueOf(line->text))) : "";
}

// "20261205T081500Z"
std::string utcStamp(Date d) {
  const CivilFields f = civilFromUnix(std::floor(d.unix()), 0);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02dZ", f.year, f.month, f.day, f.hour,
                f.minute, f.second);
  return buffer;
}

// --- Times ---

icaltimezone* utcZone() { return icaltimezone_get_utc_timezone(); }

// A DATE or DATE-TIME value with the TZID it was written with.
struct TimeValue {
  icaltimetype time = icaltime_null_time();  // fields and is_date only; zone left unset
  bool utc = false;
  std::string tzid;

  bool operator==(const TimeValue& o) const {
    return icaltime_compare(time, o.time) == 0 && time.is_date == o.time.is_date && utc == o.utc &&
           tzid == o.tzid;
  }
};

std::optional<icaltimetype> parseTimeText(std::string_view s, bool& utc) {
  const auto digits = [&](size_t from, size_t count, int& out) {
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
      if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
      out = out * 10 + (s[i] - '0');
    }
    return true;
  };
  icaltimetype t = icaltime_null_time();
  utc = false;
  if (!digits(0, 4, t.year) || !digits(4, 2, t.month) || !digits(6, 2, t.day)) return std::nullopt;
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > icaltime_days_in_month(t.month, t.year)) {
    return std::nullopt;
  }
  if (s.size() == 8) {
    t.is_date = 1;
    return t;
  }
  if (s.size() < 15 || s[8] != 'T' || !digits(9, 2, t.hour) || !digits(11, 2, t.minute) ||
      !digits(13, 2, t.second) || t.hour > 23 || t.minute > 59 || t.second > 60) {
    return std::nullopt;
  }
  if (s.size() == 16 && (s[15] == 'Z' || s[15] == 'z'))
    utc = true;
  else if (s.size() != 15)
    return std::nullopt;
  return t;
}

// The values of a DATE / DATE-TIME property (EXDATE and RDATE may list several; an RDATE
// period counts by its start).
std::vector<TimeValue> timesOf(const Prop& p) {
  std::vector<TimeValue> out;
  for (const std::string& part : split(p.value, ',')) {
    const std::string text = trim(part.substr(0, part.find('/')));
    TimeValue v;
    auto t = parseTimeText(text, v.utc);
    if (!t) continue;
    v.time = *t;
    if (!v.utc && !v.time.is_date) v.tzid = p.paramValue("TZID");
    out.push_back(v);
  }
  return out;
}

std::optional<TimeValue> timeOf(const Prop& p) {
  auto times = timesOf(p);
  if (times.empty()) return std::nullopt;
  return times.front();
}

std::string timeText(const TimeValue& v) {
  char buffer[32];
  const icaltimetype& t = v.time;
  if (t.is_date) {
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", t.year, t.month, t.day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d%s", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, v.utc ? "Z" : "");
  }
  return buffer;
}

// `values` as the value of a `name` line, with the other parameters of `base`.
std::string timesLine(const std::string& name, const std::vector<TimeValue>& values,
                      const Prop* base) {
  Prop p = base ? *base : Prop{name, {}, ""};
  p.name = name;
  p.removeParam("VALUE");
  p.removeParam("TZID");
  std::vector<Param> params;
  if (values.front().time.is_date) params.push_back(Param{"VALUE", {"DATE"}});
  if (!values.front().tzid.empty()) params.push_back(Param{"TZID", {values.front().tzid}});
  p.params.insert(p.params.begin(), params.begin(), params.end());
  p.value.clear();
  for (const TimeValue& v : values) p.value += (p.value.empty() ? "" : ",") + timeText(v);
  return p.line();
}

std::string timeLine(const std::string& name, const TimeValue& value, const Prop* base = nullptr) {
  return timesLine(name, {value}, base);
}

icaltimezone* builtinZone(const std::string& tzid) {
  if (tzid.empty() || tzid.find("..") != std::string::npos) return nullptr;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str())) return z;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone(tzid.c_str())) return z;
  // Vendor prefixes such as "/mozilla.org/20050126_1/Europe/Paris".
  for (size_t slash = tzid.find('/'); slash != std::string::npos;
       slash = tzid.find('/', slash + 1)) {
    const std::string rest = tzid.substr(slash + 1);
    if (rest.find('/') == std::string::npos) break;  // "Paris" alone names nothing
    if (icaltimezone* z = icaltimezone_get_builtin_timezone(rest.c_str())) return z;
  }
  return nullptr;
}

// The zones one calendar's TZIDs name: its own VTIMEZONE components, else libical's table.
class Zones {
 public:
  explicit Zones(const Component& calendar) : calendar_(calendar) {}
  Zones(const Zones&) = delete;
  Zones& operator=(const Zones&) = delete;
  ~Zones() {
    for (icaltimezone* z : owned_) icaltimezone_free(z, 1);
  }

  icaltimezone* find(const std::string& tzid) {
    if (tzid.empty()) return nullptr;
    if (auto it = cache_.find(tzid); it != cache_.end()) return it->second;
    icaltimezone* zone = nullptr;
    for (const Component& c : calendar_.children) {
      if (c.name != "VTIMEZONE" || !hasProperty(c, "TZID") ||
          trim(unescapeText(valueOf(findProperty(c, "TZID")->text))) != tzid) {
        continue;
      }
      std::string text;
      writeComponent(c, "\r\n", text);
      icalcomponent* parsed = icalparser_parse_string(text.c_str());
      if (parsed && icalcomponent_isa(parsed) == ICAL_VTIMEZONE_COMPONENT) {
        zone = icaltimezone_new();
        if (icaltimezone_set_component(zone, parsed)) {
          owned_.push_back(zone);
          parsed = nullptr;
        } else {
          icaltimezone_free(zone, 1);
          zone = nullptr;
        }
      }
      if (parsed) icalcomponent_free(parsed);
      break;
    }
    if (!zone) zone = builtinZone(tzid);
    cache_[tzid] = zone;
    return zone;
  }

 private:
  const Component& calendar_;
  std::map<std::string, icaltimezone*> cache_;
  std::vector<icaltimezone*> owned_;
};

Date localInstant(const icaltimetype& t) {
  const CivilTime civil{t.year,
                        t.month,
                        t.day,
                        t.is_date ? 0 : t.hour,
                        t.is_date ? 0 : t.minute,
                        t.is_date ? 0.0 : static_cast<double>(t.second)};
  if (auto d = LocalCalendar::dateFrom(civil)) return *d;
  return Date{};
}

// The instant of a value: dates at local midnight, floating times (and times in a zone nobody
// can name) on the local clock.
Date instantOf(const TimeValue& v, Zones& zones) {
  const icaltimetype& t = v.time;
  if (t.is_date) return localInstant(t);
  if (v.utc) {
    return Date::fromUnix(static_cast<double>(daysFromCivil(t.year, t.month, t.day) * 86400 +
                                              t.hour * 3600 + t.minute * 60 + t.second));
  }
  if (icaltimezone* zone = zones.find(v.tzid)) {
    return Date::fromUnix(static_cast<double>(icaltime_as_timet_with_zone(t, zone)));
  }
  return localInstant(t);
}

// How a series writes its times: the value type and TZID of its DTSTART.
struct TimeForm {
  enum class Kind { date, utc, zoned, floating } kind = Kind::utc;
  std::string tzid;  // zoned
  bool operator==(const TimeForm&) const = default;
};

TimeForm formOf(const TimeValue& v) {
  if (v.time.is_date) return {TimeForm::Kind::date, ""};
  if (v.utc) return {TimeForm::Kind::utc, ""};
  if (!v.tzid.empty()) return {TimeForm::Kind::zoned, v.tzid};
  return {TimeForm::Kind::floating, ""};
}

icaltimetype fieldsTime(int year, int month, int day, int hour, int minute, int second,
                        bool isDate) {
  icaltimetype t = icaltime_null_time();
  t.year = year;
  t.month = month;
  t.day = day;
  if (isDate) {
    t.is_date = 1;
  } else {
    t.hour = hour;
    t.minute = minute;
    t.second = second;
  }
  return t;
}

icaltimetype localTime(Date d, bool isDate) {
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  return fieldsTime(f.year, f.month, f.day, f.hour, f.minute, f.second, isDate);
}

TimeValue valueIn(const TimeForm& form, Date d, Zones& zones) {
  TimeValue v;
  switch (form.kind) {
    case TimeForm::Kind::date:
      v.time = localTime(d, true);
      break;
    case TimeForm::Kind::utc: {
      const CivilFields f = civilFromUnix(std::floor(d.unix()), 0);
      v.time = fieldsTime(f.year, f.month, f.day, f.hour, f.minute, f.second, false);
      v.utc = true;
      break;
    }
    case TimeForm::Kind::zoned:
      v.tzid = form.tzid;
      if (icaltimezone* zone = zones.find(form.tzid)) {
        const icaltimetype z =
            icaltime_from_timet_with_zone(static_cast<time_t>(std::floor(d.unix())), 0, zone);
        v.time = fieldsTime(z.year, z.month, z.day, z.hour, z.minute, z.second, false);
      } else {
        v.time = localTime(d, false);
      }
      break;
    case TimeForm::Kind::floating:
      v.time = localTime(d, false);
      break;
  }
  return v;
}

// The process time zone as an Olson id libical knows and agrees with at `at`; nullopt for UTC
// or a zone it cannot name.
std::optional<std::string> processZone(Date at) {
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
  icu::UnicodeString id;
  zone->getID(id);
  std::string name;
  id.toUTF8String(name);
  if (name.empty() || name.find('/') == std::string::npos || name.starts_with("Etc/")) {
    return std::nullopt;
  }
  icaltimezone* z = icaltimezone_get_builtin_timezone(name.c_str());
  if (!z || z == utcZone()) return std::nullopt;
  const CivilFields f = civilFromUnix(std::floor(at.unix()), 0);
  icaltimetype t = fieldsTime(f.year, f.month, f.day, f.hour, f.minute, f.second, false);
  t.zone = utcZone();
  int daylight = 0;
  if (icaltimezone_get_utc_offset_of_utc_time(z, &t, &daylight) !=
      LocalCalendar::utcOffsetSeconds(at)) {
    return std::nullopt;
  }
  return name;
}

// The form of a timed event nobody placed yet: the process zone by name, else UTC.
TimeForm defaultTimedForm(Date at) {
  if (auto zone = processZone(at)) return {TimeForm::Kind::zoned, *zone};
  return {TimeForm::Kind::utc, ""};
}

// The form `event` is written in over the component: its timed form when it had one.
TimeForm writingForm(const Component& ev, const CalendarEvent& event) {
  if (event.allDay) return {TimeForm::Kind::date, ""};
  if (auto p = property(ev, "DTSTART")) {
    if (auto v = timeOf(*p); v && !v->time.is_date) return formOf(*v);
  }
  return defaultTimedForm(event.start);
}

// Clears the layout of lines read from another text, so they are written in this file's style.
void forgetLayout(Component& c) {
  c.begin.raw.clear();
  c.end.raw.clear();
  for (Line& line : c.properties) line.raw.clear();
  for (Component& child : c.children) forgetLayout(child);
}

// A VTIMEZONE named `olson` from libical's zone data, from 1970 on.
std::optional<Component> builtinTimezone(const std::string& olson) {
  icaltimezone* zone = icaltimezone_get_builtin_timezone(olson.c_str());
  if (!zone || zone == utcZone()) return std::nullopt;
  icalcomponent* source = icaltimezone_get_component(zone);
  if (!source) return std::nullopt;
  icalcomponent* copy = icalcomponent_new_clone(source);
  icaltimezone_truncate_vtimezone(copy, icaltime_from_string("19700101T000000Z"),
                                  icaltime_null_time(), 0);
  char* text = icalcomponent_as_ical_string_r(copy);
  icalcomponent_free(copy);
  if (!text) return std::nullopt;
  auto doc = parseDocument(std::string("BEGIN:VCALENDAR\r\n") + text + "END:VCALENDAR\r\n");
  icalmemory_free_buffer(text);
  if (!doc || doc->root.children.size() != 1) return std::nullopt;
  Component& calendar = doc->root.children.front();
  if (calendar.children.size() != 1 || calendar.children.front().name != "VTIMEZONE") {
    return std::nullopt;
  }
  Component vtimezone = std::move(calendar.children.front());
  forgetLayout(vtimezone);
  setProperty(vtimezone, "TZID", "TZID:" + escapeText(olson));
  return vtimezone;
}

// Gives the calendar a VTIMEZONE for a zoned form when it has none and libical knows the zone.
void ensureTimezone(Component& calendar, const TimeForm& form) {
  if (form.kind != TimeForm::Kind::zoned) return;
  for (const Component& c : calendar.children) {
    if (c.name == "VTIMEZONE" && hasProperty(c, "TZID") &&
        trim(unescapeText(valueOf(findProperty(c, "TZID")->text))) == form.tzid) {
      return;
    }
  }
  auto vtimezone = builtinTimezone(form.tzid);
  if (!vtimezone) return;
  auto at = std::find_if(calendar.children.begin(), calendar.children.end(),
                         [](const Component& c) { return c.name != "VTIMEZONE"; });
  calendar.children.insert(at, std::move(*vtimezone));
}

// What occurrences are compared by: the local day for an all-day series, else the second.
using Key = long long;

Key keyOf(Date d, bool byDay) {
  if (byDay) {
    const LocalCalendar::Fields f = LocalCalendar::fields(d);
    return daysFromCivil(f.year, f.month, f.day);
  }
  return std::llround(d.seconds);
}

Key keyOf(const TimeValue& v, bool byDay, Zones& zones) {
  if (byDay && v.time.is_date) return daysFromCivil(v.time.year, v.time.month, v.time.day);
  return keyOf(instantOf(v, zones), byDay);
}

// Seconds of a wall-clock reading, as if it were UTC.
long long naiveSeconds(const icaltimetype& t) {
  return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600 + t.minute * 60 + t.second;
}

// The time values of a series follow its edited occurrence: moved by the same wall-clock
// distance, then written in the series' new form.
struct Shift {
  TimeForm from, to;
  long long seconds = 0;

  TimeValue apply(const TimeValue& v, Zones& zones) const {
    TimeValue moved = v;
    if (seconds != 0) {
      const long long days = seconds / 86400;
      const long long rest = seconds % 86400;
      icaltime_adjust(&moved.time, static_cast<int>(days), 0, 0, static_cast<int>(rest));
    }
    if (from == to) return moved;
    return valueIn(to, instantOf(moved, zones), zones);
  }
};

Shift makeShift(const TimeForm& from, const TimeForm& to, Date occurrence, Date start,
                Zones& zones) {
  return Shift{from, to,
               naiveSeconds(valueIn(from, start, zones).time) -
                   naiveSeconds(valueIn(from, occurrence, zones).time)};
}

// --- Series ---

struct Found {
  Component* calendar = nullptr;
  Component* master = nullptr;  // the VEVENT without RECURRENCE-ID
  std::vector<Component*> overrides;
};

Found locate(Document& doc, const std::string& uid) {
  for (Component& calendar : doc.root.children) {
    if (calendar.name != "VCALENDAR") continue;
    Found found;
    found.calendar = &calendar;
    for (Component& c : calendar.children) {
      if (c.name != "VEVENT" || uid.empty() || uidOf(c) != uid) continue;
      if (hasProperty(c, "RECURRENCE-ID"))
        found.overrides.push_back(&c);
      else if (!found.master)
        found.master = &c;
      else
        found.overrides.push_back(&c);  // a repeated master: kept, never the one edited
    }
    if (found.master || !found.overrides.empty()) return found;
  }
  throw CalendarStoreError(NOT_FOUND);
}

bool isRecurring(const Component& master) {
  return hasProperty(master, "RRULE") || hasProperty(master, "RDATE");
}

struct Series {
  Component* master = nullptr;
  TimeValue start;
  TimeForm form;
  bool byDay = false;
  std::optional<std::string> rule;  // the RRULE value
};

Series readSeries(Component& master) {
  Series s;
  s.master = &master;
  auto p = property(master, "DTSTART");
  auto start = p ? timeOf(*p) : std::nullopt;
  if (!start) throw CalendarStoreError(UNREADABLE);
  s.start = *start;
  s.form = formOf(*start);
  s.byDay = start->time.is_date;
  if (auto rule = property(master, "RRULE")) s.rule = trim(rule->value);
  return s;
}

std::vector<TimeValue> valuesOf(const Component& c, std::string_view name) {
  std::vector<TimeValue> out;
  for (const Line& line : c.properties) {
    if (nameOf(line.text) != name) continue;
    if (auto p = parseProp(line.text)) {
      for (const TimeValue& v : timesOf(*p)) out.push_back(v);
    }
  }
  return out;
}

std::set<Key> excludedKeys(const Series& s, Zones& zones) {
  std::set<Key> keys;
  for (const TimeValue& v : valuesOf(*s.master, "EXDATE")) keys.insert(keyOf(v, s.byDay, zones));
  return keys;
}

std::optional<icalrecurrencetype> ruleOf(const std::string& value) {
  if (upper(value).find("RSCALE") != std::string::npos) return std::nullopt;
  icalrecurrencetype rule = icalrecurrencetype_from_string(value.c_str());
  if (rule.freq != ICAL_NO_RECURRENCE) return rule;
  // Again with the parts libical knows, leaving out extensions such as X- parts.
  static const std::set<std::string> known{
      "FREQ",  "UNTIL",      "COUNT",     "INTERVAL", "BYSECOND", "BYMINUTE", "BYHOUR",
      "BYDAY", "BYMONTHDAY", "BYYEARDAY", "BYWEEKNO", "BYMONTH",  "BYSETPOS", "WKST"};
  std::string kept;
  for (const std::string& part : split(value, ';')) {
    if (known.count(upper(trim(part.substr(0, part.find('=')))))) {
      kept += (kept.empty() ? "" : ";") + part;
    }
  }
  rule = icalrecurrencetype_from_string(kept.c_str());
  if (rule.freq != ICAL_NO_RECURRENCE) return rule;
  return std::nullopt;
}

// Whether the record's rule says what the series' RRULE says (the record may carry the rule as
// it was read back, written another way): then the series keeps its own line.
bool sameRule(const std::optional<std::string>& recordRule, const Series& s) {
  if (!recordRule) return true;
  if (!s.rule) return false;
  const auto canonical = [](const std::string& value) -> std::optional<std::string> {
    auto rule = ruleOf(value);
    if (!rule) return std::nullopt;
    char* text = icalrecurrencetype_as_string_r(&*rule);
    if (!text) return std::nullopt;
    std::string out(text);
    icalmemory_free_buffer(text);
    return out;
  };
  const auto mine = canonical(*s.rule);
  return mine && mine == canonical(trim(*recordRule));
}

// Walks the rule's occurrences in order while `visit` returns true. False when the rule cannot
// be read or the walk was cut short by MAX_INSTANCES.
bool forEachRuleInstance(const Series& s, Zones& zones,
                         const std::function<bool(const TimeValue&)>& visit) {
  if (!s.rule) return true;
  auto rule = ruleOf(*s.rule);
  if (!rule) return false;
  icaltimetype start = s.start.time;
  start.zone = s.start.utc ? utcZone() : zones.find(s.start.tzid);
  icalrecur_iterator* it = icalrecur_iterator_new(*rule, start);
  if (!it) return false;
  bool finished = false;
  for (int i = 0; i < MAX_INSTANCES; ++i) {
    icaltimetype t = icalrecur_iterator_next(it);
    if (icaltime_is_null_time(t)) {
      finished = true;
      break;
    }
    TimeValue v = s.start;
    v.time = fieldsTime(t.year, t.month, t.day, t.hour, t.minute, t.second, s.start.time.is_date);
    if (!visit(v)) {
      finished = true;
      break;
    }
  }
  icalrecur_iterator_free(it);
  return finished;
}

// Whether an occurrence of the series (DTSTART, the rule, RDATEs; EXDATEs taken out) falls
// before `key`.
bool hasOccurrenceBefore(const Series& s, Key key, Zones& zones) {
  const std::set<Key> excluded = excludedKeys(s, zones);
  const auto counts = [&](Key k) { return k < key && !excluded.count(k); };
  if (counts(keyOf(s.start, s.byDay, zones))) return true;
  for (const TimeValue& v : valuesOf(*s.master, "RDATE")) {
    if (counts(keyOf(v, s.byDay, zones))) return true;
  }
  bool found = false;
  forEachRuleInstance(s, zones, [&](const TimeValue& v) {
    const Key k = keyOf(v, s.byDay, zones);
    if (k >= key) return false;
    found = !excluded.count(k);
    return !found;
  });
  return found;
}

// How many occurrences the rule (with DTSTART) places before `key`, excluded ones included:
// what a COUNT has used up.
int ruleInstancesBefore(const Series& s, Key key, Zones& zones) {
  std::set<Key> keys;
  if (const Key k = keyOf(s.start, s.byDay, zones); k < key) keys.insert(k);
  forEachRuleInstance(s, zones, [&](const TimeValue& v) {
    const Key k = keyOf(v, s.byDay, zones);
    if (k >= key) return false;
    keys.insert(k);
    return true;
  });
  return static_cast<int>(keys.size());
}

// Whether the series still has an occurrence that is not excluded.
bool anyOccurrenceLeft(const Series& s, Zones& zones) {
  const std::set<Key> excluded = excludedKeys(s, zones);
  if (!excluded.count(keyOf(s.start, s.byDay, zones))) return true;
  for (const TimeValue& v : valuesOf(*s.master, "RDATE")) {
    if (!excluded.count(keyOf(v, s.byDay, zones))) return true;
  }
  if (!s.rule) return false;
  auto rule = ruleOf(*s.rule);
  if (!rule || (rule->count == 0 && icaltime_is_null_time(rule->until))) return true;
  bool found = false;
  const bool finished = forEachRuleInstance(s, zones, [&](const TimeValue& v) {
    found = !excluded.count(keyOf(v, s.byDay, zones));
    return !found;
  });
  return found || !finished;
}

std::optional<Key> recurrenceKey(const Component& c, bool byDay, Zones& zones) {
  auto p = property(c, "RECURRENCE-ID");
  auto v = p ? timeOf(*p) : std::nullopt;
  if (!v) return std::nullopt;
  return keyOf(*v, byDay, zones);
}

void removeComponent(Component& parent, const Component* child) {
  parent.children.remove_if([&](const Component& c) { return &c == child; });
}

// Rewrites every `name` line of `c` with its values mapped; a value mapped to nullopt goes, and
// a line left without values goes too. Period values are left as they are.
void mapTimes(Component& c, std::string_view name,
              const std::function<std::optional<TimeValue>(const TimeValue&)>& map) {
  for (auto it = c.properties.begin(); it != c.properties.end();) {
    auto p = nameOf(it->text) == name ? parseProp(it->text) : std::nullopt;
    if (!p || upper(p->paramValue("VALUE")) == "PERIOD") {
      ++it;
      continue;
    }
    const std::vector<TimeValue> values = timesOf(*p);
    std::vector<TimeValue> mapped;
    for (const TimeValue& v : values) {
      if (auto m = map(v)) mapped.push_back(*m);
    }
    if (mapped.empty()) {
      it = c.properties.erase(it);
      continue;
    }
    if (mapped != values) *it = Line{timesLine(p->name, mapped, &*p), ""};
    ++it;
  }
}

void bumpSequence(Component& ev) {
  long sequence = 0;
  if (auto p = property(ev, "SEQUENCE"))
    sequence = std::strtol(trim(p->value).c_str(), nullptr, 10);
  setProperty(ev, "SEQUENCE", "SEQUENCE:" + std::to_string(std::max(0L, sequence) + 1));
}

void touch(Component& ev, Date now) {
  bumpSequence(ev);
  setProperty(ev, "DTSTAMP", "DTSTAMP:" + utcStamp(now));
  setProperty(ev, "LAST-MODIFIED", "LAST-MODIFIED:" + utcStamp(now));
}

// --- Writing a record ---

// Sets a TEXT (or URI) property, or removes it for an absent or empty value. An unchanged value
// keeps its line. Returns whether the file changed.
bool setText(Component& ev, const std::string& name, const std::optional<std::string>& value,
             bool uri = false) {
  if (!value || value->empty()) {
    const size_t before = ev.properties.size();
    removeProperties(ev, name);
    return ev.properties.size() != before;
  }
  std::string encoded;
  if (uri) {
    for (const char c : *value) {
      if (c != '\r' && c != '\n') encoded += c;
    }
  } else {
    encoded = escapeText(*value);
  }
  Prop p{name, {}, ""};
  if (const Line* line = findProperty(ev, name)) {
    if (auto old = parseProp(line->text)) {
      if ((uri ? old->value : unescapeText(old->value)) == (uri ? encoded : *value)) return false;
      p = *old;
      p.removeParam("ALTREP");  // it showed the old text
    }
  }
  p.value = encoded;
  setProperty(ev, name, p.line());
  return true;
}

// Sets a DATE / DATE-TIME property unless it already holds that value.
void setTime(Component& ev, const std::string& name, const TimeValue& value) {
  auto old = property(ev, name);
  if (old) {
    if (auto v = timeOf(*old); v && *v == value) return;
  }
  setProperty(ev, name, timeLine(name, value, old ? &*old : nullptr));
}

void writeTimes(Component& ev, const CalendarEvent& event, const TimeForm& form, Zones& zones) {
  const TimeValue start = valueIn(form, event.start, zones);
  setTime(ev, "DTSTART", start);
  removeProperties(ev, "DURATION");
  if (form.kind == TimeForm::Kind::date) {
    // The day after the last one the event covers (an end at midnight belongs to the day before).
    TimeValue end =
        valueIn(form, event.end > event.start ? event.end.adding(-1) : event.start, zones);
    icaltime_adjust(&end.time, 1, 0, 0, 0);
    if (icaltime_compare_date_only(end.time, start.time) <= 0) {
      end.time = start.time;
      icaltime_adjust(&end.time, 1, 0, 0, 0);
    }
    setTime(ev, "DTEND", end);
  } else if (std::floor(event.end.unix()) > std::floor(event.start.unix())) {
    setTime(ev, "DTEND", valueIn(form, event.end, zones));
  } else {
    removeProperties(ev, "DTEND");  // an instant: the event ends where it starts
  }
}

// Minutes before the start of an alarm the record can describe (relative to the start).
std::optional<int> minutesBefore(const Component& alarm) {
  auto p = property(alarm, "TRIGGER");
  if (!p || upper(p->paramValue("VALUE")) == "DATE-TIME" ||
      upper(p->paramValue("RELATED")) == "END") {
    return std::nullopt;
  }
  const icaldurationtype d = icaldurationtype_from_string(trim(p->value).c_str());
  if (icaldurationtype_is_bad_duration(d)) return std::nullopt;
  const int seconds = icaldurationtype_as_int(d);
  if (seconds % 60 != 0) return std::nullopt;
  return -seconds / 60;
}

Component newAlarm(int minutes, const std::optional<std::string>& title) {
  Component alarm = newComponent("VALARM");
  const std::string trigger = minutes > 0    ? "-PT" + std::to_string(minutes) + "M"
                              : minutes == 0 ? "PT0M"
                                             : "PT" + std::to_string(-minutes) + "M";
  alarm.properties = {
      Line{"ACTION:DISPLAY", ""}, Line{"TRIGGER:" + trigger, ""},
      Line{"DESCRIPTION:" + escapeText(title && !title->empty() ? *title : ALARM_TEXT), ""}};
  return alarm;
}

// Alarms the record describes are matched by their minutes; the others stay as they are.
void writeAlarms(Component& ev, const CalendarEvent& event) {
  std::vector<int> wanted = event.alarmMinutesBefore;
  for (auto it = ev.children.begin(); it != ev.children.end();) {
    const auto minutes = it->name == "VALARM" ? minutesBefore(*it) : std::nullopt;
    if (!minutes) {
      ++it;
      continue;
    }
    if (auto w = std::find(wanted.begin(), wanted.end(), *minutes); w != wanted.end()) {
      wanted.erase(w);
      ++it;
    } else {
      it = ev.children.erase(it);
    }
  }
  for (const int minutes : wanted) ev.children.push_back(newAlarm(minutes, event.title));
}

std::string calAddress(const std::string& url) {
  const std::string address = trim(url);
  if (address.find(':') == std::string::npos && address.find('@') != std::string::npos) {
    return "mailto:" + address;
  }
  return address;
}

std::string addressKey(const std::string& address) {
  std::string key = lower(trim(address));
  if (key.starts_with("mailto:")) key.erase(0, 7);
  return key;
}

const char* partstatText(ParticipantStatus status) {
  switch (status) {
    case ParticipantStatus::pending:
      return "NEEDS-ACTION";
    case ParticipantStatus::accepted:
      return "ACCEPTED";
    case ParticipantStatus::declined:
      return "DECLINED";
    case ParticipantStatus::tentative:
      return "TENTATIVE";
    case ParticipantStatus::delegated:
      return "DELEGATED";
    case ParticipantStatus::completed:
      return "COMPLETED";
    case ParticipantStatus::inProcess:
      return "IN-PROCESS";
    case ParticipantStatus::unknown:
      break;
  }
  return nullptr;
}

const char* roleText(ParticipantRole role) {
  switch (role) {
    case ParticipantRole::required:
      return "REQ-PARTICIPANT";
    case ParticipantRole::optional:
      return "OPT-PARTICIPANT";
    case ParticipantRole::chair:
      return "CHAIR";
    case ParticipantRole::nonParticipant:
      return "NON-PARTICIPANT";
    case ParticipantRole::unknown:
      break;
  }
  return nullptr;
}

// CN always; PARTSTAT and ROLE for an attendee when the record knows them (an unknown status
// leaves the one written, and a required role needs no ROLE).
void describeParticipant(Prop& p, const Participant& who, bool attendee) {
  if (who.name && !who.name->empty())
    p.setParam("CN", *who.name);
  else
    p.removeParam("CN");
  if (!attendee) return;
  if (const char* status = partstatText(who.status)) p.setParam("PARTSTAT", status);
  if (const char* role = roleText(who.role)) {
    if (who.role != ParticipantRole::required || p.param("ROLE")) p.setParam("ROLE", role);
  }
}

void writeParticipants(Component& ev, const CalendarEvent& event) {
  std::vector<bool> placed(event.attendees.size(), false);
  for (auto it = ev.properties.begin(); it != ev.properties.end();) {
    auto p = nameOf(it->text) == "ATTENDEE" ? parseProp(it->text) : std::nullopt;
    if (!p) {
      ++it;
      continue;
    }
    size_t i = 0;
    while (i < event.attendees.size() &&
           (placed[i] || addressKey(calAddress(event.attendees[i].url)) != addressKey(p->value))) {
      ++i;
    }
    if (i == event.attendees.size()) {
      it = ev.properties.erase(it);
      continue;
    }
    placed[i] = true;
    Prop updated = *p;
    describeParticipant(updated, event.attendees[i], true);
    if (updated.line() != p->line()) *it = Line{updated.line(), ""};
    ++it;
  }
  for (size_t i = 0; i < event.attendees.size(); ++i) {
    const Participant& who = event.attendees[i];
    if (placed[i] || trim(who.url).empty()) continue;
    Prop p{"ATTENDEE", {}, calAddress(who.url)};
    describeParticipant(p, who, true);
    if (who.role == ParticipantRole::required) p.setParam("ROLE", roleText(who.role));
    ev.properties.push_back(Line{p.line(), ""});
  }

  if (!event.organizer || trim(event.organizer->url).empty()) {
    removeProperties(ev, "ORGANIZER");
    return;
  }
  auto old = property(ev, "ORGANIZER");
  Prop p = old && addressKey(old->value) == addressKey(calAddress(event.organizer->url))
               ? *old
               : Prop{"ORGANIZER", {}, calAddress(event.organizer->url)};
  describeParticipant(p, *event.organizer, false);
  if (!old || p.line() != old->line()) setProperty(ev, "ORGANIZER", p.line());
}

void writeRule(Component& ev, const std::string& rule) {
  const std::string value = trim(rule);
  if (value.empty() || !ruleOf(value)) throw CalendarStoreError(BAD_RULE);
  if (auto old = property(ev, "RRULE"); old && trim(old->value) == value) return;
  setProperty(ev, "RRULE", "RRULE:" + value);
}

// Writes the record's fields over the VEVENT.
void writeRecord(Component& ev, const CalendarEvent& event, const TimeForm& form, Zones& zones,
                 bool withRule) {
  writeTimes(ev, event, form, zones);
  setText(ev, "SUMMARY", event.title);
  setText(ev, "LOCATION", event.location);
  if (setText(ev, "DESCRIPTION", event.notes)) removeProperties(ev, "X-ALT-DESC");
  setText(ev, "URL", event.url, true);
  if (withRule && event.recurrenceRule) writeRule(ev, *event.recurrenceRule);
  writeParticipants(ev, event);
  writeAlarms(ev, event);
}

// --- The edits ---

// The RRULE parts without COUNT and UNTIL.
std::vector<std::string> openRuleParts(const std::string& rule) {
  std::vector<std::string> parts;
  for (const std::string& part : split(rule, ';')) {
    const std::string name = upper(trim(part.substr(0, part.find('='))));
    if (!part.empty() && name != "COUNT" && name != "UNTIL") parts.push_back(part);
  }
  return parts;
}

std::string joinParts(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : ";") + part;
  return out;
}

// The UNTIL value for a series ending at `last`: a local date for an all-day series, a local
// time for a floating one, else UTC.
std::string untilText(Date last, const TimeForm& form, Zones& zones) {
  if (form.kind == TimeForm::Kind::date || form.kind == TimeForm::Kind::floating) {
    return timeText(valueIn(form, last, zones));
  }
  return utcStamp(last);
}

// Whether the rule places an occurrence at or after `key` (true when it cannot be read).
bool ruleReaches(const Series& s, Key key, Zones& zones) {
  if (!s.rule) return false;
  if (!ruleOf(*s.rule)) return true;
  bool reaches = false;
  const bool finished = forEachRuleInstance(s, zones, [&](const TimeValue& v) {
    reaches = keyOf(v, s.byDay, zones) >= key;
    return !reaches;
  });
  return reaches || !finished;
}

// Moves the RRULE's UNTIL with the series, so a rule that ended on an occurrence still ends on
// it, written in the value type the series' new start wants.
void shiftUntil(Component& ev, const Shift& shift, Zones& zones) {
  if (shift.seconds == 0 && shift.from == shift.to) return;
  for (Line& line : ev.properties) {
    auto p = nameOf(line.text) == "RRULE" ? parseProp(line.text) : std::nullopt;
    if (!p) continue;
    std::vector<std::string> parts = split(p->value, ';');
    bool changed = false;
    for (std::string& part : parts) {
      const size_t eq = part.find('=');
      if (eq == std::string::npos || upper(trim(part.substr(0, eq))) != "UNTIL") continue;
      TimeValue until;
      auto t = parseTimeText(trim(part.substr(eq + 1)), until.utc);
      if (!t) continue;
      until.time = *t;
      // A date UNTIL lets its whole day in.
      const Date end =
          until.time.is_date ? localInstant(until.time).adding(86400 - 1) : instantOf(until, zones);
      Date moved = instantOf(shift.apply(valueIn(shift.from, end, zones), zones), zones);
      if (shift.from.kind == TimeForm::Kind::date && shift.to.kind != TimeForm::Kind::date) {
        moved = moved.adding(86400 - 1);
      }
      part = part.substr(0, eq + 1) + untilText(moved, shift.to, zones);
      changed = true;
    }
    if (!changed) continue;
    p->value = joinParts(parts);
    line = Line{p->line(), ""};
  }
}

// Ends the series before the occurrence: UNTIL one second before it (the day before for an
// all-day series), and what lay at or after it goes (RDATEs, EXDATEs, overrides).
void endSeriesBefore(Found& found, const Series& s, Date occurrence, Key key, Zones& zones) {
  Component& master = *found.master;
  // A rule that already stops before the occurrence is left as it is: an UNTIL would lengthen it.
  if (ruleReaches(s, key, zones)) {
    const std::string until = untilText(occurrence.adding(-1), s.form, zones);
    for (Line& line : master.properties) {
      auto p = nameOf(line.text) == "RRULE" ? parseProp(line.text) : std::nullopt;
      if (!p) continue;
      std::vector<std::string> parts = openRuleParts(p->value);
      parts.push_back("UNTIL=" + until);
      p->value = joinParts(parts);
      line = Line{p->line(), ""};
    }
  }
  const auto before = [&](const TimeValue& v) -> std::optional<TimeValue> {
    if (keyOf(v, s.byDay, zones) >= key) return std::nullopt;
    return v;
  };
  mapTimes(master, "RDATE", before);
  mapTimes(master, "EXDATE", before);
  std::erase_if(found.overrides, [&](Component* ov) {
    const auto k = recurrenceKey(*ov, s.byDay, zones);
    if (!k || *k < key) return false;
    removeComponent(*found.calendar, ov);
    return true;
  });
}

Component* findOverride(const Found& found, bool byDay, Key key, Zones& zones) {
  for (Component* ov : found.overrides) {
    if (recurrenceKey(*ov, byDay, zones) == key) return ov;
  }
  return nullptr;
}

void saveThisOccurrence(Found& found, const Series& s, const CalendarEvent& event, Key key,
                        Zones& zones, Date now) {
  Component* ov = findOverride(found, s.byDay, key, zones);
  if (!ov) {
    Component copy = *found.master;
    for (const char* name : {"RRULE", "RDATE", "EXDATE", "EXRULE"}) removeProperties(copy, name);
    insertAfter(copy, {"UID"},
                timeLine("RECURRENCE-ID", valueIn(s.form, *event.occurrenceDate, zones)));
    Component* last = found.overrides.empty() ? found.master : found.overrides.back();
    auto at = std::find_if(found.calendar->children.begin(), found.calendar->children.end(),
                           [&](const Component& c) { return &c == last; });
    ov = &*found.calendar->children.insert(std::next(at), std::move(copy));
  }
  const TimeForm form = writingForm(*ov, event);
  ensureTimezone(*found.calendar, form);
  writeRecord(*ov, event, form, zones, false);
  touch(*ov, now);
}

// "futureEvents" from the first occurrence: the whole series moves. Its exceptions follow the
// move, and its overrides take every field they had not changed themselves.
void saveWholeSeries(Found& found, const Series& s, const CalendarEvent& edited, Zones& zones,
                     Date now) {
  CalendarEvent event = edited;
  if (sameRule(event.recurrenceRule, s)) event.recurrenceRule.reset();
  Component& master = *found.master;
  const Component before = master;
  const TimeForm form = writingForm(master, event);
  ensureTimezone(*found.calendar, form);
  const Shift shift = makeShift(s.form, form, *event.occurrenceDate, event.start, zones);
  const Key key = keyOf(*event.occurrenceDate, s.byDay);
  const auto follow = [&](const TimeValue& v) -> std::optional<TimeValue> {
    return shift.apply(v, zones);
  };
  // Dates before the occurrence were all excluded ones: the series now starts after them.
  const auto fromHereOn = [&](const TimeValue& v) -> std::optional<TimeValue> {
    if (keyOf(v, s.byDay, zones) < key) return std::nullopt;
    return shift.apply(v, zones);
  };
  mapTimes(master, "EXDATE", fromHereOn);
  mapTimes(master, "RDATE", fromHereOn);
  shiftUntil(master, shift, zones);
  writeRecord(master, event, form, zones, true);
  touch(master, now);

  for (Component* ov : found.overrides) {
    Component old = *ov;
    auto rid = property(*ov, "RECURRENCE-ID");
    auto ridValue = rid ? timeOf(*rid) : std::nullopt;
    if (!ridValue) continue;
    auto start = property(*ov, "DTSTART");
    auto startValue = start ? timeOf(*start) : std::nullopt;
    if (startValue && keyOf(*startValue, s.byDay, zones) == keyOf(*ridValue, s.byDay, zones)) {
      // It stood where the series placed it: it moves with the series.
      mapTimes(*ov, "DTSTART", follow);
      mapTimes(*ov, "DTEND", follow);
    }
    mapTimes(*ov, "RECURRENCE-ID", follow);
    for (const char* name : {"SUMMARY", "LOCATION", "DESCRIPTION", "URL"}) {
      const Line* was = findProperty(before, name);
      const Line* mine = findProperty(*ov, name);
      const bool same = was && mine ? was->text == mine->text : !was && !mine;
      if (!same) continue;
      if (const Line* current = findProperty(master, name))
        setProperty(*ov, name, current->text);
      else
        removeProperties(*ov, name);
    }
    if (ov->properties.size() != old.properties.size() ||
        !std::equal(ov->properties.begin(), ov->properties.end(), old.properties.begin(),
                    [](const Line& a, const Line& b) { return a.text == b.text; })) {
      touch(*ov, now);
    }
  }
}

// A suffix for the uid of the series split off at the occurrence.
std::string splitSuffix(Date occurrence, bool byDay) {
  if (!byDay) return utcStamp(occurrence);
  const LocalCalendar::Fields f = LocalCalendar::fields(occurrence);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", f.year, f.month, f.day);
  return buffer;
}

// The file of the series that takes over from the occurrence on.
std::pair<std::string, std::string> newSeriesFile(const Document& doc, const Found& found,
                                                  const Series& s, Component next,
                                                  const CalendarEvent& edited, Key key,
                                                  Zones& zones, Date now) {
  CalendarEvent event = edited;
  if (sameRule(event.recurrenceRule, s)) event.recurrenceRule.reset();
  const Date occurrence = *event.occurrenceDate;
  const std::string uid = event.eventIdentifier + "-" + splitSuffix(occurrence, s.byDay);
  setProperty(next, "UID", "UID:" + escapeText(uid));
  for (const char* name : {"CREATED", "SEQUENCE", "DTSTAMP", "LAST-MODIFIED", "RECURRENCE-ID"}) {
    removeProperties(next, name);
  }

  const TimeForm form = writingForm(next, event);
  const Shift shift = makeShift(s.form, form, occurrence, event.start, zones);
  const auto fromHereOn = [&](const TimeValue& v) -> std::optional<TimeValue> {
    if (keyOf(v, s.byDay, zones) < key) return std::nullopt;
    return shift.apply(v, zones);
  };
  mapTimes(next, "EXDATE", fromHereOn);
  mapTimes(next, "RDATE", fromHereOn);
  shiftUntil(next, shift, zones);

  if (!event.recurrenceRule) {
    // The same rule; a COUNT keeps what is left of it, an UNTIL stays.
    for (Line& line : next.properties) {
      auto p = nameOf(line.text) == "RRULE" ? parseProp(line.text) : std::nullopt;
      if (!p) continue;
      auto rule = ruleOf(p->value);
      if (!rule || rule->count <= 0) continue;
      const int left = std::max(1, rule->count - ruleInstancesBefore(s, key, zones));
      std::vector<std::string> parts;
      for (const std::string& part : split(p->value, ';')) {
        const bool isCount = upper(trim(part.substr(0, part.find('=')))) == "COUNT";
        parts.push_back(isCount ? "COUNT=" + std::to_string(left) : part);
      }
      p->value = joinParts(parts);
      line = Line{p->line(), ""};
    }
  }
  writeRecord(next, event, form, zones, true);
  insertAfter(next, {"UID"}, "LAST-MODIFIED:" + utcStamp(now));
  insertAfter(next, {"UID"}, "CREATED:" + utcStamp(now));
  insertAfter(next, {"UID"}, "DTSTAMP:" + utcStamp(now));

  Document file;
  file.eol = doc.eol;
  Component calendar = newComponent("VCALENDAR");
  calendar.begin = found.calendar->begin;
  calendar.end = found.calendar->end;
  calendar.properties = found.calendar->properties;
  for (const Component& c : found.calendar->children) {
    if (c.name == "VTIMEZONE") calendar.children.push_back(c);
  }
  calendar.children.push_back(std::move(next));
  ensureTimezone(calendar, form);
  file.root.children.push_back(std::move(calendar));
  return {uid, serialize(file)};
}

// Drops every VEVENT of the event.
void removeEvent(Found& found) {
  if (found.master) removeComponent(*found.calendar, found.master);
  for (Component* ov : found.overrides) removeComponent(*found.calendar, ov);
}

// A file holding overrides of a series kept elsewhere (an invitation to some occurrences).
Edit editLoneOverrides(Document& doc, Found& found, const CalendarEvent& event,
                       std::optional<EventSpan> removeSpan, Date now) {
  if (!event.occurrenceDate) throw CalendarStoreError(NO_OCCURRENCE);
  Zones zones(*found.calendar);
  auto rid = property(*found.overrides.front(), "RECURRENCE-ID");
  auto ridValue = rid ? timeOf(*rid) : std::nullopt;
  const bool byDay = ridValue && ridValue->time.is_date;
  const Key key = keyOf(*event.occurrenceDate, byDay);
  if (!removeSpan) {
    Component* ov = findOverride(found, byDay, key, zones);
    if (!ov) throw CalendarStoreError(NOT_FOUND);
    const TimeForm form = writingForm(*ov, event);
    ensureTimezone(*found.calendar, form);
    writeRecord(*ov, event, form, zones, false);
    touch(*ov, now);
    return {serialize(doc), std::nullopt};
  }
  bool removed = false;
  for (Component* ov : found.overrides) {
    const auto k = recurrenceKey(*ov, byDay, zones);
    if (k && (*k == key || (*removeSpan == EventSpan::futureEvents && *k > key))) {
      removeComponent(*found.calendar, ov);
      removed = true;
    }
  }
  if (!removed) throw CalendarStoreError(NOT_FOUND);
  return {remainingText(doc), std::nullopt};
}

}  // namespace

std::string newEventFile(const CalendarEvent& event, const std::string& uid, Date now) {
  Document doc;
  doc.root.children.push_back(newComponent("VCALENDAR"));
  Component& calendar = doc.root.children.back();
  calendar.properties = {Line{"VERSION:2.0", ""}, Line{std::string("PRODID:") + PRODID, ""}};
  Zones zones(calendar);

  Component ev = newComponent("VEVENT");
  ev.properties = {Line{"UID:" + escapeText(uid), ""}, Line{"DTSTAMP:" + utcStamp(now), ""},
                   Line{"CREATED:" + utcStamp(now), ""}};
  const TimeForm form =
      event.allDay ? TimeForm{TimeForm::Kind::date, ""} : defaultTimedForm(event.start);
  ensureTimezone(calendar, form);
  writeRecord(ev, event, form, zones, true);
  calendar.children.push_back(std::move(ev));
  return serialize(doc);
}

Edit saveOccurrence(const std::string& fileText, const CalendarEvent& event, EventSpan span,
                    Date now) {
  Document doc = readDocument(fileText);
  Found found = locate(doc, event.eventIdentifier);
  if (!found.master) return editLoneOverrides(doc, found, event, std::nullopt, now);
  Zones zones(*found.calendar);

  if (!isRecurring(*found.master)) {
    const TimeForm form = writingForm(*found.master, event);
    ensureTimezone(*found.calendar, form);
    writeRecord(*found.master, event, form, zones, true);
    touch(*found.master, now);
    return {serialize(doc), std::nullopt};
  }

  const Series s = readSeries(*found.master);
  if (!event.occurrenceDate) throw CalendarStoreError(NO_OCCURRENCE);
  const Key key = keyOf(*event.occurrenceDate, s.byDay);
  if (span == EventSpan::thisEvent) {
    saveThisOccurrence(found, s, event, key, zones, now);
    return {serialize(doc), std::nullopt};
  }
  if (!hasOccurrenceBefore(s, key, zones)) {
    saveWholeSeries(found, s, event, zones, now);
    return {serialize(doc), std::nullopt};
  }
  Component next = *found.master;
  endSeriesBefore(found, s, *event.occurrenceDate, key, zones);
  touch(*found.master, now);
  auto created = newSeriesFile(doc, found, s, std::move(next), event, key, zones, now);
  return {serialize(doc), std::move(created)};
}

Edit removeOccurrence(const std::string& fileText, const CalendarEvent& event, EventSpan span) {
  Document doc = readDocument(fileText);
  Found found = locate(doc, event.eventIdentifier);
  if (!found.master) return editLoneOverrides(doc, found, event, span, Date{});
  Zones zones(*found.calendar);

  if (!isRecurring(*found.master)) {
    removeEvent(found);
    return {remainingText(doc), std::nullopt};
  }

  const Series s = readSeries(*found.master);
  if (!event.occurrenceDate) throw CalendarStoreError(NO_OCCURRENCE);
  const Date occurrence = *event.occurrenceDate;
  const Key key = keyOf(occurrence, s.byDay);
  if (span == EventSpan::futureEvents) {
    if (!hasOccurrenceBefore(s, key, zones)) {
      removeEvent(found);
      return {remainingText(doc), std::nullopt};
    }
    endSeriesBefore(found, s, occurrence, key, zones);
    bumpSequence(*found.master);
    return {serialize(doc), std::nullopt};
  }

  if (Component* ov = findOverride(found, s.byDay, key, zones)) {
    removeComponent(*found.calendar, ov);
    std::erase(found.overrides, ov);
  }
  if (!excludedKeys(s, zones).count(key)) {
    insertAfter(*found.master, {"EXDATE", "RDATE", "RRULE"},
                timeLine("EXDATE", valueIn(s.form, occurrence, zones)));
  }
  bumpSequence(*found.master);
  if (!anyOccurrenceLeft(s, zones)) {
    removeEvent(found);
    return {remainingText(doc), std::nullopt};
  }
  return {serialize(doc), std::nullopt};
}

}  // namespace talewick::ics
