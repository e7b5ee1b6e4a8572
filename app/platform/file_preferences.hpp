// Preferences kept in one JSON object file (key → value), usually defaults.json.
//
// The file is read at construction. A missing file holds no preferences. A damaged one (not JSON,
// or not an object) or one that cannot be read (no permission) reads as empty and is reported
// once on the diagnostics stream; it is never written over: set() and remove() refuse until the
// user repairs or removes it, because it holds settings (the calendar folder, the user's
// addresses, the hidden calendars) that a rewrite from the empty reading would lose. Every write
// replaces the file atomically, with mode 0600.
//
// Other processes may write the same file. FilePreferences stays passive: whoever runs the loop
// watches `path()` (see FileWatch) and calls `reloadIfChanged()`, which announces the changed keys
// to the observers. Not thread-safe: one thread at a time, observers included.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/file_port.hpp"
#include "core/preferences.hpp"
#include "platform/linux_files.hpp"

namespace talewick {

// Where the program keeps its preferences: $TALEWICK_HOME/defaults.json when TALEWICK_HOME is set,
// else $XDG_CONFIG_HOME/talewick/defaults.json, else ~/.config/talewick/defaults.json.
std::filesystem::path defaultPreferencesPath();

class FilePreferences : public Preferences {
 public:
  // Loads `path` at once through `files`; the damaged-file notice goes to `diagnostics`.
  explicit FilePreferences(std::filesystem::path path, std::ostream& diagnostics = std::cerr,
                           FilePort& files = linuxFiles());

  std::optional<Json> value(const std::string& key) const override;
  // Both take in what another process wrote meanwhile, so its keys survive our write. One that
  // changes nothing writes nothing. They throw FileError when the file cannot be written, or is
  // damaged or unreadable, and then change nothing.
  void set(const std::string& key, Json value) override;
  void remove(const std::string& key) override;

  const std::filesystem::path& path() const { return path_; }

  // Re-reads the file only when it may differ from the one last read (inode, size, modification
  // time; a file modified in the last two seconds is always read). True when keys changed;
  // observers have then been told.
  bool reloadIfChanged();
  // Re-reads the file; returns the keys added, removed or given another value (sorted) and
  // announces them to the observers when there are any. A file damaged by another process leaves
  // the values as they were: an editor may be half-way through saving it.
  std::vector<std::string> reload();

 private:
  struct Stamp {
    bool exists = false;
    std::uintmax_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp stampNow() const;
  void write(const Json& document);

  std::filesystem::path path_;
  std::ostream* diagnostics_;
  FilePort* files_;
  Json values_ = Json::object();
  std::optional<Stamp> seen_;  // the file as last read; unknown when it cannot be trusted
  // Why the file as last read cannot be replaced (damaged or unreadable; reported once).
  std::optional<std::string> damage_;
};

}  // namespace talewick
