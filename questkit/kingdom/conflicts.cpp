#include "kingdom/conflicts.hpp"

#include <algorithm>

namespace talewick::Conflicts {

std::vector<DayEvent> overlapping(Date start, int64_t durationMin,
                                  const std::vector<DayEvent>& events) {
  if (durationMin <= 0) return {};
  const Date end = start.adding(static_cast<double>(durationMin) * 60.0);
  std::vector<DayEvent> found;
  for (const DayEvent& e : events) {
    if (!e.allDay && e.startDate < end && e.endDate > start) found.push_back(e);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const DayEvent& a, const DayEvent& b) { return a.startDate < b.startDate; });
  return found;
}

}  // namespace talewick::Conflicts
