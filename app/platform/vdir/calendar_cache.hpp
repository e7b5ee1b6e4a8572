// What the calendar folders of a vdir hold, read once and kept: each .ics file parsed by the ics
// reader, keyed by its path, size, modification time and inode, so that a folder that did not
// change costs a few stat calls. Files are parsed on every core the process may use (at most
// four); a window is expanded afresh on the calling thread at each load, so that the memory it
// takes goes back where the next load finds it (memory freed by a worker thread stays in that
// thread's arena).
//
// A file that cannot be read is left alone: one line on standard error the first time it is met.
// A TZID nobody knows is told once, with the first file using it.
//
// Not safe to share between threads: the store serialises its calls.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/calendar_port.hpp"
#include "platform/ics/reader.hpp"
#include "platform/ics/series.hpp"
#include "platform/ics/zones.hpp"

namespace talewick::vdir {

class CalendarCache {
 public:
  // `userAddresses` as ics::normalizedAddress writes them.
  CalendarCache(std::filesystem::path root, std::unordered_set<std::string> userAddresses);

  // Brings the cache up to date with the folders of `calendarIDs`, parsing what changed and,
  // with a window, expanding it; returns the window's occurrences, unsorted.
  std::vector<CalendarEvent> load(const std::vector<std::string>& calendarIDs,
                                  const std::optional<ics::Window>& window);

  // The file and series of a UID.
  struct Located {
    std::string path;
    std::string calendarID;
    std::shared_ptr<const ics::ParsedFile> file;  // keeps `series` alive
    const ics::Series* series = nullptr;
  };
  // The UID's files after a fresh look at every calendar, one per calendar holding it, the first
  // by path first.
  std::vector<Located> locateAll(const std::string& uid);

  // Forgets a file this process just wrote or removed.
  void forget(const std::filesystem::path& path);

 private:
  struct FileKey {
    uintmax_t size = 0;
    int64_t mtimeNs = 0;
    ino_t inode = 0;
    bool operator==(const FileKey&) const = default;
  };
  struct Entry {
    FileKey key;
    std::string calendarID;
    std::shared_ptr<const ics::ParsedFile> parsed;
  };
  static FileKey keyOf(const struct stat& st);

  std::filesystem::path root_;
  std::unordered_set<std::string> userAddresses_;
  ics::ZoneRegistry zones_;             // before the entries: parsed files point into it
  std::map<std::string, Entry> files_;  // by path
  // UID → the paths holding it, by path (the same UID may sit in several calendars).
  std::unordered_map<std::string, std::vector<std::string>> uidPaths_;
  std::string readInZone_;  // the process time zone the files were read in
};

}  // namespace talewick::vdir
