// The demonstration day: a believable family-and-work day shown when there is no calendar to read
// yet, or it is empty or out of reach.
#pragma once

#include <vector>

#include "game/day_event.hpp"
#include "support/date.hpp"

namespace talewick {

// Eight occurrences on the local day holding `now`, with French titles; one belongs to the
// calendar "Maison". Ids are stable for a given day.
std::vector<DayEvent> mockEvents(Date now);

}  // namespace talewick
