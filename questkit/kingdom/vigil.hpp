// The vigil: a player whose daily streak broke may replay up to three missed days, at half
// reward, once a week. This file decides which days can be mended; replaying them belongs to the
// day replay.
//
// Day keys are "yyyy-MM-dd". A key that is not a real date counts as absent: no last replay means
// nothing was missed, no last vigil means none was held.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {
namespace Vigil {

// At most this many missed days can be mended; more and the streak's flame is out.
inline constexpr int64_t MAX_DAYS = 3;
// One vigil per this many days.
inline constexpr int64_t MEND_WINDOW_DAYS = 7;
// The share of their usual reward the mended days pay.
inline constexpr double REWARD_FACTOR = 0.5;

struct Eligibility {
  enum class Kind { available, extinguished, spent, notNeeded };

  Kind kind = Kind::notNeeded;
  std::vector<std::string> days;  // available: the missed day keys to mend, oldest first
  int64_t missed = 0;             // extinguished, spent: how many days were missed

  static Eligibility available(std::vector<std::string> days);
  static Eligibility extinguished(int64_t missed);
  static Eligibility spent(int64_t missed);
  static Eligibility notNeeded();
  bool operator==(const Eligibility&) const = default;
};

// The days without a replay since the last one: every day key strictly between `lastReplayISO`
// and `todayISO`, oldest first. None without a last replay, or when today is not after it.
std::vector<std::string> missedDays(const std::optional<std::string>& lastReplayISO,
                                    const std::string& todayISO);

// Calendar days from `a` to `b` (negative when `b` comes first); 0 when either is not a date.
int64_t daysBetween(const std::string& a, const std::string& b);

// What a vigil can do today:
// - nothing missed, or a streak below 2: notNeeded;
// - more than MAX_DAYS days missed: extinguished with their count;
// - no vigil held, or the last one MEND_WINDOW_DAYS days ago or more: available with the days;
// - otherwise (a vigil within the window): spent with the count.
Eligibility eligibility(const std::optional<std::string>& lastReplayISO,
                        const std::optional<std::string>& lastVigilISO, const std::string& todayISO,
                        int64_t streak);

// {"kind": "available", "days": […]}, {"kind": "extinguished", "missed": n},
// {"kind": "spent", "missed": n}, {"kind": "notNeeded"}.
void to_json(Json& j, const Eligibility& v);
void from_json(const Json& j, Eligibility& v);

}  // namespace Vigil

template <>
struct EnumTraits<Vigil::Eligibility::Kind> {
  static constexpr std::array<std::string_view, 4> names{"available", "extinguished", "spent",
                                                         "notNeeded"};
};

}  // namespace talewick
