// The days of ISO weeks (Monday first) as day numbers (days since 1970-01-01), for the boards
// that sum a week of daily aggregates. Week keys are those of weekKeyOfDay ("2026-W49").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talewick::server::weeks {

// 0 for a Monday … 6 for a Sunday.
std::int64_t weekdayIndex(std::int64_t dayNumber);
std::int64_t mondayOf(std::int64_t dayNumber);
// The Monday of the week `weekKey` names ("yyyy-Www"); nullopt for another text.
std::optional<std::int64_t> mondayOfWeek(std::string_view weekKey);
// The day key of today on the server's clock (UTC), `now` in seconds since 1970.
std::string todayKey(std::int64_t now);
// Whether `dayKey` is a real day within `slack` days of the server's today: a client's today
// may lie a day ahead of or behind UTC.
bool isNearToday(std::string_view dayKey, std::int64_t now, std::int64_t slack);

}  // namespace talewick::server::weeks
