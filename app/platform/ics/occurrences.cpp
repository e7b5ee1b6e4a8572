#include "platform/ics/occurrences.hpp"

#include <set>
#include <vector>

#include "platform/ics/lines.hpp"
#include "support/text.hpp"

namespace talewick::ics {
namespace {

// Steps of a walk at the most: a rule of every minute over the years a window may span.
constexpr int kMaxSteps = 200000;

bool hasData(const short* by) { return by[0] != ICAL_RECURRENCE_ARRAY_MAX; }

// The start of the second period of `recur` for a series starting at `start`: each period
// starts on its boundary, a minute at :00, a week on WKST, a year on 1 January.
icaltimetype secondPeriodStart(const icalrecurrencetype& recur, icaltimetype start) {
  icaltimetype periodEnd = start;
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
  return icaltime_normalize(periodEnd);
}

}  // namespace

std::optional<icalrecurrencetype> ruleOf(const std::string& value) {
  if (upper(value).find("RSCALE") != std::string::npos) return std::nullopt;
  icalrecurrencetype rule = icalrecurrencetype_from_string(value.c_str());
  if (rule.freq != ICAL_NO_RECURRENCE) return rule;
  // Again with the parts libical knows, leaving out extensions such as X- parts.
  static const std::set<std::string> known{
      "FREQ",  "UNTIL",      "COUNT",     "INTERVAL", "BYSECOND", "BYMINUTE", "BYHOUR",
      "BYDAY", "BYMONTHDAY", "BYYEARDAY", "BYWEEKNO", "BYMONTH",  "BYSETPOS", "WKST"};
  std::string kept;
  for (const std::string& part : split(value, ';')) {
    if (known.count(upper(text::trim(part.substr(0, part.find('=')))))) {
      kept += (kept.empty() ? "" : ";") + part;
    }
  }
  rule = icalrecurrencetype_from_string(kept.c_str());
  if (rule.freq != ICAL_NO_RECURRENCE) return rule;
  return std::nullopt;
}

bool walkRule(const Rule& rule, const Stamp& start, std::optional<Date> from,
              const RuleVisit& visit) {
  icalrecurrencetype recur = rule.recur;
  recur.rscale = rule.rscale.empty() ? nullptr : const_cast<char*>(rule.rscale.c_str());
  const bool byDays = recur.freq >= ICAL_DAILY_RECURRENCE && recur.freq <= ICAL_YEARLY_RECURRENCE &&
                      !hasData(recur.by_hour) && !hasData(recur.by_minute) &&
                      !hasData(recur.by_second);
  const icaltimetype until = recur.until;
  const bool hasUntil = byDays && !icaltime_is_null_time(until);

  icaltimetype first = start.wall;
  if (byDays) {
    recur.until = icaltime_null_time();
    first.is_date = 1;
    first.hour = first.minute = first.second = 0;
    first.zone = nullptr;
  }
  icalrecur_iterator* it = icalrecur_iterator_new(recur, first);
  if (!it) return false;
  if (from && recur.count == 0) {
    icaltimetype skipTo = wallOf(*from, start.clock, start.zone, byDays);
    if (byDays) skipTo.zone = nullptr;
    if (icaltime_compare(skipTo, first) > 0) icalrecur_iterator_set_start(it, skipTo);
  }
  const icaltimetype periodEnd =
      rule.firstPeriodOnly ? secondPeriodStart(recur, start.wall) : icaltime_null_time();
  const bool untilIsInstant = hasUntil && !until.is_date && icaltime_is_utc(until);
  const Date untilInstant = untilIsInstant ? instantOf(until, Clock::utc, utcZone()) : Date{};
  bool ended = false;
  for (int step = 0; step < kMaxSteps && !ended; ++step) {
    const icaltimetype t = icalrecur_iterator_next(it);
    if (icaltime_is_null_time(t)) {
      ended = true;
      break;
    }
    icaltimetype wall = t;
    if (byDays) {
      wall.is_date = start.wall.is_date;
      wall.hour = start.wall.hour;
      wall.minute = start.wall.minute;
      wall.second = start.wall.second;
      wall.zone = start.wall.zone;
    }
    if (rule.firstPeriodOnly && compareCivil(wall, periodEnd, false) >= 0) {
      ended = true;
      break;
    }
    const Date at = instantOf(wall, start.clock, start.zone);
    if (hasUntil &&
        (untilIsInstant ? at > untilInstant : compareCivil(wall, until, until.is_date != 0) > 0)) {
      ended = true;
      break;
    }
    if (from && at < *from) continue;
    ended = !visit(at, wall);
  }
  icalrecur_iterator_free(it);
  return ended;
}

}  // namespace talewick::ics
