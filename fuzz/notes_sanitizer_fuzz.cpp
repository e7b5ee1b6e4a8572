// Fuzz target for the notes cleaner. The whole input is the notes, as an invitation or a sync
// could bring them: HTML, any line breaks, well-formed UTF-8 or not.
//
// Beyond "no crash, no sanitizer report", it aborts when the cleaned text breaks what the
// cleaner promises:
//   - for well-formed UTF-8: the result is well-formed UTF-8 and no longer than the input (every
//     step deletes or shortens: "\r\n" and "<br>" become one "\n", tags go, lines go);
//     it holds no "\r", no space or tab before a line break, no run of more than one blank
//     line, nothing that still reads as a tag ('<', something other than '>', then a '>'), no
//     separator or dots-only line, and it does not start or end with white space;
//   - for anything else: an ill-formed subpart may come back as U+FFFD (three bytes), so the
//     result stays within three times the input.
// Its UTF-8 reader is the target's own (utf8_reader.hpp); white space is Unicode's White_Space,
// as the cleaner trims it.
#include <unicode/uchar.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "text/notes_sanitizer.hpp"
#include "utf8_reader.hpp"

namespace {

namespace fz = talewick::fuzzing;

// Prints what broke with the notes that broke it, then aborts so the fuzzer keeps the input.
[[noreturn]] void fail(const char* what, std::string_view notes, std::string_view cleaned) {
  std::fprintf(stderr, "\nnotes_sanitizer_fuzz: %s\n", what);
  fz::printEscaped("notes", notes);
  fz::printEscaped("cleaned", cleaned);
  std::abort();
}

bool isWhiteSpace(char32_t c) { return u_isUWhiteSpace(static_cast<UChar32>(c)) != 0; }

// `line` without White_Space at either end (well-formed UTF-8 only).
std::string_view trimmed(std::string_view line) {
  size_t begin = 0;
  while (begin < line.size()) {
    const fz::Utf8Step step = fz::readUtf8(line, begin);
    if (!isWhiteSpace(step.codePoint)) break;
    begin += step.bytes;
  }
  size_t end = begin, keptEnd = begin;
  while (end < line.size()) {
    const fz::Utf8Step step = fz::readUtf8(line, end);
    end += step.bytes;
    if (!isWhiteSpace(step.codePoint)) keptEnd = end;
  }
  return line.substr(begin, keptEnd - begin);
}

// Not empty and made only of the given single-byte characters and of "…".
bool onlyMadeOf(std::string_view line, std::string_view singles, bool ellipsisToo) {
  if (line.empty()) return false;
  for (size_t i = 0; i < line.size();) {
    if (ellipsisToo && line.substr(i).starts_with("\u2026")) {
      i += std::string_view("\u2026").size();
    } else if (singles.find(line[i]) != std::string_view::npos) {
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

bool holdsTag(std::string_view s) {
  for (size_t open = s.find('<'); open != std::string_view::npos; open = s.find('<', open + 1)) {
    if (open + 1 < s.size() && s[open + 1] != '>' &&
        s.find('>', open + 1) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

void checkWellFormed(std::string_view notes, std::string_view cleaned) {
  if (!fz::isValidUtf8(cleaned)) fail("ill-formed UTF-8 out of well-formed notes", notes, cleaned);
  if (cleaned.size() > notes.size()) fail("the cleaned text grew", notes, cleaned);
  if (cleaned.find('\r') != std::string_view::npos) fail("a \\r is left", notes, cleaned);
  if (cleaned.find(" \n") != std::string_view::npos ||
      cleaned.find("\t\n") != std::string_view::npos) {
    fail("a space before a line break is left", notes, cleaned);
  }
  if (cleaned.find("\n\n\n") != std::string_view::npos) {
    fail("more than one blank line in a row", notes, cleaned);
  }
  if (holdsTag(cleaned)) fail("a tag is left", notes, cleaned);
  if (trimmed(cleaned).size() != cleaned.size()) fail("white space at an end", notes, cleaned);
  for (size_t begin = 0; begin <= cleaned.size();) {
    const size_t lineBreak = std::min(cleaned.find('\n', begin), cleaned.size());
    const std::string_view line = trimmed(cleaned.substr(begin, lineBreak - begin));
    if (onlyMadeOf(line, "-:~_=", false)) fail("a separator line is left", notes, cleaned);
    if (onlyMadeOf(line, ".", true)) fail("a dots-only line is left", notes, cleaned);
    begin = lineBreak + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string notes(reinterpret_cast<const char*>(data), size);
  const std::string cleaned = talewick::NotesSanitizer::sanitizedForDisplay(notes);
  if (fz::isValidUtf8(notes)) {
    checkWellFormed(notes, cleaned);
  } else if (cleaned.size() > 3 * notes.size()) {
    fail("the cleaned text grew past three bytes per input byte", notes, cleaned);
  }
  return 0;
}
