// How pressing a tracker's task is, and what finishing it pays: the one rule for the tasks the
// backend's pipeline lists and for the issues the program reads from Linear itself.
//
// The threat adds the task's priority (0 none … 4 urgent) to the pressure of its due instant:
// overdue 3, due within 24 hours 2, within 48 hours 1. 0–1 "low", 2–3 "medium", 4–5 "high", 6 and
// more "deadly"; rewards by threat: xp 10/25/50/100, gold 5/12/25/50. A task overdue or due within
// 48 hours belongs with the deadlines.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace talewick::TaskThreat {

inline constexpr int64_t DUE_SOON_SECONDS = 48 * 3600;

// 0 "low" … 3 "deadly". Instants are seconds since 1970.
int level(int64_t priority, std::optional<int64_t> due, int64_t now);
std::string_view name(int level);
int64_t xp(int level);
int64_t gold(int level);
// Overdue, or due within 48 hours.
bool urgent(std::optional<int64_t> due, int64_t now);

}  // namespace talewick::TaskThreat
