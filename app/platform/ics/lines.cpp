#include "platform/ics/lines.hpp"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <utility>

#include "support/text.hpp"

namespace talewick::ics {

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

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (lowerAscii(s[i]) != lowerAscii(prefix[i])) return false;
  }
  return true;
}

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && startsWithNoCase(a, b);
}

std::string normalizedAddress(std::string_view address) {
  std::string_view s = text::trim(address);
  if (startsWithNoCase(s, "mailto:")) s = text::trim(s.substr(7));
  return lower(s);
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

std::string utcStamp(Date d) {
  const CivilFields f = civilFromUnix(std::floor(d.unix()), 0);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02dZ", f.year, f.month, f.day, f.hour,
                f.minute, f.second);
  return buffer;
}

// --- Content lines ---

std::string lineEndOf(std::string_view text) {
  const size_t nl = text.find('\n');
  if (nl == std::string_view::npos) return "\r\n";
  return nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
}

std::vector<Line> unfold(std::string_view text, BlankLines blanks) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view physical = text.substr(start, end - start);
    start = end;
    std::string_view content = physical;
    if (content.ends_with('\n')) content.remove_suffix(1);
    if (content.ends_with('\r')) content.remove_suffix(1);
    if (!lines.empty() && (content.starts_with(' ') || content.starts_with('\t'))) {
      lines.back().text.append(content.substr(1));
      lines.back().raw.append(physical);
    } else if (blanks == BlankLines::keep || !text::trim(content).empty()) {
      lines.push_back(Line{std::string(content), std::string(physical)});
    }
  }
  return lines;
}

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

std::string nameOf(const std::string& line) {
  return upper(line.substr(0, line.find_first_of(";:")));
}

std::string valueOf(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return line.substr(i + 1);
  }
  return "";
}

// --- Properties taken apart ---

namespace {

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

}  // namespace

const Param* Prop::param(std::string_view n) const {
  for (const Param& p : params) {
    if (p.name == n) return &p;
  }
  return nullptr;
}

std::string Prop::paramValue(std::string_view n) const {
  const Param* p = param(n);
  return p && !p->values.empty() ? p->values.front() : "";
}

void Prop::removeParam(std::string_view n) {
  std::erase_if(params, [&](const Param& p) { return p.name == n; });
}

void Prop::setParam(const std::string& n, const std::string& v) {
  for (Param& p : params) {
    if (p.name == n) {
      p.values = {v};
      return;
    }
  }
  params.push_back(Param{n, {v}});
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

// --- Components ---

Component newComponent(const std::string& name) {
  Component c;
  c.name = name;
  c.begin.text = "BEGIN:" + name;
  c.end.text = "END:" + name;
  return c;
}

std::optional<Document> parseDocument(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Document doc;
  doc.eol = lineEndOf(text);
  // A last line without its line end gets the file's own.
  std::string whole(text);
  if (!whole.empty() && !whole.ends_with('\n')) whole += doc.eol;

  std::vector<Component*> stack{&doc.root};
  for (Line& line : unfold(whole, BlankLines::skip)) {
    const std::string name = nameOf(line.text);
    if (name == "BEGIN") {
      Component c;
      c.name = upper(text::trim(valueOf(line.text)));
      if (c.name.empty()) return std::nullopt;
      c.begin = std::move(line);
      stack.back()->children.push_back(std::move(c));
      stack.push_back(&stack.back()->children.back());
    } else if (name == "END") {
      if (stack.size() == 1 || upper(text::trim(valueOf(line.text))) != stack.back()->name) {
        return std::nullopt;
      }
      stack.back()->end = std::move(line);
      stack.pop_back();
    } else {
      stack.back()->properties.push_back(std::move(line));
    }
  }
  if (stack.size() != 1) return std::nullopt;
  return doc;
}

namespace {

void writeLine(const Line& line, const std::string& eol, std::string& out) {
  out += line.raw.empty() ? fold(line.text, eol) : line.raw;
}

}  // namespace

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

void forgetLayout(Component& c) {
  c.begin.raw.clear();
  c.end.raw.clear();
  for (Line& line : c.properties) line.raw.clear();
  for (Component& child : c.children) forgetLayout(child);
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

bool hasProperty(const Component& c, std::string_view name) {
  return findProperty(c, name) != nullptr;
}

std::optional<Prop> property(const Component& c, std::string_view name) {
  const Line* line = findProperty(c, name);
  return line ? parseProp(line->text) : std::nullopt;
}

std::string textValue(const Component& c, std::string_view name) {
  const Line* line = findProperty(c, name);
  return line ? std::string(text::trim(unescapeText(valueOf(line->text)))) : "";
}

void removeProperties(Component& c, std::string_view name) {
  std::erase_if(c.properties, [&](const Line& line) { return nameOf(line.text) == name; });
}

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

}  // namespace talewick::ics
