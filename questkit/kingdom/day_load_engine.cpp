#include "kingdom/day_load_engine.hpp"

#include <algorithm>
#include <cmath>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"

namespace talewick::DayLoadEngine {
namespace {

constexpr double kShortNightHours = 6.0;

struct Span {
  double start;  // seconds since 2001
  double end;
};

int64_t minutes(double seconds) { return static_cast<int64_t>(std::llround(seconds / 60.0)); }

// The instant of `hour` o'clock on the local day starting at `midnight` (24 is the next midnight).
Date atHour(Date midnight, int64_t hour) {
  if (hour >= 24) return LocalCalendar::startOfDay(LocalCalendar::addingDays(midnight, 1));
  const auto f = LocalCalendar::fields(midnight);
  const auto at = LocalCalendar::dateFrom(CivilTime{f.year, f.month, f.day, int(hour), 0, 0});
  return at.value_or(midnight.adding(double(hour) * 3600));
}

// The events' time inside the window, sorted and with overlaps merged.
std::vector<Span> busyBlocks(const std::vector<DayEvent>& events, Span window) {
  std::vector<Span> spans;
  for (const DayEvent& e : events) {
    if (e.allDay) continue;
    const double start = std::max(e.startDate.seconds, window.start);
    const double end = std::min(e.endDate.seconds, window.end);
    if (end > start) spans.push_back({start, end});
  }
  std::sort(spans.begin(), spans.end(), [](Span a, Span b) { return a.start < b.start; });
  std::vector<Span> merged;
  for (Span s : spans) {
    if (!merged.empty() && s.start <= merged.back().end) {
      merged.back().end = std::max(merged.back().end, s.end);
    } else {
      merged.push_back(s);
    }
  }
  return merged;
}

}  // namespace

std::string verdict(LoadTier tier) {
  switch (tier) {
    case LoadTier::patrouille:
      return Loc::string("dayload.verdict.patrouille",
                         "Journée de patrouille — du temps pour souffler.");
    case LoadTier::remplie:
      return Loc::string("dayload.verdict.remplie", "Journée bien remplie.");
    case LoadTier::siege:
      return Loc::string("dayload.verdict.siege",
                         "Journée de siège ⚔️ — combats enchaînés.");
  }
  return {};
}

DayLoad compute(const std::vector<DayEvent>& events, Date day, Date now,
                std::optional<double> sleepHours, const DayLoadConfig& config) {
  const int64_t startHour = std::clamp<int64_t>(config.dayStartHour, 0, 23);
  const int64_t endHour = std::clamp<int64_t>(config.dayEndHour, startHour + 1, 24);
  const double chainGap = double(std::max<int64_t>(config.backToBackGapMin, 0)) * 60;
  const Date midnight = LocalCalendar::startOfDay(day);
  const Span window{atHour(midnight, startHour).seconds, atHour(midnight, endHour).seconds};
  const std::vector<Span> blocks = busyBlocks(events, window);

  DayLoad load;
  double busy = 0;
  for (Span b : blocks) busy += b.end - b.start;
  load.busyMinutes = minutes(busy);
  load.windowMinutes = minutes(window.end - window.start);
  load.loadRatio =
      load.windowMinutes > 0 ? double(load.busyMinutes) / double(load.windowMinutes) : 0;

  // Chains: blocks joined across breaks shorter than the back-to-back gap.
  double longestChain = 0;
  for (size_t i = 0; i < blocks.size();) {
    const double chainStart = blocks[i].start;
    double chainEnd = blocks[i].end;
    for (++i; i < blocks.size() && blocks[i].start - chainEnd < chainGap; ++i) {
      chainEnd = blocks[i].end;
    }
    longestChain = std::max(longestChain, chainEnd - chainStart);
  }
  load.longestChainMinutes = minutes(longestChain);

  // Free stretches: before the first block, between blocks, after the last one.
  double largestGap = 0;
  double cursor = window.start;
  auto freeStretch = [&](double until) {
    const double length = until - cursor;
    if (length <= 0) return;
    largestGap = std::max(largestGap, length);
    if (length >= chainGap) ++load.gapCount;
  };
  for (Span b : blocks) {
    freeStretch(b.start);
    cursor = b.end;
  }
  freeStretch(window.end);
  load.largestGapMinutes = minutes(largestGap);

  if (load.loadRatio >= config.siegeThreshold) {
    load.tier = LoadTier::siege;
  } else if (load.loadRatio >= config.busyThreshold) {
    load.tier = LoadTier::remplie;
  }
  load.verdict = verdict(load.tier);

  const bool dayIsToday = LocalCalendar::dayKey(day) == LocalCalendar::dayKey(now);
  const bool shortNight =
      dayIsToday && sleepHours && std::isfinite(*sleepHours) && *sleepHours < kShortNightHours;
  if (load.tier == LoadTier::siege && shortNight) {
    load.advice = Loc::string("dayload.advice.shortNight",
                              "Nuit courte + journée chargée : risque d'épuisement, protège un "
                              "répit.");
  } else if (load.largestGapMinutes < config.minRepitMinutes) {
    load.advice =
        Loc::string("dayload.advice.noRespite",
                    "Aucun vrai répit aujourd'hui : ton second souffle ne se rechargera pas.");
  }
  return load;
}

}  // namespace talewick::DayLoadEngine

namespace talewick {

void to_json(Json& j, const DayLoad& v) {
  using json_coding::Field;
  json_coding::writeFields(
      j, v,
      std::tuple{Field{"busyMinutes", &DayLoad::busyMinutes},
                 Field{"windowMinutes", &DayLoad::windowMinutes},
                 Field{"loadRatio", &DayLoad::loadRatio}, Field{"tier", &DayLoad::tier},
                 Field{"longestChainMinutes", &DayLoad::longestChainMinutes},
                 Field{"largestGapMinutes", &DayLoad::largestGapMinutes},
                 Field{"gapCount", &DayLoad::gapCount}, Field{"verdict", &DayLoad::verdict},
                 Field{"advice", &DayLoad::advice}});
}

}  // namespace talewick
