// How heavy a calendar day is: the time its events cover in the waking window, the longest run of
// back-to-back events, the free stretches between them, a verdict and, when needed, one piece of
// advice.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/day_event.hpp"
#include "support/date.hpp"
#include "support/enum_traits.hpp"

namespace talewick {

struct DayLoadConfig {
  // The waking window, 8:00 to 20:00 on the local clock: twelve hours that hold the working day
  // and the family evening, without the early and late hours a calendar rarely fills and that
  // would water the ratio down. Held to 0 … 23 and start + 1 … 24.
  int64_t dayStartHour = 8;
  int64_t dayEndHour = 20;
  // Events less than 15 minutes apart are back to back: a 5- or 10-minute change of room between
  // two meetings is no break. A free stretch of at least this length counts as a gap.
  int64_t backToBackGapMin = 15;
  // At 40 % of the window (about 4 h 50 of events in twelve hours) the day is well filled; at
  // 65 % (about 7 h 50, a whole working day of meetings) it is a siege.
  double busyThreshold = 0.4;
  double siegeThreshold = 0.65;
  // A real respite is a free stretch of at least 45 minutes: a lunch break or a walk, long enough
  // to catch one's breath.
  int64_t minRepitMinutes = 45;
  bool operator==(const DayLoadConfig&) const = default;
};

// Ordered: patrouille < remplie < siege.
enum class LoadTier { patrouille, remplie, siege };
template <>
struct EnumTraits<LoadTier> {
  static constexpr std::array<std::string_view, 3> names{"patrouille", "remplie", "siege"};
};

struct DayLoad {
  int64_t busyMinutes = 0;    // covered by at least one event, inside the window
  int64_t windowMinutes = 0;  // length of the waking window
  double loadRatio = 0;       // busyMinutes / windowMinutes
  LoadTier tier = LoadTier::patrouille;
  int64_t longestChainMinutes = 0;  // from the first start to the last end of a back-to-back run
  int64_t largestGapMinutes = 0;    // longest free stretch of the window
  int64_t gapCount = 0;             // free stretches of at least backToBackGapMin
  std::string verdict;
  std::optional<std::string> advice;
  bool operator==(const DayLoad&) const = default;
};

namespace DayLoadEngine {

// The load of the local day holding `day`.
//
// Only timed events count (all-day events mark a day, they do not fill it), clipped to the
// window; overlapping events count their shared time once. Minutes are rounded half away from
// zero. A free stretch is any part of the window no event covers, at its edges included (an
// empty day is one free stretch as long as the window). Chains are runs of events each starting
// less than backToBackGapMin minutes after the run's latest end; a lone event is a chain of its
// own length.
//
// Tier: siege from siegeThreshold, remplie from busyThreshold, patrouille below.
// Advice: "dayload.advice.shortNight" on a siege day after a night of less than 6 hours;
// otherwise "dayload.advice.noRespite" when no free stretch reaches minRepitMinutes; otherwise
// none. `sleepHours` is the night before the current day, so it only counts when `day` falls on
// the same local day as `now`.
DayLoad compute(const std::vector<DayEvent>& events, Date day, Date now,
                std::optional<double> sleepHours, const DayLoadConfig& config = {});

// The verdict text of a tier, in the user's language.
std::string verdict(LoadTier tier);

}  // namespace DayLoadEngine

void to_json(Json& j, const DayLoad& v);

}  // namespace talewick
