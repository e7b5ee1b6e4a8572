// Helpers shared by tests. Every test program runs with TZ=Europe/Paris and a French locale
// (set by CTest), so local-calendar answers are fixed.
#pragma once

#include <string>

#include "game/day_event.hpp"
#include "support/date.hpp"

namespace talewick::testing {

// The instant of a wall-clock time in the process time zone.
Date localDate(int year, int month, int day, int hour = 0, int minute = 0);

// A timed occurrence of `minutes` minutes, id "evt".
DayEvent timedEvent(const std::string& title, Date start, int minutes);

}  // namespace talewick::testing
