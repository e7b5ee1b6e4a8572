#include "platform/vault_folder.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include "platform/atomic_file.hpp"

namespace talewick {

namespace fs = std::filesystem;

namespace {

// Deeper than any folder of notes; a guard against a chain of links that never loops back.
constexpr int MAX_DEPTH = 64;

bool isMarkdown(std::string_view name) {
  if (name.size() < 4 || name.front() == '.') return false;
  const std::string_view ext = name.substr(name.size() - 3);
  return ext == ".md" || ext == ".MD" || ext == ".Md" || ext == ".mD";
}

// `relativePath` under `root`, refused when it would leave it: the paths come from the listing,
// and a name written elsewhere must not reach another file of the machine.
fs::path inside(const fs::path& root, const std::string& relativePath, FileAction action) {
  const fs::path relative(relativePath);
  bool escapes = relative.empty() || relative.is_absolute();
  for (const fs::path& part : relative) escapes = escapes || part == "..";
  if (escapes) {
    throw FileError(action, root / relative, std::make_error_code(std::errc::invalid_argument));
  }
  return root / relative;
}

struct Walk {
  VaultListing listing;
  std::set<std::pair<dev_t, ino_t>> seenFolders;

  // Walks `folder` (`prefix` is its path from the root, "" or ending in "/"). False once the
  // listing is full.
  bool folder(const fs::path& folder, const std::string& prefix, int depth) {
    struct stat info {};
    if (depth > MAX_DEPTH || ::stat(folder.c_str(), &info) != 0) return true;
    if (!seenFolders.emplace(info.st_dev, info.st_ino).second) return true;

    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const fs::path path = folder / name;
      struct stat entry {};
      if (::stat(path.c_str(), &entry) != 0) continue;  // a dangling link, a file gone meanwhile
      if (S_ISDIR(entry.st_mode)) {
        if (isSkippedVaultFolder(name)) continue;
        if (!this->folder(path, prefix + name + "/", depth + 1)) return false;
      } else if (S_ISREG(entry.st_mode) && isMarkdown(name)) {
        if (static_cast<uint64_t>(entry.st_size) > VaultFolderPort::MAX_FILE_BYTES) {
          ++listing.skippedLarge;
          continue;
        }
        if (listing.files.size() >= VaultFolderPort::MAX_FILES) {
          listing.truncated = true;
          return false;
        }
        listing.files.push_back(
            {prefix + name, static_cast<uint64_t>(entry.st_size),
             static_cast<int64_t>(entry.st_mtim.tv_sec) * 1'000'000'000 + entry.st_mtim.tv_nsec});
      }
    }
    return true;
  }
};

}  // namespace

bool isSkippedVaultFolder(std::string_view name) {
  static const std::set<std::string_view> attachments{"attachments", "Attachments", "_attachments",
                                                      "_resources", "assets"};
  return name.empty() || name.front() == '.' || attachments.contains(name);
}

bool VaultFolder::isReadableFolder(const fs::path& root) {
  std::error_code ec;
  return fs::is_directory(root, ec) && ::access(root.c_str(), R_OK | X_OK) == 0;
}

VaultListing VaultFolder::list(const fs::path& root) {
  std::error_code ec;
  fs::directory_iterator probe(root, ec);
  if (ec) throw FileError(FileAction::read, root, ec);
  Walk walk;
  walk.folder(root, "", 0);
  std::sort(walk.listing.files.begin(), walk.listing.files.end(),
            [](const VaultFileInfo& a, const VaultFileInfo& b) {
              return a.relativePath < b.relativePath;
            });
  return std::move(walk.listing);
}

std::optional<std::string> VaultFolder::read(const fs::path& root,
                                             const std::string& relativePath) {
  const fs::path path = inside(root, relativePath, FileAction::read);
  try {
    return files::readExisting(path);
  } catch (const std::system_error& e) {
    throw FileError(FileAction::read, path, e.code());
  }
}

void VaultFolder::writeAtomically(const fs::path& root, const std::string& relativePath,
                                  std::string_view data) {
  const fs::path path = inside(root, relativePath, FileAction::write);
  // The note keeps the permissions the user gave it; a new file gets the usual ones.
  fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                   fs::perms::others_read;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) mode = static_cast<fs::perms>(info.st_mode & 07777);
  try {
    files::writeAtomically(path, data, mode);
  } catch (const std::system_error& e) {
    throw FileError(FileAction::write, path, e.code());
  }
}

}  // namespace talewick
