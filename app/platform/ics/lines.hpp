// iCalendar text as content lines, edited without losing what we do not understand.
//
// A file is read as content lines: its physical lines are unfolded, and every content line keeps
// the bytes it was read from (folding, line ends, the case of its name, its parameters as they
// were written). A line nobody changed is written back byte for byte, so that an edit touches only
// the lines it means to, and whatever the file carries that this program has no name for (IANA
// and X- properties, unknown parameters, extension parts of values) survives every edit.
//
// The contract:
//   - A line made or changed here has an empty `raw` and is written from its `text`, folded at
//     75 octets (never inside a UTF-8 sequence) and ended like the document's first line: a file
//     written with bare line feeds keeps them, new lines included.
//   - fold never leaves a physical line longer than 75 octets, its line end aside, and unfolding
//     what it wrote gives the content line back.
//   - Property and parameter names are compared in upper case (ASCII); values stay as written
//     (escaped) until a caller unescapes the ones it reads as TEXT.
//   - A colon inside a quoted parameter value never ends the name part of a line.
//
// Everything here works on bytes (no locale, no libical; white space is Unicode's, as everywhere
// in the program) and reports no error by throwing: what does not parse comes back as nullopt.
#pragma once

#include <initializer_list>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/date.hpp"

namespace talewick::ics {

// --- Text ---

// ASCII letters changed, other bytes kept.
std::string upper(std::string_view s);
std::string lower(std::string_view s);

// Whether `s` starts with `prefix` / equals `other`, ASCII letters compared without case.
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool equalNoCase(std::string_view a, std::string_view b);

// A calendar address as addresses are compared: "MAILTO:Paul@Example.org " → "paul@example.org".
std::string normalizedAddress(std::string_view address);

// The parts of `s` between separators ("a,,b" gives three; "" gives one empty part).
std::vector<std::string> split(std::string_view s, char separator);

// A TEXT value as it is written in a line: backslash, semicolon and comma escaped, a line break
// (LF, CRLF or a lone CR) written "\n", other control bytes but tab left out.
std::string escapeText(std::string_view s);

// A TEXT value as written, read back: "\n" and "\N" give a line feed, any other escaped byte
// stands for itself.
std::string unescapeText(std::string_view v);

// A UTC DATE-TIME value, to the second: "20261205T081500Z".
std::string utcStamp(Date d);

// --- Content lines ---

struct Line {
  std::string text;  // the unfolded content line, without line end
  std::string raw;   // as read, folding and line ends kept; empty for a line written here
};

// The line end a file is written with: the one of its first line ("\r\n" when it has none).
std::string lineEndOf(std::string_view text);

// What unfold does with a physical line holding nothing but white space that does not continue a
// line: keep it as a content line of its own, or drop it (a line that follows it then continues
// the line before it).
enum class BlankLines { keep, skip };

// The content lines of `text`, in order. A physical line starting with a space or a tab continues
// the line before it. The raw bytes of the kept lines, put end to end, give `text` back (less
// the dropped blank lines).
std::vector<Line> unfold(std::string_view text, BlankLines blanks);

// One content line as physical lines of at most 75 octets, each ended by `eol`.
std::string fold(std::string_view line, std::string_view eol);

// The property name of a content line, in upper case: "DTSTART" for "dtstart;TZID=…:…".
std::string nameOf(const std::string& line);

// The value of a content line, as written: what follows the first colon outside a quoted
// parameter value ("" when there is none).
std::string valueOf(const std::string& line);

// --- Properties taken apart ---

struct Param {
  std::string name;  // upper-case
  std::vector<std::string> values;
};

// A content line taken apart; only lines that are rewritten need to be put back together.
struct Prop {
  std::string name;  // upper-case
  std::vector<Param> params;
  std::string value;  // as written (escaped)

  const Param* param(std::string_view n) const;
  // The first value of parameter `n`, "" when it has none.
  std::string paramValue(std::string_view n) const;
  void removeParam(std::string_view n);
  // Gives parameter `n` the single value `v`, where it stands or at the end.
  void setParam(const std::string& n, const std::string& v);
  // The content line: parameter values are quoted when they hold ':', ';' or ',', and written
  // with ^n, ^' and ^^ (RFC 6868) for line feeds, double quotes and carets.
  std::string line() const;
};

// The line taken apart (parameter values decoded); nullopt without a colon after the name part,
// or with an unclosed quote.
std::optional<Prop> parseProp(std::string_view line);

// --- Components ---

struct Component {
  std::string name;  // upper-case
  Line begin, end;
  std::vector<Line> properties;
  std::list<Component> children;  // a list: pointers to children outlive insertions
};

// An empty component, its BEGIN and END lines to be written here.
Component newComponent(const std::string& name);

struct Document {
  Component root;  // the top-level components (and any line that stands outside them)
  std::string eol = "\r\n";
};

// The components of `text` (a UTF-8 byte order mark is passed over; blank lines are dropped).
// nullopt when a BEGIN has no name, or the BEGIN and END lines do not pair up.
std::optional<Document> parseDocument(std::string_view text);

// The text of a document: read lines as they were read, the others folded and ended with `eol`.
void writeComponent(const Component& c, const std::string& eol, std::string& out);
std::string serialize(const Document& doc);

// Forgets how the lines of `c` and its children were read, so that they are written anew (in the
// style of the file they are moved into).
void forgetLayout(Component& c);

// The first property line of that (upper-case) name, or null.
Line* findProperty(Component& c, std::string_view name);
const Line* findProperty(const Component& c, std::string_view name);
bool hasProperty(const Component& c, std::string_view name);
// The first property line of that name, taken apart.
std::optional<Prop> property(const Component& c, std::string_view name);
// The TEXT value of the first property line of that name, unescaped and trimmed; "" when none.
std::string textValue(const Component& c, std::string_view name);

void removeProperties(Component& c, std::string_view name);

// Replaces the first line of that name where it stands (dropping its repeats), or appends one.
// A line that already reads `text` keeps its bytes.
void setProperty(Component& c, const std::string& name, const std::string& text);

// Inserts `text` after the last line named one of `after` (in that order of preference), else at
// the end.
void insertAfter(Component& c, std::initializer_list<std::string_view> after,
                 const std::string& text);

}  // namespace talewick::ics
