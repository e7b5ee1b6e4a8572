// Instants as ISO 8601 text in UTC, the form of every date the server sends or logs.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace talewick::server {

// "2025-03-01T08:30:00Z" for seconds since 1970.
std::string isoSeconds(std::int64_t unixSeconds);

// "2025-03-01T08:30:00.123Z": log lines, where requests a few milliseconds apart are told apart.
std::string isoMillis(std::chrono::system_clock::time_point instant);

// Seconds since 1970 of `instant`.
std::int64_t unixSeconds(std::chrono::system_clock::time_point instant);

}  // namespace talewick::server
