// Reading the task lines of a notes folder: 2,000 file texts holding 20,000 task lines among
// headings, prose and lists, held in memory, then written to a temporary folder and scanned by
// the vault store over the Linux folder — cold, and again after one file changed (listed again,
// or named by a watch).
//
//   vault_bench [--benchmark_...]
//
// Task lines carry what people write: due days, repeating rules, stars, ticked boxes with their
// stamps, indentation; a third of the files have CRLF endings. The texts depend only on the seed.
// Dates are read in the process time zone: run with the same TZ to compare numbers.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/vault_store.hpp"
#include "platform/atomic_file.hpp"
#include "platform/vault_folder.hpp"
#include "text/vault_tasks.hpp"

namespace {

constexpr size_t FILES = 2000;
constexpr size_t TASKS_PER_FILE = 10;

struct Draw {
  std::mt19937_64 rng{20260320};
  size_t below(size_t n) { return static_cast<size_t>(rng() % n); }
  template <class T, size_t N>
  const T& among(const std::array<T, N>& items) {
    return items[below(N)];
  }
};

constexpr std::array<std::string_view, 12> kWords{
    "Acheter du pain",          "Rappeler le pédiatre",     "Sortir les poubelles",
    "Payer la cantine",         "Réviser la dictée de Léo", "Arroser les plantes 🌱",
    "Préparer le sac de sport", "Lire 20 minutes",          "Ranger la chambre",
    "Vider le lave-vaisselle",  "Signer le carnet",         "Appeler Mamie"};
constexpr std::array<std::string_view, 5> kRules{"every day", "every week", "every 2 weeks",
                                                 "every month", "every 3 days"};
constexpr std::array<std::string_view, 6> kProse{
    "# Semaine du 16 mars",
    "Penser à demander à l'école pour la sortie de vendredi, et au club pour les horaires.",
    "- une liste sans case",
    "",
    "> Citation : « Un peu chaque jour. »",
    "## Maison"};

std::string day(Draw& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "2026-%02zu-%02zu", 1 + d.below(12), 1 + d.below(28));
  return buf;
}

std::string taskLine(Draw& d) {
  std::string line(d.below(4) == 0 ? "  " : "");
  const bool done = d.below(5) == 0;
  line += std::string(d.below(3) == 0 ? "* [" : "- [") + (done ? "x" : " ") + "] ";
  line += d.among(kWords);
  if (d.below(2) == 0) line += " 📅 " + day(d);
  if (d.below(4) == 0) line += " 🔁 " + std::string(d.among(kRules));
  if (d.below(3) == 0) line += " ⭐ " + std::to_string(1 + d.below(20));
  if (done) line += " ✅ " + day(d);
  return line;
}

std::vector<std::string> folder() {
  Draw d;
  std::vector<std::string> files;
  files.reserve(FILES);
  for (size_t f = 0; f < FILES; ++f) {
    const std::string_view ending = f % 3 == 0 ? "\r\n" : "\n";
    std::string text;
    for (size_t t = 0; t < TASKS_PER_FILE; ++t) {
      for (size_t p = d.below(3); p > 0; --p) (text += d.among(kProse)) += ending;
      (text += taskLine(d)) += ending;
    }
    if (f % 7 == 0) text.resize(text.size() - ending.size());  // no final line feed
    files.push_back(std::move(text));
  }
  return files;
}

const std::vector<std::string>& theFolder() {
  static const std::vector<std::string> files = folder();
  return files;
}

void report(benchmark::State& state, size_t tasks) {
  if (tasks != FILES * TASKS_PER_FILE) state.SkipWithError("not every task line was read");
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tasks));
  state.counters["tasks"] = static_cast<double>(tasks);
}

// The records alone.
void BM_ParseFiles(benchmark::State& state) {
  const auto& files = theFolder();
  size_t tasks = 0;
  for (auto _ : state) {
    tasks = 0;
    for (const std::string& text : files) tasks += talewick::VaultTasks::parseFile(text).size();
    benchmark::DoNotOptimize(tasks);
  }
  report(state, tasks);
}
BENCHMARK(BM_ParseFiles)->Unit(benchmark::kMillisecond);

// With each task's line number and name, as a scan of the folder needs them.
void BM_TasksOfFiles(benchmark::State& state) {
  const auto& files = theFolder();
  size_t tasks = 0;
  for (auto _ : state) {
    tasks = 0;
    for (size_t f = 0; f < files.size(); ++f) {
      tasks +=
          talewick::VaultTasks::tasksOfFile(files[f], "notes/" + std::to_string(f) + ".md").size();
    }
    benchmark::DoNotOptimize(tasks);
  }
  report(state, tasks);
}
BENCHMARK(BM_TasksOfFiles)->Unit(benchmark::kMillisecond);

