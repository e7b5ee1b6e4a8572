#include "platform/ics/occurrences.hpp"

#include <algorithm>
#include <utility>

namespace talewick::ics {
namespace {

bool overlaps(Date start, Date end, const Window& w) {
  if (start >= w.end) return false;
  if (end > start) return end > w.start;
  return start >= w.start;  // an instant: inside the window or not
}

bool hasData(const short* by) { return by[0] != ICAL_RECURRENCE_ARRAY_MAX; }

// Appends the starts (instant, wall time) that `rule` gives in [lower, upper), in order.
//
// Rules of whole days (DAILY and coarser, no BYHOUR, BYMINUTE or BYSECOND) are iterated over
// dates and the time of DTSTART is put back on each: libical's iterator keeps the shift of a time
// that fell into a daylight-saving gap for every later occurrence otherwise. UNTIL is then
// checked here, against the real instants.
void expandRule(const Series& s, const Rule& rule, Date lower, Date upper,
                std::vector<std::pair<Date, icaltimetype>>& out) {
  constexpr int kMaxSteps = 200000;
  icalrecurrencetype recur = rule.recur;
  recur.rscale = rule.rscale.empty() ? nullptr : const_cast<char*>(rule.rscale.c_str());
  const Stamp& d0 = s.dtstart;
  const bool byDays = recur.freq >= ICAL_DAILY_RECURRENCE && recur.freq <= ICAL_YEARLY_RECURRENCE &&
                      !hasData(recur.by_hour) && !hasData(recur.by_minute) &&
                      !hasData(recur.by_second);
  const icaltimetype until = recur.until;
  const bool hasUntil = byDays && !icaltime_is_null_time(until);

  icaltimetype first = d0.wall;
  if (byDays) {
    recur.until = icaltime_null_time();
    first.is_date = 1;
    first.hour = first.minute = first.second = 0;
    first.zone = nullptr;
  }
  icalrecur_iterator* it = icalrecur_iterator_new(recur, first);
  if (!it) return;
  if (recur.count == 0) {
    icaltimetype from = wallOf(lower, d0.clock, d0.zone, byDays);
    if (byDays) from.zone = nullptr;
    if (icaltime_compare(from, first) > 0) icalrecur_iterator_set_start(it, from);
  }
  // A rule limited to its first period: the start of its second one.
  icaltimetype periodEnd = d0.wall;
  if (rule.firstPeriodOnly) {
    // Each period starts on its boundary: a minute at :00, a week on WKST, a year on 1 January.
    periodEnd.is_date = 0;
    periodEnd.zone = nullptr;
    const int freq = recur.freq;
    if (freq >= ICAL_MINUTELY_RECURRENCE) periodEnd.second = 0;
    if (freq >= ICAL_HOURLY_RECURRENCE) periodEnd.minute = 0;
    if (freq >= ICAL_DAILY_RECURRENCE) periodEnd.hour = 0;
    if (freq >= ICAL_MONTHLY_RECURRENCE) periodEnd.day = 1;
    if (freq >= ICAL_YEARLY_RECURRENCE) periodEnd.month = 1;
    switch (recur.freq) {
      case ICAL_SECONDLY_RECURRENCE:
        periodEnd.second += 1;
        break;
      case ICAL_MINUTELY_RECURRENCE:
        periodEnd.minute += 1;
        break;
      case ICAL_HOURLY_RECURRENCE:
        periodEnd.hour += 1;
        break;
      case ICAL_DAILY_RECURRENCE:
        periodEnd.day += 1;
        break;
      case ICAL_WEEKLY_RECURRENCE: {
        const int weekStart =
            recur.week_start == ICAL_NO_WEEKDAY ? ICAL_MONDAY_WEEKDAY : recur.week_start;
        const int ahead = (weekStart - icaltime_day_of_week(periodEnd) + 7) % 7;
        periodEnd.day += ahead == 0 ? 7 : ahead;
        break;
      }
      case ICAL_MONTHLY_RECURRENCE:
        periodEnd.month += 1;
        break;
      default:
        periodEnd.year += 1;
        break;
    }
    periodEnd = icaltime_normalize(periodEnd);
  }
  const bool untilIsInstant = hasUntil && !until.is_date && icaltime_is_utc(until);
  const Date untilInstant = untilIsInstant ? instantOf(until, Clock::utc, utcZone()) : Date{};
  for (int step = 0; step < kMaxSteps; ++step) {
    const icaltimetype t = icalrecur_iterator_next(it);
    if (icaltime_is_null_time(t)) break;
    icaltimetype wall = t;
    if (byDays) {
      wall.is_date = d0.wall.is_date;
      wall.hour = d0.wall.hour;
      wall.minute = d0.wall.minute;
      wall.second = d0.wall.second;
      wall.zone = d0.wall.zone;
    }
    if (rule.firstPeriodOnly && compareCivil(wall, periodEnd, false) >= 0) break;
    const Date at = instantOf(wall, d0.clock, d0.zone);
    if (hasUntil) {
      const bool past =
          untilIsInstant ? at > untilInstant : compareCivil(wall, until, until.is_date != 0) > 0;
      if (past) break;
    }
    if (at >= upper) break;
    if (at >= lower) out.emplace_back(at, wall);
  }
  icalrecur_iterator_free(it);
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
  for (const Rule& rule : s.rules) expandRule(s, rule, lower, w.end, starts);
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
