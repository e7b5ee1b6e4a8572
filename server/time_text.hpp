// Instants as ISO 8601 text in UTC, the form of every date the server sends or logs.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talewick::server {

// "2025-03-01T08:30:00Z" for seconds since 1970.
std::string isoSeconds(std::int64_t unixSeconds);

// "2025-03-01T08:30:00.123Z": log lines, where requests a few milliseconds apart are told apart.
std::string isoMillis(std::chrono::system_clock::time_point instant);

// An instant read from a provider's ISO 8601 text.
struct ParsedInstant {
  std::int64_t unixSeconds = 0;
  bool dateOnly = false;  // "2025-03-01": a day without a time, read as its midnight in UTC
  bool operator==(const ParsedInstant&) const = default;
};

// "2025-03-01", "2025-03-01T08:30", "2025-03-01T08:30:00.0000000", with "Z" or an offset
// ("+01:00", "-0500"); a time without a zone is read in UTC. nullopt for any other text.
std::optional<ParsedInstant> parseIsoInstant(std::string_view text);

// Seconds since 1970 of `instant`.
std::int64_t unixSeconds(std::chrono::system_clock::time_point instant);

}  // namespace talewick::server
