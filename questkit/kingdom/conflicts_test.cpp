// The events a planned slot overlaps.
#include "kingdom/conflicts.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

Date at(const char* text) {
  const auto parsed = iso8601::parse(text);
  EXPECT_TRUE(parsed && parsed->offsetSeconds) << text;
  return iso8601::instant(parsed->civil, parsed->offsetSeconds.value_or(0));
}

DayEvent event(const char* id, const char* start, const char* end, bool allDay = false) {
  DayEvent e;
  e.id = id;
  e.startDate = at(start);
  e.endDate = at(end);
  e.allDay = allDay;
  return e;
}

std::vector<std::string> idsOf(const std::vector<DayEvent>& events) {
  std::vector<std::string> ids;
  for (const DayEvent& e : events) ids.push_back(e.id);
  return ids;
}

TEST(Conflicts, OverlapsButNotTouchesSortedByStart) {
  const std::vector<DayEvent> day{
      event("after", "2026-03-16T11:00:00+01:00", "2026-03-16T12:00:00+01:00"),
      event("inside", "2026-03-16T10:15:00+01:00", "2026-03-16T10:45:00+01:00"),
      event("before", "2026-03-16T09:00:00+01:00", "2026-03-16T10:00:00+01:00"),
      event("overlapsEnd", "2026-03-16T10:59:00+01:00", "2026-03-16T11:30:00+01:00"),
      event("around", "2026-03-16T08:00:00+01:00", "2026-03-16T18:00:00+01:00"),
      event("holiday", "2026-03-16T00:00:00+01:00", "2026-03-17T00:00:00+01:00", true),
      event("alsoInside", "2026-03-16T10:15:00+01:00", "2026-03-16T10:20:00+01:00"),
  };
  const Date ten = at("2026-03-16T10:00:00+01:00");
  EXPECT_EQ(idsOf(Conflicts::overlapping(ten, 60, day)),
            (std::vector<std::string>{"around", "inside", "alsoInside", "overlapsEnd"}));
  EXPECT_TRUE(Conflicts::overlapping(ten, 0, day).empty());
  EXPECT_TRUE(Conflicts::overlapping(ten, -30, day).empty());
  EXPECT_EQ(Conflicts::overlapping(ten, 60, {day[1]}), std::vector<DayEvent>{day[1]});
}

}  // namespace
}  // namespace talewick