// The same texts as files of a temporary folder, in 20 subfolders; removed at exit.
class FolderOnDisk {
 public:
  FolderOnDisk() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vault_bench.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
    const auto& files = theFolder();
    for (size_t f = 0; f < files.size(); ++f) {
      talewick::files::writeAtomically(root_ / relative(f), files[f]);
    }
  }
  ~FolderOnDisk() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  static std::string relative(size_t f) {
    return "notes " + std::to_string(f % 20) + "/" + std::to_string(f) + ".md";
  }
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
};

const FolderOnDisk& theFolderOnDisk() {
  static const FolderOnDisk folder;
  return folder;
}

// The one preference the store reads: where the folder is.
class FolderPreference : public talewick::Preferences {
 public:
  explicit FolderPreference(const std::filesystem::path& root) {
    values_[talewick::VaultStore::FOLDER_KEY] = root.string();
  }
  std::optional<talewick::Json> value(const std::string& key) const override {
    auto it = values_.find(key);
    return it == values_.end() ? std::nullopt : std::optional(it->second);
  }
  void set(const std::string& key, talewick::Json v) override { values_[key] = std::move(v); }
  void remove(const std::string& key) override { values_.erase(key); }

 private:
  std::map<std::string, talewick::Json> values_;
};

void reportScan(benchmark::State& state, const talewick::VaultStore& store) {
  if (store.result().pending == 0) state.SkipWithError("no open task was read");
  state.counters["open"] = static_cast<double>(store.result().pending);
}

// Every file listed, read and parsed: the first scan after the program starts.
void BM_ScanFolderCold(benchmark::State& state) {
  const FolderOnDisk& disk = theFolderOnDisk();
  talewick::VaultFolder folder;
  FolderPreference preferences(disk.root());
  std::optional<talewick::VaultStore> store;
  for (auto _ : state) {
    store.emplace(folder, preferences);
    benchmark::DoNotOptimize(store->scan().pending);
  }
  reportScan(state, *store);
}
BENCHMARK(BM_ScanFolderCold)->Unit(benchmark::kMillisecond);

// The folder listed again and the one file that changed read again, as after an editor's save.
void BM_RescanAfterOneChange(benchmark::State& state) {
  const FolderOnDisk& disk = theFolderOnDisk();
  talewick::VaultFolder folder;
  FolderPreference preferences(disk.root());
  talewick::VaultStore store(folder, preferences);
  store.scan();
  const std::string changed = FolderOnDisk::relative(7);
  std::string text = theFolder()[7];
  for (auto _ : state) {
    state.PauseTiming();
    text += "- [ ] Une tâche de plus\n";  // a new size, whatever the clock's step
    talewick::files::writeAtomically(disk.root() / changed, text);
    state.ResumeTiming();
    benchmark::DoNotOptimize(store.scan().pending);
  }
  reportScan(state, store);
}
BENCHMARK(BM_RescanAfterOneChange)->Unit(benchmark::kMillisecond);

// The same change named by a watch (the daemon's inotify): only that file is looked at.
void BM_RescanNamedChange(benchmark::State& state) {
  const FolderOnDisk& disk = theFolderOnDisk();
  talewick::VaultFolder folder;
  FolderPreference preferences(disk.root());
  talewick::VaultStore store(folder, preferences);
  store.followWatch();
  store.scan();
  const std::string changed = FolderOnDisk::relative(7);
  std::string text = theFolder()[7];
  for (auto _ : state) {
    state.PauseTiming();
    text += "- [ ] Une tâche de plus\n";
    talewick::files::writeAtomically(disk.root() / changed, text);
    state.ResumeTiming();
    store.filesChanged({changed});
    benchmark::DoNotOptimize(store.scan().pending);
  }
  reportScan(state, store);
}
BENCHMARK(BM_RescanNamedChange)->Unit(benchmark::kMillisecond);

// The listing alone (every file's size and time): the floor under any rescan.
void BM_ListFolder(benchmark::State& state) {
  const FolderOnDisk& disk = theFolderOnDisk();
  talewick::VaultFolder folder;
  size_t files = 0;
  for (auto _ : state) {
    files = folder.list(disk.root(), "").files.size();
    benchmark::DoNotOptimize(files);
  }
  if (files != FILES) state.SkipWithError("not every file was listed");
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
