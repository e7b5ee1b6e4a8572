// The notes folder the family keeps its tasks in, as the vault store reaches it: the markdown
// files under its root, and reading or replacing one of them. The program wires the Linux folder
// (platform/vault_folder); tests an in-memory one (tests/support/memory_vault_folder).
//
// Paths are relative to the root, with "/" between names, as the listing gives them. A notes
// folder is the user's own: whatever is in it (odd names, broken bytes, links, huge exports) is
// skipped or read as it is, never a reason to fail the whole listing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_port.hpp"

namespace talewick {

struct VaultFileInfo {
  std::string relativePath;
  uint64_t size = 0;
  int64_t modifiedNanoseconds = 0;  // since the Unix epoch
  bool operator==(const VaultFileInfo&) const = default;
};

struct VaultListing {
  std::vector<VaultFileInfo> files;  // sorted by path
  bool truncated = false;            // MAX_FILES reached: later files were not listed
  int64_t skippedLarge = 0;          // markdown files above MAX_FILE_BYTES, left out
};

class VaultFolderPort {
 public:
  // A folder of notes has a few thousand files; beyond these, the listing (and the memory a scan
  // holds) would grow with whatever was dropped in by mistake (a backup, an export).
  static constexpr size_t MAX_FILES = 20'000;
  static constexpr uint64_t MAX_FILE_BYTES = 2'000'000;

  virtual ~VaultFolderPort() = default;

  // Whether `root` is a folder this process can list.
  virtual bool isReadableFolder(const std::filesystem::path& root) = 0;
  // The markdown files under `root`: hidden folders and attachment folders skipped, files above
  // MAX_FILE_BYTES left out. With `under` (a path relative to the root), only that file, or the
  // files under that folder: nothing when it is gone, hidden or skipped. Throws FileError when
  // `root` itself cannot be listed.
  virtual VaultListing list(const std::filesystem::path& root, const std::string& under) = 0;
  // The file's bytes; nullopt when it is gone. Throws FileError when it cannot be read.
  virtual std::optional<std::string> read(const std::filesystem::path& root,
                                          const std::string& relativePath) = 0;
  // Replaces the file whole (a reader sees the old bytes or the new ones). Throws FileError; the
  // previous file is then untouched.
  virtual void writeAtomically(const std::filesystem::path& root, const std::string& relativePath,
                               std::string_view data) = 0;
};

}  // namespace talewick
