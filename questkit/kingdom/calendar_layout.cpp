#include "kingdom/calendar_layout.hpp"

#include <limits>
#include <numeric>

namespace talewick::CalendarLayout {

std::vector<Slot> columnsOf(const std::vector<Span>& spans) {
  std::vector<size_t> order(spans.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (spans[a].start != spans[b].start) return spans[a].start < spans[b].start;
    return spans[a].end < spans[b].end;
  });

  std::vector<Slot> slots(spans.size());
  std::vector<size_t> cluster;
  std::vector<double> columnEnds;
  constexpr double NO_END = std::numeric_limits<double>::lowest();
  double clusterEnd = NO_END;
  const auto flush = [&] {
    const auto columns = std::max<int64_t>(static_cast<int64_t>(columnEnds.size()), 1);
    for (const size_t i : cluster) slots[i].columns = columns;
    cluster.clear();
    columnEnds.clear();
    clusterEnd = NO_END;
  };

  for (const size_t i : order) {
    const Span& span = spans[i];
    if (!cluster.empty() && span.start >= clusterEnd) flush();
    const auto free = std::find_if(columnEnds.begin(), columnEnds.end(),
                                   [&](double end) { return end <= span.start; });
    slots[i].column = free - columnEnds.begin();
    if (free == columnEnds.end()) {
      columnEnds.push_back(span.end);
    } else {
      *free = span.end;
    }
    cluster.push_back(i);
    clusterEnd = std::max(clusterEnd, span.end);
  }
  flush();
  return slots;
}

std::vector<Placement<Quest>> lanes(const std::vector<Quest>& quests) {
  return place(
      quests, [](const Quest& q) { return q.startDate; },
      [](const Quest& q) { return q.durationMin; });
}

}  // namespace talewick::CalendarLayout
