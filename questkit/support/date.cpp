#include "support/date.hpp"

#include <cmath>
#include <cstdio>

namespace talewick {

// Howard Hinnant's days_from_civil.
int64_t daysFromCivil(int year, int month, int day) {
  const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

namespace {

struct CivilDay {
  int64_t year;
  int month, day;
};

CivilDay civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Reads exactly `count` digits at `pos`.
bool readDigits(std::string_view s, size_t& pos, int count, int& out) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (int i = 0; i < count; ++i) {
    const char c = s[pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  pos += count;
  out = v;
  return true;
}

bool expect(std::string_view s, size_t& pos, char c) {
  if (pos < s.size() && s[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

}  // namespace

CivilFields civilFromUnix(double unixSeconds, int offsetSeconds) {
  const auto total = static_cast<int64_t>(std::floor(unixSeconds)) + offsetSeconds;
  int64_t days = total / 86400;
  int64_t rest = total % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const CivilDay d = civilFromDays(days);
  // 1970-01-01 was a Thursday (5 when Sunday is 1).
  const int weekday = static_cast<int>(((days % 7) + 7 + 4) % 7) + 1;
  return CivilFields{static_cast<int>(d.year),
                     d.month,
                     d.day,
                     static_cast<int>(rest / 3600),
                     static_cast<int>(rest / 60 % 60),
                     static_cast<int>(rest % 60),
                     weekday};
}

namespace iso8601 {

std::optional<Parsed> parse(std::string_view s) {
  Parsed out;
  CivilTime& c = out.civil;
  size_t pos = 0;
  if (!readDigits(s, pos, 4, c.year) || !expect(s, pos, '-') || !readDigits(s, pos, 2, c.month) ||
      !expect(s, pos, '-') || !readDigits(s, pos, 2, c.day)) {
    return std::nullopt;
  }
  if (c.month < 1 || c.month > 12 || c.day < 1 || c.day > daysInMonth(c.year, c.month)) {
    return std::nullopt;
  }
  if (pos == s.size()) return out;
  if (s[pos] != 'T' && s[pos] != 't' && s[pos] != ' ') return std::nullopt;
  ++pos;
  if (!readDigits(s, pos, 2, c.hour) || !expect(s, pos, ':') || !readDigits(s, pos, 2, c.minute)) {
    return std::nullopt;
  }
  if (expect(s, pos, ':')) {
    int whole = 0;
    if (!readDigits(s, pos, 2, whole)) return std::nullopt;
    c.second = whole;
    if (expect(s, pos, '.') || expect(s, pos, ',')) {
      double scale = 0.1;
      const size_t start = pos;
      while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        c.second += (s[pos] - '0') * scale;
        scale /= 10;
        ++pos;
      }
      if (pos == start) return std::nullopt;
    }
  }
  if (c.hour > 23 || c.minute > 59 || c.second >= 61) return std::nullopt;
  if (pos == s.size()) return out;
  if (s[pos] == 'Z' || s[pos] == 'z') {
    out.offsetSeconds = 0;
    ++pos;
  } else if (s[pos] == '+' || s[pos] == '-') {
    const int sign = s[pos] == '-' ? -1 : 1;
    ++pos;
    int h = 0, m = 0;
    if (!readDigits(s, pos, 2, h)) return std::nullopt;
    expect(s, pos, ':');
    if (!readDigits(s, pos, 2, m) || h > 23 || m > 59) return std::nullopt;
    out.offsetSeconds = sign * (h * 3600 + m * 60);
  }
  if (pos != s.size()) return std::nullopt;
  return out;
}

Date instant(const CivilTime& c, int offsetSeconds) {
  const double unix = static_cast<double>(daysFromCivil(c.year, c.month, c.day)) * 86400.0 +
                      c.hour * 3600.0 + c.minute * 60.0 + c.second - offsetSeconds;
  return Date::fromUnix(unix);
}

std::string format(Date date, int offsetSeconds) {
  const double fraction = date.unix() - std::floor(date.unix());
  const CivilFields c = civilFromUnix(date.unix(), offsetSeconds);
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day,
                        c.hour, c.minute, c.second);
  std::string out(buf, static_cast<size_t>(n));
  const long millis = std::lround(fraction * 1000);
  if (millis > 0 && millis < 1000) {
    std::snprintf(buf, sizeof buf, ".%03ld", millis);
    out += buf;
  }
  if (offsetSeconds == 0) {
    out += 'Z';
  } else {
    const int a = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
    std::snprintf(buf, sizeof buf, "%c%02d:%02d", offsetSeconds < 0 ? '-' : '+', a / 3600,
                  a / 60 % 60);
    out += buf;
  }
  return out;
}

}  // namespace iso8601
}  // namespace talewick
