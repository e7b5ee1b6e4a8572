#include "support/text.hpp"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <memory>
#include <vector>

namespace talewick::text {
namespace {

bool isAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

void appendUtf8(std::string& out, UChar32 cp) {
  char buf[4];
  int32_t len = 0;
  UBool error = false;
  U8_APPEND(buf, len, 4, cp, error);
  if (!error) out.append(buf, static_cast<size_t>(len));
}

icu::UnicodeString toUnicode(std::string_view s) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

// Below U+0300 (Latin-1 and the Latin extensions) no character combines with its neighbours, so
// folding and counting can go one code point at a time; beyond, ICU sees the whole text.
constexpr UChar32 SIMPLE_LIMIT = 0x300;

std::string foldWithIcu(std::string_view s);

// The fold of each simple code point, computed once by ICU itself.
const std::vector<std::string>& simpleFolds() {
  static const std::vector<std::string> table = [] {
    std::vector<std::string> t(SIMPLE_LIMIT);
    for (UChar32 cp = 0; cp < SIMPLE_LIMIT; ++cp) {
      std::string one;
      appendUtf8(one, cp);
      t[static_cast<size_t>(cp)] = foldWithIcu(one);
    }
    return t;
  }();
  return table;
}

std::string foldWithIcu(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  UErrorCode status = U_ZERO_ERROR;
  static const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  const icu::UnicodeString decomposed = nfd->normalize(toUnicode(s), status);
  if (U_FAILURE(status)) return std::string(s);
  for (int32_t i = 0; i < decomposed.length();) {
    const UChar32 cp = decomposed.char32At(i);
    i += U16_LENGTH(cp);
    if (u_charType(cp) == U_NON_SPACING_MARK) continue;
    appendUtf8(out, u_tolower(cp));
  }
  return out;
}

}  // namespace

std::string fold(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  if (isAscii(s)) {
    for (char c : s) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    return out;
  }
  const auto& table = simpleFolds();
  const auto length = static_cast<int32_t>(s.size());
  for (int32_t i = 0; i < length;) {
    UChar32 cp;
    U8_NEXT(s.data(), i, length, cp);
    if (cp < 0 || cp >= SIMPLE_LIMIT) return foldWithIcu(s);
    out += table[static_cast<size_t>(cp)];
  }
  return out;
}

bool hasControlCharacters(std::string_view s) {
  const auto length = static_cast<int32_t>(s.size());
  for (int32_t i = 0; i < length;) {
    UChar32 cp;
    U8_NEXT(s.data(), i, length, cp);
    if (cp < 0 || isTerminalControl(static_cast<char32_t>(cp))) return true;
  }
  return false;
}

int perceivedLength(std::string_view s) {
  if (isAscii(s) && s.find('\r') == std::string_view::npos) return static_cast<int>(s.size());
  int simple = 0;
  const auto length = static_cast<int32_t>(s.size());
  for (int32_t i = 0; i < length && simple >= 0;) {
    UChar32 cp;
    U8_NEXT(s.data(), i, length, cp);
    simple = cp >= 0 && cp < SIMPLE_LIMIT && cp != '\r' ? simple + 1 : -1;
  }
  if (simple >= 0) return simple;
  thread_local std::unique_ptr<icu::BreakIterator> it = [] {
    UErrorCode status = U_ZERO_ERROR;
    return std::unique_ptr<icu::BreakIterator>(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  }();
  const icu::UnicodeString u = toUnicode(s);
  it->setText(u);
  int count = 0;
  for (int32_t p = it->next(); p != icu::BreakIterator::DONE; p = it->next()) ++count;
  return count;
}

std::string lower(std::string_view s) {
  if (isAscii(s)) {
    std::string out(s);
    for (char& c : out) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return out;
  }
  std::string out;
  toUnicode(s).toLower(icu::Locale::getRoot()).toUTF8String(out);
  return out;
}

int utf16Length(std::string_view s) { return toUnicode(s).length(); }

std::string_view trim(std::string_view s) {
  size_t begin = 0, end = s.size();
  while (begin < end) {
    UChar32 cp;
    int32_t i = static_cast<int32_t>(begin);
    U8_NEXT(s.data(), i, static_cast<int32_t>(end), cp);
    if (cp < 0 || !u_isUWhiteSpace(cp)) break;
    begin = static_cast<size_t>(i);
  }
  while (end > begin) {
    UChar32 cp;
    int32_t i = static_cast<int32_t>(end);
    U8_PREV(s.data(), static_cast<int32_t>(begin), i, cp);
    if (cp < 0 || !u_isUWhiteSpace(cp)) break;
    end = static_cast<size_t>(i);
  }
  return s.substr(begin, end - begin);
}

std::string capitalizeFirst(std::string_view s) {
  if (s.empty()) return {};
  UChar32 cp;
  int32_t i = 0;
  U8_NEXT(s.data(), i, static_cast<int32_t>(s.size()), cp);
  if (cp < 0) return std::string(s);
  std::string out;
  appendUtf8(out, u_totitle(cp));
  out.append(s.substr(static_cast<size_t>(i)));
  return out;
}

bool isTerminalControl(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7f && cp < 0xa0) || cp == 0x2028 || cp == 0x2029 ||
         (cp >= 0x202a && cp <= 0x202e) || (cp >= 0x2066 && cp <= 0x2069);
}

std::string terminalSafe(std::string_view s, bool keepLines) {
  bool plain = true;
  for (unsigned char c : s) plain = plain && c >= 0x20 && c < 0x7f;
  if (plain) return std::string(s);
  std::string out;
  out.reserve(s.size());
  const auto length = static_cast<int32_t>(s.size());
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 cp;
    U8_NEXT(s.data(), i, length, cp);
    if (cp < 0) {
      appendUtf8(out, 0xfffd);
    } else if (cp == '\r' && i < length && s[static_cast<size_t>(i)] == '\n') {
      continue;  // the LF that follows is the break
    } else if (cp == '\n' || cp == '\r') {
      out += keepLines ? '\n' : ' ';
    } else if (cp == '\t') {
      out += keepLines ? '\t' : ' ';
    } else if (!isTerminalControl(static_cast<char32_t>(cp))) {
      out.append(s.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
    }
  }
  return out;
}

}  // namespace talewick::text
