// Reading a 241-day window, [2026-08-07 00:00, 2027-04-05 00:00) Europe/Paris, from a vdir
// folder of 3,000 events, through the vdir calendar store:
//
//   python3 bench/gen_vdir.py --seed 20261205 --count 3000 --out DIR
//   TALEWICK_BENCH_VDIR=DIR calendar_bench [--benchmark_...]
//
// cold: a new store each iteration (every file read, parsed and expanded);
// warm: the same store again (nothing changed on disk, so nothing is parsed; the window is
// expanded afresh).
// The "occurrences" counter must equal the count in DIR.manifest.json, which the generator
// computed on its own; a difference is printed loudly and labels the result.
// Times are wall-clock: the store parses on every core it may use (`taskset -c 0` for one).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/vdir/calendar_store.hpp"
#include "support/local_calendar.hpp"

namespace {

using talewick::CalendarEvent;
using talewick::Date;
using talewick::VdirCalendarStore;

struct Setup {
  std::string folder;
  Date start, end;
  std::optional<long> expected;  // from the manifest
};

Setup gSetup;

Date parisMidnight(int year, int month, int day) {
  return *talewick::LocalCalendar::dateFrom(talewick::CivilTime{year, month, day, 0, 0, 0});
}

std::optional<long> manifestCount(const std::string& folder) {
  std::string base = folder;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::ifstream in(base + ".manifest.json");
  if (!in) {
    std::fprintf(stderr, "calendar_bench: no manifest at %s.manifest.json, count unchecked\n",
                 base.c_str());
    return std::nullopt;
  }
  try {
    const nlohmann::json manifest = nlohmann::json::parse(in);
    return manifest.at("expected_occurrences_in_window").at("total").get<long>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "calendar_bench: unreadable manifest (%s), count unchecked\n", e.what());
    return std::nullopt;
  }
}

size_t loadWindow(VdirCalendarStore& store) {
  const std::vector<CalendarEvent> events =
      store.events(store.predicateForEvents(gSetup.start, gSetup.end, std::nullopt));
  benchmark::DoNotOptimize(events.data());
  return events.size();
}

void report(benchmark::State& state, const char* name, size_t count) {
  state.counters["occurrences"] = static_cast<double>(count);
  if (!gSetup.expected) return;
  state.counters["expected"] = static_cast<double>(*gSetup.expected);
  if (static_cast<long>(count) == *gSetup.expected) {
    state.SetLabel("count matches manifest");
    return;
  }
  state.SetLabel("COUNT MISMATCH");
  std::fprintf(stderr,
               "\n!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n"
               "!!! %s: %zu occurrences, the manifest expects %ld\n"
               "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n\n",
               name, count, *gSetup.expected);
}

void coldWindow(benchmark::State& state) {
  size_t count = 0;
  for (auto _ : state) {
    VdirCalendarStore store(gSetup.folder, {}, false);
    count = loadWindow(store);
  }
  report(state, "cold", count);
}

void warmWindow(benchmark::State& state) {
  VdirCalendarStore store(gSetup.folder, {}, false);
  size_t count = loadWindow(store);  // fills the cache, untimed
  for (auto _ : state) count = loadWindow(store);
  report(state, "warm", count);
}

}  // namespace

int main(int argc, char** argv) {
  // The window and the manifest are Paris days; floating and all-day times follow the zone.
  ::setenv("TZ", "Europe/Paris", 1);
  ::tzset();
  talewick::LocalCalendar::setTimeZone("Europe/Paris");

  benchmark::Initialize(&argc, argv);
  const char* folder = std::getenv("TALEWICK_BENCH_VDIR");
  if (!folder || !*folder) {
    std::fprintf(stderr,
                 "calendar_bench: skipped, TALEWICK_BENCH_VDIR is not set. Make the folder with\n"
                 "  python3 bench/gen_vdir.py --seed 20261205 --count 3000 --out DIR\n"
                 "and run TALEWICK_BENCH_VDIR=DIR calendar_bench\n");
    return 0;
  }
  gSetup =
      Setup{folder, parisMidnight(2026, 8, 7), parisMidnight(2027, 4, 5), manifestCount(folder)};

  benchmark::RegisterBenchmark("calendar_window/cold", coldWindow)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("calendar_window/warm", warmWindow)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
