// Where Talewick keeps its files. Every location can be moved with an environment variable, which
// wins over the preference of the same meaning, which wins over the default.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/preferences.hpp"

namespace talewick::paths {

// $TALEWICK_HOME, else $XDG_DATA_HOME/talewick, else ~/.local/share/talewick.
std::filesystem::path dataFolder();

// A folder setting: `environmentVariable` when set and not empty, else the preference `key` when
// it holds a non-empty string (a leading "~/" is the home folder), else nullopt.
std::optional<std::filesystem::path> configured(const char* environmentVariable,
                                                const Preferences& preferences,
                                                const std::string& key);

// The calendar folder ($TALEWICK_CALENDAR_DIR, preference "calendar.vdir", else
// dataFolder()/calendars) and the reminders folder ($TALEWICK_REMINDERS_DIR, preference
// "reminders.vdir", else dataFolder()/reminders). `isDefault` tells whether the default was taken.
struct Folder {
  std::filesystem::path path;
  bool isDefault = false;
};
Folder calendarFolder(const Preferences& preferences);
Folder remindersFolder(const Preferences& preferences);
// The folder standing for the cloud store ($TALEWICK_CLOUD_DIR, preference "cloud.folder", else
// dataFolder()/cloud). Place it inside a synced folder to share the hero between machines.
Folder cloudFolder(const Preferences& preferences);

// Creates a default calendar folder holding one empty writable calendar "Personnel", or a default
// reminders folder holding one empty list "Tâches", when the folder does not exist yet. Returns
// whether it created them. Throws std::filesystem::filesystem_error.
bool createDefaultCalendarFolder(const std::filesystem::path& root);
bool createDefaultRemindersFolder(const std::filesystem::path& root);

}  // namespace talewick::paths
