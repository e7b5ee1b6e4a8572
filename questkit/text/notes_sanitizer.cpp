#include "text/notes_sanitizer.hpp"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "support/text.hpp"

namespace talewick::NotesSanitizer {
namespace {

// Lines invitations add around the link, in their comparison form (see lineKey). A line is
// boilerplate when it is one of these or starts with one followed by more words.
// clang-format off
constexpr std::string_view BOILERPLATE[] = {
    // Zoom
    "join zoom meeting", "rejoindre la reunion zoom", "participer a la reunion zoom",
    "one tap mobile", "mobile en un clic", "dial by your location",
    "composez un numero en fonction de votre localisation", "find your local number",
    "trouvez votre numero local",
    // Google Meet
    "join with google meet", "rejoindre avec google meet", "join by phone",
    "rejoindre par telephone", "participer par telephone", "more phone numbers",
    "autres numeros de telephone", "learn more about meet", "en savoir plus sur meet",
    "invitation from google calendar", "invitation de google agenda",
    "you are receiving this email", "vous recevez cet e mail", "vous recevez cet email",
    "forwarding this invitation", "le transfert de cette invitation",
    // Teams
    "microsoft teams meeting", "reunion microsoft teams", "join on your computer",
    "rejoindre sur votre ordinateur", "click here to join the meeting",
    "cliquez ici pour rejoindre la reunion", "meeting options", "options de reunion",
    "need help", "besoin d aide",
    // Calendar servers
    "please do not edit this section", "ne modifiez pas cette section",
};

// Labels of the codes invitations print ("Passcode: 4Xz9", "ID de réunion : 812 3456 7890").
// They are boilerplate only when a code follows, so "Code secret du portail : 1234" stays.
constexpr std::string_view CODE_LABELS[] = {
    "meeting id", "id de reunion", "passcode", "code secret", "password", "mot de passe",
    "pin", "code pin", "conference id", "id de conference",
};
// clang-format on

// Three dated lines make a roster (an attendance list, a series of past sessions); one or two
// are more likely something the user wrote.
constexpr int ROSTER_MIN_LINES = 3;

std::unique_ptr<icu::RegexPattern> compile(const char* source) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexPattern> regex(
      icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(source), 0, status));
  if (U_FAILURE(status)) throw std::logic_error(std::string("bad notes pattern: ") + source);
  return regex;
}

struct Rewrite {
  std::unique_ptr<icu::RegexPattern> pattern;
  icu::UnicodeString replacement;
};

void replaceAll(icu::UnicodeString& text, const Rewrite& rewrite) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(rewrite.pattern->matcher(text, status));
  if (U_FAILURE(status)) return;
  icu::UnicodeString out = matcher->replaceAll(rewrite.replacement, status);
  if (U_SUCCESS(status)) text = out;
}

const Rewrite& collapseBlankRuns() {
  static const Rewrite rewrite{compile(R"(\n{3,})"), u"\n\n"};
  return rewrite;
}

std::string plainText(const std::string& html) {
  static const Rewrite rewrites[] = {
      {compile(R"(\r\n?)"), u"\n"},
      {compile(R"((?i)<br\s*/?>)"), u"\n"},
      {compile(R"((?i)</(p|div|li|tr)>)"), u"\n"},
      {compile(R"(<[^>]+>)"), u""},
      {compile(R"([ \t]+\n)"), u"\n"},
  };
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(html);
  for (const Rewrite& rewrite : rewrites) replaceAll(text, rewrite);
  replaceAll(text, collapseBlankRuns());
  std::string out;
  text.toUTF8String(out);
  return out;
}

