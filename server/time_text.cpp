#include "server/time_text.hpp"

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

std::int64_t unixSeconds(std::chrono::system_clock::time_point instant) {
  return std::chrono::duration_cast<std::chrono::seconds>(instant.time_since_epoch()).count();
}

}  // namespace talewick::server
