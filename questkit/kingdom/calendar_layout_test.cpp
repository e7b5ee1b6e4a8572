// Side-by-side columns of overlapping quests: clusters, the first free column, and the width each
// cluster shares.
#include "kingdom/calendar_layout.hpp"

#include <gtest/gtest.h>

#include <string>

namespace talewick {
namespace {

using CalendarLayout::Slot;

Date at(const char* text) {
  const auto parsed = iso8601::parse(text);
  EXPECT_TRUE(parsed && parsed->offsetSeconds) << text;
  return iso8601::instant(parsed->civil, parsed->offsetSeconds.value_or(0));
}

struct Item {
  std::string name;
  Date start;
  int64_t minutes = 0;
  bool operator==(const Item&) const = default;
};

std::vector<Slot> slotsOf(const std::vector<Item>& items) {
  const auto placements = CalendarLayout::place(
      items, [](const Item& i) { return i.start; }, [](const Item& i) { return i.minutes; });
  std::vector<Slot> slots;
  for (size_t k = 0; k < placements.size(); ++k) {
    EXPECT_EQ(placements[k].item, items[k]);  // in input order, each with its item
    slots.push_back({placements[k].column, placements[k].columns});
  }
  return slots;
}

Date nine(int minutesAfter) { return at("2026-03-16T09:00:00+01:00").adding(minutesAfter * 60.0); }

TEST(CalendarLayout, AChainOfOverlapsIsOneCluster) {
  // 9:00–10:00, 9:30–10:30, 10:00–11:00: the third takes column 0, free again at 10:00, and
  // joins the cluster since it starts before the cluster's end (10:30).
  EXPECT_EQ(slotsOf({{"a", nine(0), 60}, {"b", nine(30), 60}, {"c", nine(60), 60}}),
            (std::vector<Slot>{{0, 2}, {1, 2}, {0, 2}}));
  // Given in another order, the same places.
  EXPECT_EQ(slotsOf({{"c", nine(60), 60}, {"a", nine(0), 60}, {"b", nine(30), 60}}),
            (std::vector<Slot>{{0, 2}, {0, 2}, {1, 2}}));
  // Touching the cluster's end starts a new cluster, alone in a full-width column.
  EXPECT_EQ(slotsOf({{"a", nine(0), 60}, {"b", nine(30), 60}, {"c", nine(90), 30}}),
            (std::vector<Slot>{{0, 2}, {1, 2}, {0, 1}}));
  // Three at once, then one under the first column freed.
  EXPECT_EQ(
      slotsOf({{"a", nine(0), 120}, {"b", nine(0), 30}, {"c", nine(10), 60}, {"d", nine(40), 10}}),
      (std::vector<Slot>{{1, 3}, {0, 3}, {2, 3}, {0, 3}}));
}

TEST(CalendarLayout, EqualStartsPutTheShorterFirst) {
  EXPECT_EQ(slotsOf({{"long", nine(0), 90}, {"short", nine(0), 30}}),
            (std::vector<Slot>{{1, 2}, {0, 2}}));
  // Same start and length: the input order decides.
  EXPECT_EQ(slotsOf({{"a", nine(0), 30}, {"b", nine(0), 30}}), (std::vector<Slot>{{0, 2}, {1, 2}}));
}

TEST(CalendarLayout, ZeroAndNegativeDurationsAreInstants) {
  // At 9:30, the first column is busy until 10:00: the instant opens a second one.
  EXPECT_EQ(slotsOf({{"a", nine(0), 60}, {"now", nine(30), 0}}),
            (std::vector<Slot>{{0, 2}, {1, 2}}));
  // At 10:00 it is free, and the cluster has ended.
  EXPECT_EQ(slotsOf({{"a", nine(0), 60}, {"now", nine(60), -15}}),
            (std::vector<Slot>{{0, 1}, {0, 1}}));
  // Two instants at the same minute never overlap.
  EXPECT_EQ(slotsOf({{"x", nine(0), 0}, {"y", nine(0), 0}}), (std::vector<Slot>{{0, 1}, {0, 1}}));
  EXPECT_EQ(slotsOf({}), std::vector<Slot>{});
}

TEST(CalendarLayout, LanesOfQuestsFollowTheRealClock) {
  // The night the clocks go forward, 01:30 + 60 minutes is 03:30: a quest at 03:00 overlaps.
  Quest early, late;
  early.id = "early";
  early.startDate = at("2026-03-29T01:30:00+01:00");
  early.durationMin = 60;
  late.id = "late";
  late.startDate = at("2026-03-29T03:00:00+02:00");
  late.durationMin = 30;
  const auto lanes = CalendarLayout::lanes({late, early});
  ASSERT_EQ(lanes.size(), 2u);
  EXPECT_EQ(lanes[0].item.id, "late");
  EXPECT_EQ(lanes[0].column, 1);
  EXPECT_EQ(lanes[1].column, 0);
  EXPECT_EQ(lanes[0].columns, 2);
  EXPECT_DOUBLE_EQ(lanes[0].widthFraction(), 0.5);
  EXPECT_DOUBLE_EQ(lanes[0].xFraction(), 0.5);
  EXPECT_DOUBLE_EQ(lanes[1].xFraction(), 0.0);
}

}  // namespace
}  // namespace talewick