// Folded, letters and digits only, every other run of characters one space: "Meeting ID: 8…"
// and "ID de réunion : 8…" compare as "meeting id 8…" and "id de reunion 8…".
std::string lineKey(std::string_view line) {
  const std::string folded = text::fold(line);
  std::string key;
  bool gap = false;
  const auto length = static_cast<int32_t>(folded.size());
  for (int32_t i = 0; i < length;) {
    const int32_t begin = i;
    UChar32 cp;
    U8_NEXT(folded.data(), i, length, cp);
    if (cp >= 0 && (u_isalpha(cp) || u_isdigit(cp))) {
      if (gap && !key.empty()) key += ' ';
      key.append(folded, static_cast<size_t>(begin), static_cast<size_t>(i - begin));
      gap = false;
    } else {
      gap = true;
    }
  }
  return key;
}

// What follows `phrase` at the start of `key`, word-aligned; nullopt when `key` does not start
// with the phrase.
std::optional<std::string_view> after(std::string_view key, std::string_view phrase) {
  if (!key.starts_with(phrase)) return std::nullopt;
  if (key.size() == phrase.size()) return std::string_view{};
  if (key[phrase.size()] != ' ') return std::nullopt;
  return key.substr(phrase.size() + 1);
}

// One word ("4xz9") or groups of digits ("812 3456 7890").
bool isCode(std::string_view rest) {
  if (rest.find(' ') == std::string_view::npos) return true;
  return rest.find_first_not_of("0123456789 ") == std::string_view::npos;
}

bool isBoilerplatePhrase(std::string_view line) {
  const std::string key = lineKey(line);
  for (std::string_view phrase : BOILERPLATE) {
    if (after(key, phrase)) return true;
  }
  for (std::string_view label : CODE_LABELS) {
    if (auto rest = after(key, label); rest && isCode(*rest)) return true;
  }
  return false;
}

// True when `line` is not empty and made only of characters in `allowed` (UTF-8 sequences).
bool onlyMadeOf(std::string_view line, std::initializer_list<std::string_view> allowed) {
  if (line.empty()) return false;
  while (!line.empty()) {
    bool matched = false;
    for (std::string_view piece : allowed) {
      if (line.starts_with(piece)) {
        line.remove_prefix(piece.size());
        matched = true;
        break;
      }
    }
    if (!matched) return false;
  }
  return true;
}

bool isSeparator(std::string_view line) { return onlyMadeOf(line, {"-", ":", "~", "_", "="}); }

bool isEllipsis(std::string_view line) { return onlyMadeOf(line, {".", "…"}); }

// "2026-03-12 Séance 4": a date, then white space, at the very start of the line.
bool startsWithDate(std::string_view line) {
  static const std::unique_ptr<icu::RegexPattern> pattern =
      compile(R"(^[0-9]{4}-[0-9]{1,2}-[0-9]{1,2}\s+)");
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(line.data(), static_cast<int32_t>(line.size())));
  std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(text, status));
  return U_SUCCESS(status) && matcher->lookingAt(status) && U_SUCCESS(status);
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  for (;;) {
    const size_t lf = text.find('\n', pos);
    lines.push_back(text.substr(pos, lf == std::string_view::npos ? lf : lf - pos));
    if (lf == std::string_view::npos) return lines;
    pos = lf + 1;
  }
}

}  // namespace

std::string sanitizedForDisplay(const std::optional<std::string>& notes) {
  if (!notes || notes->empty()) return {};
  const std::string plain = plainText(*notes);
  const std::vector<std::string_view> lines = splitLines(plain);
  int dated = 0;
  for (std::string_view line : lines) dated += startsWithDate(line) ? 1 : 0;
  const bool dropDated = dated >= ROSTER_MIN_LINES;
  std::string kept;
  for (std::string_view line : lines) {
    const std::string_view trimmed = text::trim(line);
    if (isSeparator(trimmed) || isEllipsis(trimmed) || isBoilerplatePhrase(trimmed) ||
        (dropDated && startsWithDate(line))) {
      continue;
    }
    kept.append(line);
    kept += '\n';
  }
  icu::UnicodeString collapsed = icu::UnicodeString::fromUTF8(kept);
  replaceAll(collapsed, collapseBlankRuns());
  std::string out;
  collapsed.toUTF8String(out);
  return std::string(text::trim(out));
}

}  // namespace talewick::NotesSanitizer
