#include "platform/vdir/calendar_cache.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>

#include "platform/ics/lines.hpp"
#include "platform/vdir/folder.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::vdir {
namespace {

namespace fs = std::filesystem;

// The whole file `name` of the folder open as `folderFd`.
bool readWhole(int folderFd, const char* name, size_t sizeHint, std::string& out) {
  const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  out.resize(sizeHint + 1);
  size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2 + 4096);
    const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  ::close(fd);
  out.resize(used);
  return true;
}

struct FolderCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};
using FolderPtr = std::unique_ptr<DIR, FolderCloser>;

// How many threads parse: the cores this process may run on, at most four.
unsigned workerCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  int cores = 0;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) cores = CPU_COUNT(&set);
  if (cores <= 0) cores = static_cast<int>(std::thread::hardware_concurrency());
  return static_cast<unsigned>(std::clamp(cores, 1, 4));
}

// Calls work(i) for every i < count on up to workerCount() threads (this one included).
template <class Work>
void forEachInParallel(size_t count, Work&& work) {
  constexpr size_t kItemsPerThread = 32;  // below this a thread costs more than it saves
  const size_t threads =
      std::max<size_t>(1, std::min<size_t>(workerCount(), count / kItemsPerThread));
  std::atomic<size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureMutex;
  auto run = [&] {
    for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
      try {
        work(i);
      } catch (...) {
        std::lock_guard lock(failureMutex);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  for (size_t t = 1; t < threads; ++t) pool.emplace_back(run);
  run();
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
}

// Files met unreadable, once per version: (path, size, modification time).
std::mutex gWarnedMutex;
std::set<std::tuple<std::string, uintmax_t, int64_t>> gWarned;

void warnUnreadable(const std::string& path, uintmax_t size, int64_t mtimeNs) {
  {
    std::lock_guard lock(gWarnedMutex);
    if (!gWarned.emplace(path, size, mtimeNs).second) return;
  }
  std::fprintf(
      stderr, "talewick : %s\n",
      Loc::format(Loc::string("calendar.unreadableFile", "fichier ignoré (illisible) : %@"),
                  {text::terminalSafe(path)})
          .c_str());
}

// TZIDs that name no zone, each told once with the first file met using it: its times are read
// on the local clock, which may place them hours off.
std::set<std::string> gUnknownZones;

void warnUnknownZone(const std::string& tzid, const std::string& path) {
  {
    std::lock_guard lock(gWarnedMutex);
    if (!gUnknownZones.insert(tzid).second) return;
  }
  std::fprintf(
      stderr, "talewick : %s\n",
      Loc::format(Loc::string("calendar.unknownZone",
                              "fuseau horaire inconnu « %@ », heures lues à l'heure locale : %@"),
                  {text::terminalSafe(tzid), text::terminalSafe(path)})
          .c_str());
}

}  // namespace

CalendarCache::FileKey CalendarCache::keyOf(const struct stat& st) {
  return FileKey{static_cast<uintmax_t>(st.st_size),
                 static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
                 st.st_ino};
}

CalendarCache::CalendarCache(fs::path root, std::unordered_set<std::string> userAddresses)
    : root_(std::move(root)), userAddresses_(std::move(userAddresses)) {}

std::vector<CalendarEvent> CalendarCache::load(const std::vector<std::string>& calendarIDs,
                                               const std::optional<ics::Window>& window) {
  struct Job {
    std::string path;
    const std::string* calendarID;
    int folderFd;
    size_t nameOffset;  // the file name within `path`
    FileKey key;
    Entry* entry = nullptr;
    bool parse = false;
  };
  // Floating and all-day times were placed on the process clock: another clock, another read.
  std::string zone = ics::processZoneId();
  if (zone != readInZone_) {
    files_.clear();
    readInZone_ = std::move(zone);
  }
  std::vector<Job> jobs;
  std::vector<FolderPtr> folders;
  std::unordered_set<std::string> scanned(calendarIDs.begin(), calendarIDs.end());
  for (const std::string& id : calendarIDs) {
    const std::string folder = (root_ / id).string() + "/";
    FolderPtr dir(::opendir(folder.c_str()));
    if (!dir) continue;
    const int fd = ::dirfd(dir.get());
    while (const struct dirent* d = ::readdir(dir.get())) {
      const std::string_view name(d->d_name);
      if (isHidden(name) || name.size() < 5 ||
          !ics::equalNoCase(name.substr(name.size() - 4), ".ics")) {
        continue;
      }
      struct stat st {};
      if (::fstatat(fd, d->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
      jobs.push_back({folder + d->d_name, &id, fd, folder.size(), keyOf(st)});
    }
    folders.push_back(std::move(dir));
  }
  std::sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) { return a.path < b.path; });

  // Forget the files that are gone, with their calendar or alone.
  {
    const std::vector<std::string> names = subfolders(root_);
    const std::unordered_set<std::string> calendars(names.begin(), names.end());
    std::unordered_set<std::string_view> present;
    for (const Job& j : jobs) present.insert(j.path);
    for (auto it = files_.begin(); it != files_.end();) {
      const std::string& id = it->second.calendarID;
      if (!calendars.count(id) || (scanned.count(id) && !present.count(it->first))) {
        it = files_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Job& j : jobs) {
    Entry& e = files_[j.path];
    if (!e.parsed || !(e.key == j.key) || e.calendarID != *j.calendarID) {
      e.key = j.key;
      e.calendarID = *j.calendarID;
      e.parsed.reset();
      j.parse = true;
    }
    j.entry = &e;
  }

  std::vector<Job*> work;
  for (Job& j : jobs) {
    if (j.parse) work.push_back(&j);
  }
  if (!work.empty()) ics::prepareBuiltinZones();  // before any thread may fill libical's table
  forEachInParallel(work.size(), [&](size_t i) {
    Job& j = *work[i];
    std::string text;
    const bool read = readWhole(j.folderFd, j.path.c_str() + j.nameOffset, j.key.size, text);
    j.entry->parsed = std::make_shared<const ics::ParsedFile>(
        read ? ics::Reader(zones_, userAddresses_).read(text, *j.calendarID) : ics::ParsedFile{});
  });

  std::vector<CalendarEvent> out;
  for (const Job& j : jobs) {
    const ics::ParsedFile& f = *j.entry->parsed;
    if (!f.ok) {
      if (j.parse) warnUnreadable(j.path, j.key.size, j.key.mtimeNs);
      continue;
    }
    if (j.parse) {
      for (const std::string& tzid : f.unknownZones) warnUnknownZone(tzid, j.path);
    }
    if (window) {
      for (const ics::Series& s : f.series) ics::expandSeries(s, *window, out);
    }
  }
  uidPaths_.clear();
  for (const auto& [path, entry] : files_) {
    if (!entry.parsed || !entry.parsed->ok) continue;
    for (const ics::Series& s : entry.parsed->series) {
      std::vector<std::string>& paths = uidPaths_[s.uid];
      if (paths.empty() || paths.back() != path) paths.push_back(path);
    }
  }
  return out;
}

std::vector<CalendarCache::Located> CalendarCache::locateAll(const std::string& uid) {
  std::vector<Located> out;
  if (uid.empty()) return out;
  load(subfolders(root_), std::nullopt);
  auto it = uidPaths_.find(uid);
  if (it == uidPaths_.end()) return out;
  for (const std::string& path : it->second) {
    const Entry& e = files_.at(path);
    const bool calendarMet = std::any_of(
        out.begin(), out.end(), [&](const Located& l) { return l.calendarID == e.calendarID; });
    if (calendarMet) continue;
    for (const ics::Series& s : e.parsed->series) {
      if (s.uid == uid) {
        out.push_back(Located{path, e.calendarID, e.parsed, &s});
        break;
      }
    }
  }
  return out;
}

void CalendarCache::forget(const fs::path& path) { files_.erase(path.string()); }

}  // namespace talewick::vdir
