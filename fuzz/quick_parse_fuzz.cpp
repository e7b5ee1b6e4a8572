// Fuzz target for the quick-add parser.
//
// Input: the first five bytes pick `now` (four little-endian bytes for the second, anywhere from
// 2000-01-01 to 2100-01-01 UTC, and one byte for a fraction of it), the rest is the typed text,
// well-formed UTF-8 or not: a paste can bring anything into the field.
//
// Beyond "no crash, no sanitizer report", it aborts when the draft breaks what the parser
// promises its callers:
//   - every span is a whole token of the first line: it starts and ends on character
//     boundaries, holds no space, tab or line break, and has one (or the edge of the line) on
//     each side; its UTF-16 offsets are counted here with a reader of our own;
//   - spans come in token order, so they are sorted and never overlap;
//   - a draft has at least one date or time span: without a date or time cue there is no event;
//   - the duration is never negative (a range wraps past midnight; "0min" typed is 0);
//   - a repetition's interval is at least 1, its weekdays are 1…7, and its count is never set;
//   - the same text at the same instant gives the same draft (the parser reads nothing else).
// Results also depend on the process time zone: CTest runs it in Europe/Paris, as the tests.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "text/quick_parse.hpp"
#include "utf8_reader.hpp"

namespace {

using talewick::Date;
using talewick::ParsedEvent;
using talewick::ParsedSpan;
namespace fz = talewick::fuzzing;

constexpr size_t NOW_BYTES = 5;
// 2000-01-01 00:00 UTC, as seconds since the reference date 2001-01-01 (2000 had 366 days).
constexpr double FIRST_INSTANT = -366.0 * 86400;
// A hundred years from then, leap days included; below 2^32, so every draw is one instant.
constexpr uint32_t INSTANT_SPAN = 36525u * 86400u;

Date nowFrom(const uint8_t* data) {
  const uint32_t raw = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                       static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return Date{FIRST_INSTANT + static_cast<double>(raw % INSTANT_SPAN) + data[4] / 256.0};
}

// The separators of tokens, and of the first line from the notes.
bool isSeparator(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r'; }

// Where each character of the text starts, in bytes and in UTF-16 code units.
struct Character {
  size_t byte;
  int64_t unit;
  char32_t codePoint;
};

struct Layout {
  std::vector<Character> characters;
  int64_t units = 0;           // UTF-16 length of the whole text
  int64_t firstLineUnits = 0;  // UTF-16 length of the text before its first line break
};

Layout layoutOf(std::string_view text) {
  Layout layout;
  bool inFirstLine = true;
  for (size_t i = 0; i < text.size();) {
    const fz::Utf8Step step = fz::readUtf8(text, i);
    if (step.codePoint == U'\n' || step.codePoint == U'\r') inFirstLine = false;
    layout.characters.push_back({i, layout.units, step.codePoint});
    layout.units += fz::utf16Units(step.codePoint);
    if (inFirstLine) layout.firstLineUnits = layout.units;
    i += step.bytes;
  }
  return layout;
}

// Index of the character starting at UTF-16 offset `unit`, or characters.size() at the very end;
// -1 when the offset falls inside a character (between the two halves of a surrogate pair).
int64_t characterAt(const Layout& layout, int64_t unit) {
  if (unit == layout.units) return static_cast<int64_t>(layout.characters.size());
  size_t low = 0, high = layout.characters.size();
  while (low < high) {
    const size_t mid = (low + high) / 2;
    if (layout.characters[mid].unit < unit) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (low < layout.characters.size() && layout.characters[low].unit == unit) {
    return static_cast<int64_t>(low);
  }
  return -1;
}

// Prints what broke with the input that broke it, then aborts so the fuzzer keeps the input.
[[noreturn]] void fail(const char* what, std::string_view text, Date now, long detail = -1) {
  std::fprintf(stderr, "\nquick_parse_fuzz: %s", what);
  if (detail >= 0) std::fprintf(stderr, " (span %ld)", detail);
  const char* zone = std::getenv("TZ");
  std::fprintf(stderr, "\n  now: %.6f s after 2001-01-01 UTC, TZ=%s\n", now.seconds,
               zone ? zone : "(unset)");
  fz::printEscaped("text", text);
  std::abort();
}

void checkSpans(const ParsedEvent& event, std::string_view text, Date now) {
  const Layout layout = layoutOf(text);
  int64_t previousEnd = 0;
  bool temporal = false;
  for (size_t k = 0; k < event.spans.size(); ++k) {
    const auto index = static_cast<long>(k);
    const talewick::TextRange range = event.spans[k].range;
    if (range.location < 0 || range.length <= 0) fail("empty or negative span", text, now, index);
    const int64_t end = range.location + range.length;
    if (end > layout.units) fail("span past the end of the input", text, now, index);
    if (end > layout.firstLineUnits) fail("span past the first line", text, now, index);
    if (range.location < previousEnd) fail("span out of order or overlapping", text, now, index);
    previousEnd = end;

    const int64_t first = characterAt(layout, range.location);
    const int64_t last = characterAt(layout, end);  // one past the span
    if (first < 0 || last < 0) fail("span cuts a character in two", text, now, index);
    for (int64_t c = first; c < last; ++c) {
      if (isSeparator(layout.characters[static_cast<size_t>(c)].codePoint)) {
        fail("span holds a separator", text, now, index);
      }
    }
    const bool openBefore =
        first == 0 || isSeparator(layout.characters[static_cast<size_t>(first - 1)].codePoint);
    const bool openAfter = last == static_cast<int64_t>(layout.characters.size()) ||
                           isSeparator(layout.characters[static_cast<size_t>(last)].codePoint);
    if (!openBefore || !openAfter) fail("span is only part of a token", text, now, index);

    const auto kind = event.spans[k].kind;
    temporal = temporal || kind == ParsedSpan::Kind::date || kind == ParsedSpan::Kind::time;
  }
  if (!temporal) fail("draft without a date or time span", text, now);
}

void checkDraft(const ParsedEvent& event, std::string_view text, Date now) {
  checkSpans(event, text, now);
  if (event.durationMin < 0) fail("negative duration", text, now);
  if (const auto& rule = event.recurrence) {
    if (rule->interval < 1) fail("repetition interval below 1", text, now);
    for (const int64_t day : rule->weekdays) {
      if (day < 1 || day > 7) fail("weekday outside 1...7", text, now);
    }
    if (rule->count) fail("repetition count set", text, now);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < NOW_BYTES) return 0;
  const Date now = nowFrom(data);
  const std::string_view text(reinterpret_cast<const char*>(data) + NOW_BYTES, size - NOW_BYTES);
  const auto event = talewick::QuickParse::parse(text, now);
  if (event) checkDraft(*event, text, now);
  if (talewick::QuickParse::parse(text, now) != event) fail("second parse differs", text, now);
  return 0;
}
