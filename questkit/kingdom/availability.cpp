#include "kingdom/availability.hpp"

#include <algorithm>
#include <cmath>

#include "support/local_calendar.hpp"

namespace talewick {

using json_coding::Field;

static const auto kConfigFields =
    std::tuple{Field{"slotMinutes", &AvailabilityConfig::slotMinutes},
               Field{"dayStartHour", &AvailabilityConfig::dayStartHour},
               Field{"dayEndHour", &AvailabilityConfig::dayEndHour},
               Field{"stepMinutes", &AvailabilityConfig::stepMinutes},
               Field{"breakMinutes", &AvailabilityConfig::breakMinutes},
               Field{"weekdaysOnly", &AvailabilityConfig::weekdaysOnly},
               Field{"horizonDays", &AvailabilityConfig::horizonDays}};
TALEWICK_JSON_CODING(AvailabilityConfig, kConfigFields)

namespace Availability {
namespace {

// Beyond about the year 10000 either way there are no calendar days to search.
constexpr double MAX_SECONDS = 2.5e11;

// The busy intervals, each with its break, merged into disjoint intervals by start.
std::vector<DateInterval> blocked(const std::vector<DateInterval>& busy, double breakSeconds) {
  std::vector<DateInterval> spans;
  spans.reserve(busy.size());
  for (const DateInterval& b : busy) {
    spans.push_back({b.start, std::max(b.end, b.start).adding(breakSeconds)});
  }
  std::sort(spans.begin(), spans.end(),
            [](const DateInterval& a, const DateInterval& b) { return a.start < b.start; });
  std::vector<DateInterval> merged;
  for (const DateInterval& s : spans) {
    if (!merged.empty() && s.start <= merged.back().end) {
      merged.back().end = std::max(merged.back().end, s.end);
    } else {
      merged.push_back(s);
    }
  }
  return merged;
}

std::optional<Date> localTime(int64_t dayNumber, int64_t hour) {
  const CivilFields c = civilFromUnix(static_cast<double>(dayNumber) * 86400.0, 0);
  return LocalCalendar::dateFrom(CivilTime{c.year, c.month, c.day, static_cast<int>(hour), 0, 0});
}

bool isWeekend(int64_t dayNumber) {
  const int weekday = civilFromUnix(static_cast<double>(dayNumber) * 86400.0, 0).weekday;
  return weekday == 1 || weekday == 7;  // Sunday, Saturday
}

}  // namespace

std::vector<DateInterval> openSlots(const std::vector<DateInterval>& busy, Date from,
                                    const AvailabilityConfig& config) {
  if (config.slotMinutes <= 0 || config.stepMinutes <= 0 ||
      !(std::fabs(from.seconds) < MAX_SECONDS))
    return {};
  const int64_t startHour = std::clamp<int64_t>(config.dayStartHour, 0, 24);
  const int64_t endHour = std::clamp<int64_t>(config.dayEndHour, 0, 24);
  const int64_t days = std::clamp<int64_t>(config.horizonDays, 0, MAX_HORIZON_DAYS);
  const double slot = static_cast<double>(config.slotMinutes) * 60.0;
  const double step = static_cast<double>(config.stepMinutes) * 60.0;
  const std::vector<DateInterval> taken =
      blocked(busy, static_cast<double>(std::max<int64_t>(config.breakMinutes, 0)) * 60.0);

  const LocalCalendar::Fields first = LocalCalendar::fields(from);
  const int64_t firstDay = daysFromCivil(first.year, first.month, first.day);
  std::vector<DateInterval> open;
  auto next = taken.begin();  // the first blocked interval that may still touch a slot
  for (int64_t day = firstDay; day < firstDay + days; ++day) {
    if (config.weekdaysOnly && isWeekend(day)) continue;
    const std::optional<Date> windowStart = localTime(day, startHour);
    const std::optional<Date> windowEnd = localTime(day, endHour);
    if (!windowStart || !windowEnd) continue;
    for (Date start = *windowStart; start.adding(slot) <= *windowEnd; start = start.adding(step)) {
      if (start < from) continue;
      const DateInterval candidate{start, start.adding(slot)};
      while (next != taken.end() && next->end <= candidate.start) ++next;
      if (next != taken.end() && next->start < candidate.end) continue;
      open.push_back(candidate);
    }
  }
  return open;
}

}  // namespace Availability
}  // namespace talewick
