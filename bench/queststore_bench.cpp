// The quest store over the kingdom's window (120 days before 2026-12-05 to 121 after,
// Europe/Paris) of a generated vdir folder of 3,000 events:
//
//   python3 bench/gen_vdir.py --seed 20261205 --count 3000 --out DIR
//   TALEWICK_BENCH_VDIR=DIR TZ=Europe/Paris queststore_bench
//
// cold_load: a new calendar store and quest store each iteration (every file parsed and
//            expanded, every occurrence forged);
// warm_reload: the same stores loading the same window again with nothing changed on disk, the
//            daemon's reload after a change notice that touched nothing (file cache and quest
//            cache at work).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench_folder.hpp"
#include "core/calendar_selection.hpp"
#include "core/quest_store.hpp"
#include "platform/vdir/calendar_store.hpp"
#include "support/local_calendar.hpp"

namespace {

using namespace talewick;

std::string gFolder;
Date gToday;

struct Stores {
  VdirCalendarStore calendar{gFolder, {}, false};
  bench::NoPreferences prefs;
  CalendarSelection selection{prefs};
  asio::io_context main;
  QuestStore quests{calendar, selection, prefs, nullptr, main, [] { return gToday; }, false};
  void loadKingdom() { quests.load(QuestStore::kingdomInterval(gToday), "royaume"); }
};

void publishCounters(benchmark::State& state, const QuestStore& store) {
  state.counters["quests"] =
      static_cast<double>(store.quests().size() + store.allDayQuests().size());
}

void cold_load(benchmark::State& state) {
  for (auto _ : state) {
    Stores stores;
    stores.loadKingdom();
    publishCounters(state, stores.quests);
  }
}
BENCHMARK(cold_load)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void warm_reload(benchmark::State& state) {
  Stores stores;
  stores.loadKingdom();
  for (auto _ : state) stores.loadKingdom();
  publishCounters(state, stores.quests);
}
BENCHMARK(warm_reload)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The calendar's part of a warm reload: occurrences read and turned into day events.
void warm_fetch(benchmark::State& state) {
  Stores stores;
  stores.loadKingdom();
  const DateInterval window = QuestStore::kingdomInterval(gToday);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        CalendarAccess::fetchDayEvents(stores.calendar, window.start, window.end, {}));
  }
}
BENCHMARK(warm_fetch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  const auto folder = bench::benchFolder("queststore_bench");
  if (!folder) return 2;
  gFolder = *folder;
  gToday = bench::benchToday();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
