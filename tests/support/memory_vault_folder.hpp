// An in-memory notes folder for tests: files are a map of relative paths to bytes with a
// modification stamp the test controls (so that an edit can hide from the size and the time, as
// one made within the clock's step does), reads counted per file, and any file made to refuse
// its reads or its writes.
#pragma once

#include <cerrno>
#include <map>
#include <set>

#include "core/vault_folder_port.hpp"

namespace talewick::testing {

class MemoryVaultFolder : public VaultFolderPort {
 public:
  // The folder every path is under; any other root cannot be listed.
  std::filesystem::path root = "/vault";

  bool isReadableFolder(const std::filesystem::path& path) override { return path == root; }
  VaultListing list(const std::filesystem::path& path, const std::string& under) override {
    if (path != root) {
      throw FileError(FileAction::read, path, std::error_code(ENOENT, std::generic_category()));
    }
    VaultListing listing;
    for (const auto& [relative, file] : files_) {
      const bool inside = under.empty() || relative == under || relative.starts_with(under + "/");
      if (inside) listing.files.push_back({relative, file.bytes.size(), file.stamp});
    }
    return listing;
  }
  std::optional<std::string> read(const std::filesystem::path& path,
                                  const std::string& relative) override {
    ++reads_[relative];
    if (refusedReads_.contains(relative)) {
      throw FileError(FileAction::read, path / relative,
                      std::error_code(EACCES, std::generic_category()));
    }
    auto it = files_.find(relative);
    return it == files_.end() ? std::nullopt : std::optional(it->second.bytes);
  }
  void writeAtomically(const std::filesystem::path& path, const std::string& relative,
                       std::string_view data) override {
    if (refusedWrites_.contains(relative)) {
      throw FileError(FileAction::write, path / relative,
                      std::error_code(EACCES, std::generic_category()));
    }
    files_[relative] = {std::string(data), ++clock_};
  }

  // Test controls.
  // Writes the file as an editor would: a new modification stamp.
  void put(const std::string& relative, std::string bytes) {
    files_[relative] = {std::move(bytes), ++clock_};
  }
  // Replaces the bytes and keeps the stamp; the size may still tell.
  void remove(const std::string& relative) { files_.erase(relative); }
  void putUnnoticed(const std::string& relative, std::string bytes) {
    files_[relative].bytes = std::move(bytes);
  }
  std::optional<std::string> contents(const std::string& relative) const {
    auto it = files_.find(relative);
    return it == files_.end() ? std::nullopt : std::optional(it->second.bytes);
  }
  int reads(const std::string& relative) const {
    auto it = reads_.find(relative);
    return it == reads_.end() ? 0 : it->second;
  }
  void refuseReads(const std::string& relative) { refusedReads_.insert(relative); }
  void refuseWrites(const std::string& relative) { refusedWrites_.insert(relative); }

 private:
  struct File {
    std::string bytes;
    int64_t stamp = 0;
  };
  std::map<std::string, File> files_;
  std::map<std::string, int> reads_;
  std::set<std::string> refusedReads_;
  std::set<std::string> refusedWrites_;
  int64_t clock_ = 0;
};

}  // namespace talewick::testing
