#include "platform/file_preferences.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <system_error>
#include <utility>

#include "support/loc.hpp"

namespace talewick {

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kRacyNs = 2'000'000'000;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

fs::path userHome() {
  if (std::string home = environment("HOME"); !home.empty()) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return ".";
}

// The keys whose presence or value differs between two objects, sorted.
std::vector<std::string> changedKeys(const Json& before, const Json& after) {
  std::set<std::string> keys;
  for (const auto& [key, value] : before.items()) {
    const auto other = after.find(key);
    if (other == after.end() || *other != value) keys.insert(key);
  }
  for (const auto& [key, value] : after.items()) {
    if (!before.contains(key)) keys.insert(key);
  }
  return {keys.begin(), keys.end()};
}

}  // namespace

fs::path defaultPreferencesPath() {
  if (std::string home = environment("TALEWICK_HOME"); !home.empty()) {
    return fs::path(home) / "defaults.json";
  }
  // A relative XDG_CONFIG_HOME is invalid and must be ignored, as the XDG rules say.
  if (fs::path config = environment("XDG_CONFIG_HOME"); config.is_absolute()) {
    return config / "talewick" / "defaults.json";
  }
  return userHome() / ".config" / "talewick" / "defaults.json";
}

FilePreferences::FilePreferences(fs::path path, std::ostream& diagnostics, FilePort& files)
    : path_(std::move(path)), diagnostics_(&diagnostics), files_(&files) {
  reload();
}

std::optional<Json> FilePreferences::value(const std::string& key) const {
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return *found;
}

void FilePreferences::set(const std::string& key, Json value) {
  reloadIfChanged();
  Json next = values_;
  const auto found = next.find(key);
  const bool changed = found == next.end() || *found != value;
  if (!changed) return;
  next[key] = std::move(value);
  write(next);
  values_ = std::move(next);
  if (changed) notifyChanged({key});
}

void FilePreferences::remove(const std::string& key) {
  reloadIfChanged();
  Json next = values_;
  const bool changed = next.erase(key) > 0;
  if (!changed) return;
  write(next);
  values_ = std::move(next);
  if (changed) notifyChanged({key});
}

bool FilePreferences::reloadIfChanged() {
  if (seen_ && *seen_ == stampNow()) return false;
  return !reload().empty();
}

std::vector<std::string> FilePreferences::reload() {
  // Stamp first, then read: a write landing in between leaves an old stamp behind, so the next
  // check reads again instead of missing it.
  const Stamp stamp = stampNow();
  std::optional<Json> loaded;
  std::optional<std::string> damage;
  try {
    const std::optional<std::string> bytes = files_->read(path_);
    if (!bytes) {
      loaded = Json::object();
    } else {
      try {
        Json parsed = Json::parse(*bytes);
        if (parsed.is_object()) {
          loaded = std::move(parsed);
        } else {
          damage = Loc::string("prefs.damaged.notObject", "ce n'est pas un objet JSON");
        }
      } catch (const Json::parse_error& e) {
        damage = Loc::format(Loc::string("prefs.damaged.byte", "JSON invalide à l'octet %@"),
                             {std::to_string(e.byte)});
      }
    }
  } catch (const FileError& e) {
    damage = describeFileProblem(e.code());
  }
  // Timestamps are coarse (a few milliseconds, seconds on some file systems): a file modified
  // this recently could change again without its stamp moving, so its stamp is not trusted and
  // the next check reads the content.
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t nowNs = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  if (stamp.exists && nowNs - stamp.modifiedNs < kRacyNs) {
    seen_.reset();
  } else {
    seen_ = stamp;
  }
  if (!loaded) {
    if (damage_ != damage) {
      *diagnostics_ << "talewick : "
                    << Loc::format(Loc::string("prefs.damaged",
                                               "préférences illisibles (%@ : %@), ignorées ; "
                                               "rien n'y sera écrit tant qu'il n'est pas corrigé"),
                                   {path_.string(), *damage})
                    << '\n';
    }
    damage_ = damage;
    return {};
  }
  damage_.reset();
  std::vector<std::string> changed = changedKeys(values_, *loaded);
  values_ = std::move(*loaded);
  if (!changed.empty()) notifyChanged(changed);
  return changed;
}

FilePreferences::Stamp FilePreferences::stampNow() const {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0) return {};
  return {true, static_cast<std::uintmax_t>(info.st_dev), static_cast<std::uintmax_t>(info.st_ino),
          static_cast<std::uintmax_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void FilePreferences::write(const Json& document) {
  if (damage_) {
    throw FileError(path_, std::make_error_code(std::errc::operation_not_permitted),
                    Loc::format(Loc::string("prefs.refused",
                                            "préférence non enregistrée : %@ est illisible (%@) ; "
                                            "corrige-le ou supprime-le d'abord"),
                                {path_.string(), *damage_}));
  }
  // Invalid UTF-8 in a value must not make the write throw something else than FileError.
  const std::string text = document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  files_->writeAtomically(path_, text, fs::perms::owner_read | fs::perms::owner_write);
  // Leave the stamp unknown rather than stat the file now: another process could have replaced it
  // already, and its change would go unnoticed. The next check reads our own bytes back instead.
  seen_.reset();
}

}  // namespace talewick
