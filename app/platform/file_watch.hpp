// Change notices for files and folders, through inotify.
//
// A watched file is followed through its folder, by name, so that atomic replacements (a new file
// renamed over the old one) keep being noticed. A watched folder reports every entry that changes
// in it; with `Depth::subfolders` its immediate subfolders are watched too (a vdir root with one
// folder per calendar), including the ones created later. A path that does not exist yet is
// watched through its nearest existing parent, so its creation is noticed as well.
//
// Names starting with "." inside watched folders are ignored: they are the half-written temporary
// files of atomic writers (ours, Syncthing's…), whose rename into place is what counts.
//
// FileWatch is passive: whoever runs the loop polls `fd()` and calls `drain()`, or blocks in
// `waitForChange()`. One thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace talewick {

class FileWatch {
 public:
  enum class Depth { self, subfolders };

  // An empty watch. Throws std::system_error when inotify is unavailable.
  FileWatch();
  // Watches each of `paths` (files or folders, existing or not) with the same depth. Throws
  // std::system_error when inotify is unavailable; a path that cannot be watched (permissions,
  // the system's watch limit) is skipped.
  explicit FileWatch(const std::vector<std::filesystem::path>& paths, Depth depth = Depth::self);
  ~FileWatch();

  FileWatch(FileWatch&& other) noexcept;
  FileWatch& operator=(FileWatch&& other) noexcept;
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // Adds one more path. What already exists under it is not reported as a change.
  void add(const std::filesystem::path& path, Depth depth = Depth::self);

  // Readable when events are pending; -1 once moved from.
  int fd() const { return fd_; }

  // Reads every pending event without blocking; true when one concerned a watched path. Replaces
  // `changedNames()`, `changedPaths()` and `overflowed()`.
  bool drain();

  // Drains, then waits up to `timeout` for a relevant change. False on timeout.
  bool waitForChange(std::chrono::milliseconds timeout);

  // What the last drain saw, sorted and without duplicates. A name is relative to the folder that
  // was asked for: "key" for an entry of a watched folder, "calendar/uid.ics" for an entry of one
  // of its subfolders, the file name for a watched file, the folder name for a watched folder
  // that appeared or vanished.
  const std::vector<std::string>& changedNames() const { return names_; }
  // The same changes as full paths.
  const std::vector<std::filesystem::path>& changedPaths() const { return paths_; }
  // True when the kernel dropped events during the last drain: the names are then incomplete and
  // the caller should rescan everything it watches.
  bool overflowed() const { return overflowed_; }

 private:
  struct Target {
    std::filesystem::path path;
    Depth depth;
    bool present;
  };
  enum class RoleKind {
    folder,   // every entry of the watched folder counts; `name` is the prefix to report
    entry,    // the target itself is the entry `name` of the watched folder
    pathway,  // the entry `name` leads down to a target whose parent does not exist yet
  };
  struct Role {
    std::size_t target;
    RoleKind kind;
    std::filesystem::path folder;  // the watched folder, as reached from the target
    std::string name;
  };
  struct Watch {
    std::vector<Role> roles;  // several targets may share one folder, hence one watch
  };

  // Brings the inotify watches in line with what exists on disk now. Targets before `quietFrom`
  // report the folders and presence changes they gained; the others (just added) stay quiet.
  void rearm(std::size_t quietFrom);
  // Handles one event; sets `needRearm` when the watched structure may have changed.
  void handle(int wd, std::uint32_t mask, const std::string& name, bool& needRearm);
  // Records a relevant change of `name` in `folder`, reported as `prefix` + `name`.
  void note(const std::filesystem::path& folder, const std::string& prefix,
            const std::string& name);
  void close();

  int fd_ = -1;
  std::vector<Target> targets_;
  std::unordered_map<int, Watch> watches_;
  // Gathered by events and re-arming, published by the next drain.
  bool pendingRelevant_ = false;
  bool pendingOverflow_ = false;
  std::vector<std::string> pendingNames_;
  std::vector<std::filesystem::path> pendingPaths_;
  // What the last drain published.
  bool overflowed_ = false;
  std::vector<std::string> names_;
  std::vector<std::filesystem::path> paths_;
};

}  // namespace talewick
