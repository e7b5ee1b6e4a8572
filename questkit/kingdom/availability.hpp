// Open slots of the coming days, for a booking page: every slot of the chosen length that starts
// on the step grid of each day's window, does not start before `from`, ends inside the window, and
// keeps clear of the busy intervals and of the break after each.
#pragma once

#include <cstdint>
#include <vector>

#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick {

struct AvailabilityConfig {
  int64_t slotMinutes = 30;  // length of a slot
  int64_t dayStartHour = 9;  // the daily window, local hours 0 … 24
  int64_t dayEndHour = 18;
  int64_t stepMinutes = 30;   // between candidate starts, counted from the window's start
  int64_t breakMinutes = 10;  // kept free after each busy interval
  bool weekdaysOnly = true;   // no slot on Saturdays and Sundays
  int64_t horizonDays = 14;   // the day of `from` and the days after it, at most MAX_HORIZON_DAYS
  bool operator==(const AvailabilityConfig&) const = default;
};

void to_json(Json& j, const AvailabilityConfig& v);
void from_json(const Json& j, AvailabilityConfig& v);

namespace Availability {

inline constexpr int64_t MAX_HORIZON_DAYS = 366;

// The open slots, earliest first (they overlap one another when the step is shorter than a slot).
// Days and hours are those of the local calendar (LocalCalendar): on a daylight-saving day the
// window runs from its start hour to its end hour on the clock, however long that is. A
// slot or step of 0 minutes or less, or a window that ends before it starts, gives no slot. A busy
// interval that ends before it starts is an instant.
std::vector<DateInterval> openSlots(const std::vector<DateInterval>& busy, Date from,
                                    const AvailabilityConfig& config);

}  // namespace Availability
}  // namespace talewick
