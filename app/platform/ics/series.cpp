#include "platform/ics/series.hpp"

#include <algorithm>
#include <utility>

namespace talewick::ics {
namespace {

bool overlaps(Date start, Date end, const Window& w) {
  if (start >= w.end) return false;
  if (end > start) return end > w.start;
  return start >= w.start;  // an instant: inside the window or not
}

bool excluded(const Series& s, Date at, const icaltimetype& wall) {
  if (std::binary_search(s.exdates.begin(), s.exdates.end(), at)) return true;
  for (const icaltimetype& day : s.exdateDays) {
    if (compareCivil(day, wall, true) == 0) return true;
  }
  return false;
}

}  // namespace

Date endOf(const icaltimetype& wall, Clock clock, Date start, int days, double seconds) {
  if (clock != Clock::date) return start.adding(seconds);
  icaltimetype endDay = wall;
  icaltime_adjust(&endDay, days, 0, 0, 0);
  return instantOf(endDay, Clock::date, nullptr).adding(seconds);
}

void expandSeries(const Series& s, const Window& w, std::vector<CalendarEvent>& out) {
  if (!s.hasMaster) {
    for (const Series::Override& o : s.overrides) {
      if (overlaps(o.event.start, o.event.end, w)) out.push_back(o.event);
    }
    return;
  }
  if (!s.recurring()) {
    if (overlaps(s.master.start, s.master.end, w)) {
      out.push_back(s.master);
      out.back().occurrenceDate.reset();
    }
    return;
  }
  // Occurrences starting before the window may still reach into it.
  const Date lower = w.start.adding(-(s.longestSeconds() + 2 * 86400.0));
  std::vector<std::pair<Date, icaltimetype>> starts;
  if (s.master.start >= lower && s.master.start < w.end) {
    starts.emplace_back(s.master.start, s.dtstart.wall);
  }
  for (const Rule& rule : s.rules) {
    walkRule(rule, s.dtstart, lower, [&](Date at, const icaltimetype& wall) {
      if (at >= w.end) return false;
      starts.emplace_back(at, wall);
      return true;
    });
  }
  for (const Stamp& rdate : s.rdates) {
    const Date at = instantOf(rdate);
    if (at >= lower && at < w.end) {
      // An RDATE is read on the series' clock when it is written the same way.
      starts.emplace_back(at, rdate.wall);
    }
  }
  std::sort(starts.begin(), starts.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  starts.erase(std::unique(starts.begin(), starts.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               starts.end());

  auto overrideAt = [&](Date at) {
    auto it =
        std::lower_bound(s.overrides.begin(), s.overrides.end(), at,
                         [](const Series::Override& o, Date d) { return o.recurrenceId < d; });
    return it != s.overrides.end() && it->recurrenceId == at;
  };
  for (const auto& [at, wall] : starts) {
    if (excluded(s, at, wall) || overrideAt(at)) continue;
    const Date end = endOf(wall, s.dtstart.clock, at, s.durationDays, s.durationSeconds);
    if (!overlaps(at, end, w)) continue;
    CalendarEvent& e = out.emplace_back(s.master);
    e.start = at;
    e.end = end;
    e.occurrenceDate = at;
  }
  for (const Series::Override& o : s.overrides) {
    const icaltimetype ridWall = wallOf(o.recurrenceId, s.dtstart.clock, s.dtstart.zone, false);
    if (excluded(s, o.recurrenceId, ridWall)) continue;
    if (overlaps(o.event.start, o.event.end, w)) out.push_back(o.event);
  }
}

}  // namespace talewick::ics
