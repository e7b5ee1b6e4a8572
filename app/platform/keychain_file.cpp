#include "platform/keychain_file.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "platform/atomic_file.hpp"
#include "platform/file_preferences.hpp"

namespace talewick {

namespace fs = std::filesystem;

fs::path defaultKeychainPath() { return defaultPreferencesPath().parent_path() / "keychain.json"; }

KeychainFile::KeychainFile(fs::path path, std::ostream& diagnostics)
    : path_(std::move(path)), diagnostics_(&diagnostics) {}

KeychainFile::Loaded KeychainFile::load() const {
  Loaded loaded;
  const std::optional<std::string> bytes = files::read(path_);
  if (!bytes) return loaded;
  try {
    Json items = Json::parse(*bytes);
    bool allText = items.is_object();
    if (allText) {
      for (const auto& [item, secret] : items.items()) allText = allText && secret.is_string();
    }
    if (allText) {
      loaded.items = std::move(items);
      return loaded;
    }
  } catch (const nlohmann::json::parse_error&) {
  }
  loaded.damaged = true;
  if (!reported_) {
    *diagnostics_ << "talewick : trousseau illisible, ignoré : " << path_.string() << '\n';
    reported_ = true;
  }
  return loaded;
}

std::optional<std::string> KeychainFile::get(const std::string& item) const {
  const Loaded loaded = load();
  const auto found = loaded.items.find(item);
  if (found == loaded.items.end()) return std::nullopt;
  return found->get<std::string>();
}

void KeychainFile::write(const Loaded& loaded) {
  const fs::path folder = path_.parent_path();
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (::chmod(folder.c_str(), S_IRWXU) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot protect " + folder.string());
  }
  const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
  if (loaded.damaged) {
    if (const auto bytes = files::read(path_)) {
      files::writeAtomically(fs::path(path_.string() + ".damaged"), *bytes, ownerOnly);
    }
  }
  std::string text;
  try {
    text = loaded.items.dump(2) + "\n";
  } catch (const nlohmann::json::type_error&) {
    throw std::system_error(EINVAL, std::generic_category(), "secret is not UTF-8 text");
  }
  files::writeAtomically(path_, text, ownerOnly);
  reported_ = false;
}

void KeychainFile::set(const std::string& item, const std::string& secret) {
  Loaded loaded = load();
  if (!loaded.damaged && loaded.items.contains(item) && loaded.items[item] == secret) return;
  loaded.items[item] = secret;
  write(loaded);
}

void KeychainFile::remove(const std::string& item) {
  Loaded loaded = load();
  if (!loaded.items.contains(item) && !loaded.damaged) return;
  loaded.items.erase(item);
  write(loaded);
}

}  // namespace talewick
