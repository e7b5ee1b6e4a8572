// Day keys ("yyyy-MM-dd") as whole days of the Gregorian calendar, for rules that count days
// between keys without a clock. A key names a day of the user's calendar already, so the counting
// is plain date arithmetic: no instant, no time zone, no daylight-saving hour to trip on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talewick::DayKeys {

// The day `key` names, as days since 1970-01-01; nullopt for anything but a real date written
// exactly "yyyy-MM-dd" ("2026-02-30", "2026-1-5" and "2026-01-05T10:00" are refused).
std::optional<int64_t> dayNumber(std::string_view key);

// The key of a day number (the inverse of dayNumber for every year 0000 … 9999).
std::string key(int64_t dayNumber);

// Whole days from `from` to `to` (negative when `to` comes first); nullopt when either key is not
// a real date.
std::optional<int64_t> between(std::string_view from, std::string_view to);

}  // namespace talewick::DayKeys
