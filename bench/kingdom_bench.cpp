// One kingdom refresh over the kingdom's window (120 days before 2026-12-05 to 121 after,
// Europe/Paris) of a generated vdir folder of 3,000 events, with 200 open reminders:
//
//   python3 bench/gen_vdir.py --seed 20261205 --count 3000 --out DIR
//   TALEWICK_BENCH_VDIR=DIR TZ=Europe/Paris kingdom_bench
//
// The quests are forged once, before timing. The reminders are written as .ics files into a
// temporary folder (removed at the end); the hero, the cloud folder and the kingdom's state files
// live there too.
//
// rebuild:   the refresh that follows a load: every quest placed in its realms, the day's load,
//            candidates and live state, the board judged, the journey resolved.
// reminders: the daemon's answer to a change in the reminders folder: the 200 reminders read
//            from disk, then the same rebuild.
// first_snapshot: the snapshot alone with every quest's words read (the first refresh of a
//            process, before the classifications are cached).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "bench_folder.hpp"
#include "core/calendar_selection.hpp"
#include "core/kingdom_coordinator.hpp"
#include "core/run_loop.hpp"
#include "platform/atomic_file.hpp"
#include "platform/cloud_folder.hpp"
#include "platform/linux_files.hpp"
#include "platform/vdir/calendar_store.hpp"
#include "platform/vdir/reminders_store.hpp"
#include "support/local_calendar.hpp"

namespace {

using namespace talewick;
namespace fs = std::filesystem;

constexpr int kReminders = 200;

std::string gFolder;
fs::path gScratch;
Date gToday;

// 200 to-do items over four lists, due from a month ago to a month ahead (a quarter undated,
// some naming a delivery, a few tracker words), seeded so every run reads the same folder.
void writeReminders(const fs::path& root) {
  std::mt19937 rng(20261205);
  const char* lists[] = {"maison", "travail", "courses", "perso"};
  const char* titles[] = {"Acheter du pain",     "Rendu du rapport", "Appeler la nounou",
                          "Relire le ticket 42", "Payer la cantine", "Préparer la release",
                          "Arroser les plantes", "Réserver le train"};
  for (int i = 0; i < kReminders; ++i) {
    std::string due;
    if (rng() % 4 != 0) {
      const int offset = static_cast<int>(rng() % 61) - 30;
      const Date when = LocalCalendar::addingDays(gToday, offset);
      const LocalCalendar::Fields f = LocalCalendar::fields(when);
      char text[32];
      std::snprintf(text, sizeof text, "DUE;VALUE=DATE:%04d%02d%02d\n", f.year, f.month, f.day);
      due = text;
    }
    const std::string uid = "bench-" + std::to_string(i);
    files::writeAtomically(
        root / lists[i % 4] / (uid + ".ics"),
        "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//bench//FR\nBEGIN:VTODO\nUID:" + uid +
            "\nSUMMARY:" + titles[rng() % 8] + "\n" + due +
            "PRIORITY:" + std::to_string(rng() % 10) + "\nEND:VTODO\nEND:VCALENDAR\n");
  }
}

struct Kingdom {
  VdirCalendarStore calendar{gFolder, {}, false};
  VdirRemindersStore reminders{gScratch / "reminders"};
  bench::NoPreferences prefs;
  CalendarSelection selection{prefs};
  RunLoop loop;
  CloudFolderStore cloud{gScratch / "cloud"};
  HeroStore hero{linuxFiles(), gScratch / HeroStore::FILE_NAME, cloud, loop.main(),
                 loop.serialQueue(HeroStore::CLOUD_QUEUE)};
  QuestStore quests{calendar, selection, prefs, &cloud, loop.main(), [] { return gToday; }, false};
  KingdomCoordinator coordinator{linuxFiles(),         gScratch, quests, &calendar, reminders, hero,
                                 [] { return gToday; }};

  Kingdom() {
    hero.start();
    coordinator.refreshAll(gToday);
  }
};

void publishCounters(benchmark::State& state, const Kingdom& k) {
  const KingdomSnapshot::Snapshot& s = k.coordinator.view()->snapshot;
  size_t placed = 0;
  for (const auto& realm : s.realms) placed += realm.size();
  state.counters["quests"] =
      static_cast<double>(k.quests.quests().size() + k.quests.allDayQuests().size());
  state.counters["placed"] = static_cast<double>(placed);
  state.counters["reminders"] = static_cast<double>(s.realm(KingdomRealm::reminders).size());
}

void rebuild(benchmark::State& state) {
  Kingdom k;
  for (auto _ : state) k.coordinator.rebuildSnapshot();
  publishCounters(state, k);
}
BENCHMARK(rebuild)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void reminders(benchmark::State& state) {
  Kingdom k;
  for (auto _ : state) k.coordinator.refreshAuxiliary({false, false});
  publishCounters(state, k);
}
BENCHMARK(reminders)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void first_snapshot(benchmark::State& state) {
  Kingdom k;
  KingdomSnapshot::Sources sources;
  sources.now = gToday;
  sources.timedQuests = k.quests.quests();
  sources.allDayQuests = k.quests.allDayQuests();
  sources.events = k.quests.rawEvents();
  for (const CalendarInfo& info : k.calendar.calendars()) {
    sources.calendarTitlesByID[info.identifier] = info.title;
  }
  for (auto _ : state) {
    KingdomSnapshot::ClassificationCache fresh;
    benchmark::DoNotOptimize(KingdomSnapshot::build(sources, &fresh));
  }
}
BENCHMARK(first_snapshot)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  const auto folder = bench::benchFolder("kingdom_bench");
  if (!folder) return 2;
  gFolder = *folder;
  gToday = bench::benchToday();
  char scratch[] = "/tmp/kingdom-bench-XXXXXX";
  if (!::mkdtemp(scratch)) {
    std::perror("kingdom_bench: mkdtemp");
    return 1;
  }
  gScratch = scratch;
  writeReminders(gScratch / "reminders");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::error_code ignored;
  fs::remove_all(gScratch, ignored);
  return 0;
}
