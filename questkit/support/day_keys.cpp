#include "support/day_keys.hpp"

#include <cstdio>

#include "support/date.hpp"

namespace talewick::DayKeys {

std::optional<int64_t> dayNumber(std::string_view key) {
  // The parser also takes times and offsets: a day key is the date alone.
  if (key.size() != 10) return std::nullopt;
  const std::optional<iso8601::Parsed> parsed = iso8601::parse(key);
  if (!parsed) return std::nullopt;
  return daysFromCivil(parsed->civil.year, parsed->civil.month, parsed->civil.day);
}

std::string key(int64_t dayNumber) {
  const CivilFields c = civilFromUnix(static_cast<double>(dayNumber) * 86400.0, 0);
  char buf[32];
  const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return std::string(buf, static_cast<size_t>(n));
}

std::optional<int64_t> between(std::string_view from, std::string_view to) {
  const std::optional<int64_t> a = dayNumber(from);
  const std::optional<int64_t> b = dayNumber(to);
  if (!a || !b) return std::nullopt;
  return *b - *a;
}

}  // namespace talewick::DayKeys
