#include "server/time_text.hpp"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace talewick::server {

std::string isoSeconds(std::int64_t unixSeconds) {
  const std::time_t time = static_cast<std::time_t>(unixSeconds);
  std::tm parts{};
  gmtime_r(&time, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

std::string isoMillis(std::chrono::system_clock::time_point instant) {
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()).count();
  const std::int64_t seconds = millis >= 0 ? millis / 1000 : (millis - 999) / 1000;
  std::string text = isoSeconds(seconds);
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(millis - seconds * 1000));
  text.insert(text.size() - 1, fraction);
  return text;
}

namespace {

// Reads `count` digits at `at`, moving past them; nullopt when they are not all digits.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[at + i];
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  at += count;
  return value;
}

bool take(std::string_view text, std::size_t& at, char expected) {
  if (at >= text.size() || text[at] != expected) return false;
  ++at;
  return true;
}

}  // namespace

std::optional<ParsedInstant> parseIsoInstant(std::string_view text) {
  std::size_t at = 0;
  const auto year = digits(text, at, 4);
  if (!year || !take(text, at, '-')) return std::nullopt;
  const auto month = digits(text, at, 2);
  if (!month || !take(text, at, '-')) return std::nullopt;
  const auto day = digits(text, at, 2);
  if (!day || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
  std::tm parts{};
  parts.tm_year = *year - 1900;
  parts.tm_mon = *month - 1;
  parts.tm_mday = *day;
  if (at == text.size()) return ParsedInstant{static_cast<std::int64_t>(timegm(&parts)), true};
  if (!take(text, at, 'T') && !take(text, at, ' ')) return std::nullopt;
  const auto hour = digits(text, at, 2);
  if (!hour || !take(text, at, ':')) return std::nullopt;
  const auto minute = digits(text, at, 2);
  if (!minute || *hour > 23 || *minute > 59) return std::nullopt;
  int second = 0;
  if (take(text, at, ':')) {
    const auto read = digits(text, at, 2);
    if (!read || *read > 60) return std::nullopt;
    second = *read;
    if (take(text, at, '.')) {
      const std::size_t start = at;
      while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
      if (at == start) return std::nullopt;
    }
  }
  int offsetSeconds = 0;
  if (take(text, at, 'Z') || take(text, at, 'z')) {
  } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    const int sign = text[at] == '-' ? -1 : 1;
    ++at;
    const auto offsetHours = digits(text, at, 2);
    if (!offsetHours) return std::nullopt;
    take(text, at, ':');
    const auto offsetMinutes = digits(text, at, 2);
    if (!offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) return std::nullopt;
    offsetSeconds = sign * (*offsetHours * 3600 + *offsetMinutes * 60);
  }
  if (at != text.size()) return std::nullopt;
  parts.tm_hour = *hour;
  parts.tm_min = *minute;
  parts.tm_sec = second;
  return ParsedInstant{static_cast<std::int64_t>(timegm(&parts)) - offsetSeconds, false};
}

std::int64_t unixSeconds(std::chrono::system_clock::time_point instant) {
  return std::chrono::duration_cast<std::chrono::seconds>(instant.time_since_epoch()).count();
}

}  // namespace talewick::server
