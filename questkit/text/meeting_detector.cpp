#include "text/meeting_detector.hpp"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace talewick {

std::string_view label(MeetingProvider provider) {
  static constexpr std::array<std::string_view, 7> labels{
      "Zoom", "Google Meet", "Teams", "Webex", "Whereby", "Jitsi", "FaceTime"};
  return labels[static_cast<size_t>(provider)];
}

namespace MeetingDetector {
namespace {

struct Pattern {
  MeetingProvider provider;
  std::unique_ptr<icu::RegexPattern> regex;
};

// A meeting path runs to the first space, angle bracket, quote or closing bracket: the characters
// that end a link pasted into prose or HTML.
constexpr std::string_view PATH = R"(/[^\s<>"'\)\]]+)";

// No letter, digit, dot or hyphen just before the link, so "notzoom.us" is not Zoom's.
constexpr std::string_view LEAD = R"((?<![\w.\-])(?:https?://)?)";

std::unique_ptr<icu::RegexPattern> compile(const std::string& source) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexPattern> regex(icu::RegexPattern::compile(
      icu::UnicodeString::fromUTF8(source), UREGEX_CASE_INSENSITIVE, status));
  if (U_FAILURE(status)) throw std::logic_error("meeting pattern does not compile: " + source);
  return regex;
}

// Web meeting hosts, in the order they are tried.
const std::vector<Pattern>& webPatterns() {
  static const std::vector<Pattern> patterns = [] {
    const std::pair<MeetingProvider, std::string_view> hosts[] = {
        {MeetingProvider::zoom, R"((?:[a-z0-9-]+\.)*zoom\.(?:us|com))"},
        {MeetingProvider::meet, R"((?:meet\.google\.com|tel\.meet))"},
        {MeetingProvider::teams, R"(teams\.(?:microsoft|live)\.com)"},
        {MeetingProvider::webex, R"((?:[a-z0-9-]+\.)*webex\.com)"},
        {MeetingProvider::whereby, R"((?:www\.)?whereby\.com)"},
        {MeetingProvider::jitsi, R"(meet\.jit\.si)"},
    };
    std::vector<Pattern> out;
    for (const auto& [provider, host] : hosts) {
      out.push_back({provider, compile(std::string(LEAD) + std::string(host) + std::string(PATH))});
    }
    return out;
  }();
  return patterns;
}

const icu::RegexPattern& faceTimePattern() {
  static const std::unique_ptr<icu::RegexPattern> pattern =
      compile(R"((?<![\w\-])facetime(?:-audio)?:\S+)");
  return *pattern;
}

std::optional<std::string> firstMatch(const icu::RegexPattern& pattern,
                                      const icu::UnicodeString& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(text, status));
  if (U_FAILURE(status) || !matcher->find(status)) return std::nullopt;
  std::string out;
  matcher->group(status).toUTF8String(out);
  if (U_FAILURE(status)) return std::nullopt;
  return out;
}

void dropClosingPunctuation(std::string& link) {
  static constexpr std::string_view closing = ".,;:!?)]}>\"'";
  while (!link.empty() && closing.find(link.back()) != std::string_view::npos) link.pop_back();
}

bool startsWithHttp(std::string_view link) {
  if (link.size() < 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if ((link[i] | 0x20) != "http"[i]) return false;
  }
  return true;
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// The link as a URL string: bytes a URL cannot carry literally are percent-encoded, the way a
// browser does when the link is pasted into its address bar. Control characters mean the text
// was not a link at all.
std::optional<std::string> formURL(std::string_view link) {
  static constexpr std::string_view unsafe = " \"<>\\^`{|}";
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(link.size());
  for (size_t i = 0; i < link.size(); ++i) {
    const auto byte = static_cast<unsigned char>(link[i]);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    const bool escape =
        link[i] == '%' && i + 2 < link.size() && isHexDigit(link[i + 1]) && isHexDigit(link[i + 2]);
    if (byte >= 0x80 || unsafe.find(link[i]) != std::string_view::npos ||
        (link[i] == '%' && !escape)) {
      out += '%';
      out += hex[byte >> 4];
      out += hex[byte & 0xF];
    } else {
      out += link[i];
    }
  }
  return out;
}

std::optional<MeetingLink> finish(MeetingProvider provider, std::string link) {
  dropClosingPunctuation(link);
  if (provider == MeetingProvider::facetime) {
    // "facetime:" followed by nothing but punctuation names nobody to call.
    const size_t colon = link.find(':');
    if (colon == std::string::npos || colon + 1 == link.size()) return std::nullopt;
  } else if (!startsWithHttp(link)) {
    // FaceTime links carry their own scheme; only web links may be written without one.
    link = "https://" + link;
  }
  auto url = formURL(link);
  if (!url) return std::nullopt;
  return MeetingLink{provider, std::move(*url)};
}

// Whether `text` may hold a meeting link at all: every pattern needs one of these pieces of its
// host or scheme. The pieces avoid "s" and "k", the letters that case-insensitive matching also
// finds as other characters ("ſ", the Kelvin sign); the others match only their two ASCII cases.
// Most texts (quick-add runs on every keystroke) hold none, and skip the regexes.
bool mayHoldLink(std::string_view text) {
  static constexpr std::array<std::string_view, 8> pieces{
      "zoom.", "meet.google", "tel.meet", "team", "webex", "whereby", "meet.jit", "facetime"};
  std::string lowered(text);
  for (char& c : lowered) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return std::any_of(pieces.begin(), pieces.end(), [&](std::string_view piece) {
    return lowered.find(piece) != std::string::npos;
  });
}

}  // namespace

std::optional<MeetingLink> detect(std::string_view text) {
  if (text.empty() || !mayHoldLink(text)) return std::nullopt;
  const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  for (const Pattern& pattern : webPatterns()) {
    if (auto link = firstMatch(*pattern.regex, unicode)) return finish(pattern.provider, *link);
  }
  if (auto link = firstMatch(faceTimePattern(), unicode)) {
    return finish(MeetingProvider::facetime, *link);
  }
  return std::nullopt;
}

std::optional<MeetingLink> detect(std::span<const std::optional<std::string>> texts) {
  for (const auto& text : texts) {
    if (!text) continue;
    if (auto link = detect(*text)) return link;
  }
  return std::nullopt;
}

std::optional<MeetingLink> detect(const DayEvent& event) {
  const std::array<std::optional<std::string>, 3> texts{event.url, event.location, event.notes};
  return detect(texts);
}

}  // namespace MeetingDetector
}  // namespace talewick
