#include "platform/vault_folder.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
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

// Closes a folder read through its descriptor.
struct FolderCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

struct Walk {
  VaultListing listing;
  std::set<std::pair<dev_t, ino_t>> seenFolders;

  // Lists the entry `relativePath` of the root open as `rootFd`, a file or a folder, unless one
  // of its names is hidden or skipped.
  void entry(int rootFd, const std::string& relativePath) {
    const fs::path relative(relativePath);
    if (relative.is_absolute()) return;
    int depth = 0;
    for (const fs::path& part : relative) {
      const std::string name = part.string();
      if (name == ".." || isSkippedVaultFolder(name)) return;
      ++depth;
    }
    entry(rootFd, relativePath, relativePath, depth - 1);
  }

  // Lists the entry `name` of the folder open as `fd`, whose path from the root is `path`.
  // False once the listing is full.
  bool entry(int fd, const std::string& name, const std::string& path, int depth) {
    const std::string_view leaf = std::string_view(name).substr(name.rfind('/') + 1);
    struct stat info {};
    // Links are followed; a dangling one, or a file gone meanwhile, is skipped.
    if (::fstatat(fd, name.c_str(), &info, 0) != 0) return true;
    if (S_ISDIR(info.st_mode)) {
      if (isSkippedVaultFolder(leaf)) return true;
      const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (child < 0) return true;
      return folder(child, path + "/", depth + 1);
    }
    if (!S_ISREG(info.st_mode) || !isMarkdown(leaf)) return true;
    if (static_cast<uint64_t>(info.st_size) > VaultFolderPort::MAX_FILE_BYTES) {
      ++listing.skippedLarge;
      return true;
    }
    if (listing.files.size() >= VaultFolderPort::MAX_FILES) {
      listing.truncated = true;
      return false;
    }
    listing.files.push_back(
        {path, static_cast<uint64_t>(info.st_size),
         static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec});
    return true;
  }

  // Walks the folder open as `fd` (taken over; `prefix` is its path from the root, "" or ending
  // in "/"). Names are looked up relative to the folder's descriptor: a rescan stats every file,
  // and walking each full path from the root again would cost as much as the stat itself.
  // False once the listing is full.
  bool folder(int fd, const std::string& prefix, int depth) {
    std::unique_ptr<DIR, FolderCloser> dir(::fdopendir(fd));
    if (!dir) {
      ::close(fd);
      return true;
    }
    struct stat info {};
    if (depth > MAX_DEPTH || ::fstat(fd, &info) != 0) return true;
    if (!seenFolders.emplace(info.st_dev, info.st_ino).second) return true;

    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
      const std::string_view name = entry->d_name;
      // Hidden names (".", "..", ".git", ".trash") are neither notes nor folders of notes; a
      // file that is not markdown, or an attachment folder, is not worth a look either.
      if (name.empty() || name.front() == '.') continue;
      if (entry->d_type == DT_REG && !isMarkdown(name)) continue;
      if (entry->d_type == DT_DIR && isSkippedVaultFolder(name)) continue;
      names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (!entry(fd, name, prefix + name, depth)) return false;
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

VaultListing VaultFolder::list(const fs::path& root, const std::string& under) {
  const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (rootFd < 0) {
    throw FileError(FileAction::read, root, std::error_code(errno, std::generic_category()));
  }
  Walk walk;
  if (under.empty()) {
    walk.folder(rootFd, "", 0);
  } else {
    walk.entry(rootFd, under);
    ::close(rootFd);
  }
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
