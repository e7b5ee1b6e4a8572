// A second UTF-8 reader for the fuzz targets. It shares no code with the library (no ICU), so
// the targets check the library's offsets and outputs against an opinion of their own rather
// than against the very code under test.
//
// Ill-formed bytes are read the way Unicode recommends and ICU does: each maximal subpart of an
// ill-formed sequence (the longest prefix of a valid sequence, or a single byte when none) is
// one U+FFFD, one UTF-16 code unit.
//
// Also here: printing a failing input byte for byte, which both targets do before aborting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace talewick::fuzzing {

struct Utf8Step {
  size_t bytes = 0;        // at least 1
  char32_t codePoint = 0;  // U+FFFD for an ill-formed subpart
  bool wellFormed = false;
};

// The character that starts at byte `at` (< s.size()).
inline Utf8Step readUtf8(std::string_view s, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {1, lead, true};
  // The lead byte fixes the length and the range of the first continuation byte (narrower than
  // 80..BF after E0, ED, F0 and F4, which rules out overlong forms, surrogates and values past
  // U+10FFFF); every further continuation byte is 80..BF.
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {1, U'\uFFFD', false};  // a stray continuation byte, C0, C1 or F5..FF
  }
  size_t read = 1;
  for (; read < length; ++read) {
    if (at + read >= s.size()) return {read, U'\uFFFD', false};
    const unsigned char next = byte(at + read);
    if (next < low || next > high) return {read, U'\uFFFD', false};
    low = 0x80;
    high = 0xBF;
    value = (value << 6) | (next & 0x3F);
  }
  return {length, value, true};
}

inline bool isValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const Utf8Step step = readUtf8(s, i);
    if (!step.wellFormed) return false;
    i += step.bytes;
  }
  return true;
}

inline int64_t utf16Units(char32_t codePoint) { return codePoint >= 0x10000 ? 2 : 1; }

inline int64_t utf16Length(std::string_view s) {
  int64_t units = 0;
  for (size_t i = 0; i < s.size();) {
    const Utf8Step step = readUtf8(s, i);
    units += utf16Units(step.codePoint);
    i += step.bytes;
  }
  return units;
}

// `label: "s"` on standard error, every byte outside printable ASCII as \xHH, so that a failing
// input can be read and typed back exactly.
inline void printEscaped(const char* label, std::string_view s) {
  std::fprintf(stderr, "  %s: \"", label);
  for (const char c : s) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      std::fputc(c, stderr);
    } else {
      std::fprintf(stderr, "\\x%02x", byte);
    }
  }
  std::fprintf(stderr, "\"\n");
}

}  // namespace talewick::fuzzing
