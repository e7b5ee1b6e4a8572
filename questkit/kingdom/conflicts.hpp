// The events a planned slot would overlap, for the warning of the event editor.
#pragma once

#include <cstdint>
#include <vector>

#include "game/day_event.hpp"
#include "support/date.hpp"

namespace talewick::Conflicts {

// The timed events of `events` that overlap [start, start + durationMin minutes), by start (equal
// starts keep their order). Intervals that only touch do not overlap; all-day events never
// conflict; a duration of 0 or less conflicts with nothing.
std::vector<DayEvent> overlapping(Date start, int64_t durationMin,
                                  const std::vector<DayEvent>& events);

}  // namespace talewick::Conflicts
