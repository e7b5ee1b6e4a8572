// Timed quests drawn side by side when they overlap: each item gets a column, and every item of
// an overlap cluster (items chained by overlaps, laid out together) shares the cluster's number of
// columns, so that the cluster fills the day's width evenly.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "game/quest.hpp"
#include "support/date.hpp"

namespace talewick::CalendarLayout {

template <class Item>
struct Placement {
  Item item;
  int64_t column = 0;   // from 0, left to right
  int64_t columns = 1;  // the columns of the item's cluster, at least 1
  double widthFraction() const { return 1.0 / static_cast<double>(columns); }
  double xFraction() const { return static_cast<double>(column) / static_cast<double>(columns); }
  bool operator==(const Placement&) const = default;
};

// An item's time, in seconds since the reference date; end ≥ start.
struct Span {
  double start = 0;
  double end = 0;
};

struct Slot {
  int64_t column = 0;
  int64_t columns = 1;
  bool operator==(const Slot&) const = default;
};

// The column of each span and its cluster's width, in input order. Spans are taken by start, then
// by end (the shorter first); each goes into the leftmost column free at its start (a column is
// free once its last span has ended), or a new one. A span that starts at or after the end of
// every span of the cluster so far starts a new cluster.
std::vector<Slot> columnsOf(const std::vector<Span>& spans);

// One placement per item, in input order. A duration of 0 or less is an instant: it takes the
// first column free at that moment.
template <class Item, class Start, class DurationMin>
std::vector<Placement<Item>> place(const std::vector<Item>& items, Start start,
                                   DurationMin durationMin) {
  std::vector<Span> spans;
  spans.reserve(items.size());
  for (const Item& item : items) {
    const double s = static_cast<Date>(start(item)).seconds;
    const auto minutes = static_cast<double>(std::max<int64_t>(durationMin(item), 0));
    spans.push_back(Span{s, s + minutes * 60.0});
  }
  const std::vector<Slot> slots = columnsOf(spans);
  std::vector<Placement<Item>> placements;
  placements.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    placements.push_back(Placement<Item>{items[i], slots[i].column, slots[i].columns});
  }
  return placements;
}

// `place` over quests, by their start and duration.
std::vector<Placement<Quest>> lanes(const std::vector<Quest>& quests);

}  // namespace talewick::CalendarLayout
