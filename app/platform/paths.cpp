#include "platform/paths.hpp"

#include <cstdlib>

#include "platform/atomic_file.hpp"

namespace talewick::paths {
namespace {

std::optional<std::string> environment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

std::filesystem::path home() { return environment("HOME").value_or("/"); }

std::filesystem::path expandHome(const std::string& path) {
  if (path == "~") return home();
  if (path.starts_with("~/")) return home() / path.substr(2);
  return path;
}

bool createCollection(const std::filesystem::path& root, const std::string& folder,
                      const std::string& displayName) {
  if (std::filesystem::exists(root)) return false;
  std::filesystem::create_directories(root / folder);
  files::writeAtomically(root / folder / "displayname", displayName + "\n");
  return true;
}

}  // namespace

std::filesystem::path dataFolder() {
  if (auto home = environment("TALEWICK_HOME")) return *home;
  if (auto xdg = environment("XDG_DATA_HOME")) return std::filesystem::path(*xdg) / "talewick";
  return home() / ".local" / "share" / "talewick";
}

std::optional<std::filesystem::path> configured(const char* environmentVariable,
                                                const Preferences& preferences,
                                                const std::string& key) {
  if (auto value = environment(environmentVariable)) return expandHome(*value);
  if (auto value = preferences.string(key); value && !value->empty()) return expandHome(*value);
  return std::nullopt;
}

Folder calendarFolder(const Preferences& preferences) {
  if (auto path = configured("TALEWICK_CALENDAR_DIR", preferences, "calendar.vdir")) {
    return {*path, false};
  }
  return {dataFolder() / "calendars", true};
}

Folder remindersFolder(const Preferences& preferences) {
  if (auto path = configured("TALEWICK_REMINDERS_DIR", preferences, "reminders.vdir")) {
    return {*path, false};
  }
  return {dataFolder() / "reminders", true};
}

Folder cloudFolder(const Preferences& preferences) {
  if (auto path = configured("TALEWICK_CLOUD_DIR", preferences, "cloud.folder")) {
    return {*path, false};
  }
  return {dataFolder() / "cloud", true};
}

bool createDefaultCalendarFolder(const std::filesystem::path& root) {
  return createCollection(root, "personnel", "Personnel");
}

bool createDefaultRemindersFolder(const std::filesystem::path& root) {
  return createCollection(root, "taches", "Tâches");
}

}  // namespace talewick::paths
