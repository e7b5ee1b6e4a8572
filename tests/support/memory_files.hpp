// An in-memory FilePort for tests: files are a map of paths to bytes, and any path can be made to
// refuse its reads or its writes with the error a real disk would give (a read-only folder, a
// folder in the file's place), whoever runs the test (root ignores file modes).
#pragma once

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <set>

#include "core/file_port.hpp"

namespace talewick::testing {

class MemoryFiles : public FilePort {
 public:
  std::optional<std::string> read(const std::filesystem::path& path) override {
    std::lock_guard lock(mutex_);
    if (auto refused = readErrors_.find(path); refused != readErrors_.end()) {
      throw FileError(FileAction::read, path, refused->second);
    }
    auto it = files_.find(path);
    return it == files_.end() ? std::nullopt : std::optional(it->second);
  }
  void writeAtomically(const std::filesystem::path& path, std::string_view data,
                       std::filesystem::perms = OWNER_ONLY) override {
    std::lock_guard lock(mutex_);
    if (auto code = writeError(path)) throw FileError(FileAction::write, path, *code);
    files_[path] = std::string(data);
    ++writes_;
  }
  void moveAside(const std::filesystem::path& path, const std::filesystem::path& aside) override {
    std::lock_guard lock(mutex_);
    if (auto code = writeError(path)) throw FileError(FileAction::moveAside, path, *code);
    auto it = files_.find(path);
    if (it == files_.end()) {
      throw FileError(FileAction::moveAside, path,
                      std::error_code(ENOENT, std::generic_category()));
    }
    files_[aside] = std::move(it->second);
    files_.erase(it);
  }
  std::unique_ptr<Lock> lock(const std::filesystem::path& path) override {
    std::lock_guard lock(mutex_);
    locked_.insert(path);
    return std::make_unique<Lock>();
  }

  // Test controls.
  void put(const std::filesystem::path& path, std::string bytes) {
    std::lock_guard lock(mutex_);
    files_[path] = std::move(bytes);
  }
  std::optional<std::string> contents(const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    auto it = files_.find(path);
    return it == files_.end() ? std::nullopt : std::optional(it->second);
  }
  // Writes and moves under `folder` (or of that very file) fail with `errno` (EACCES: a folder
  // the user may not write to).
  void refuseWrites(const std::filesystem::path& folder, int error = EACCES) {
    std::lock_guard lock(mutex_);
    writeErrors_[folder] = std::error_code(error, std::generic_category());
  }
  void allowWrites() {
    std::lock_guard lock(mutex_);
    writeErrors_.clear();
  }
  // Reads of `path` fail with `errno` (EISDIR: a folder in the file's place).
  void refuseReads(const std::filesystem::path& path, int error = EACCES) {
    std::lock_guard lock(mutex_);
    readErrors_[path] = std::error_code(error, std::generic_category());
  }
  int writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
  }
  bool everLocked(const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    return locked_.count(path) > 0;
  }

 private:
  std::optional<std::error_code> writeError(const std::filesystem::path& path) const {
    for (const auto& [prefix, code] : writeErrors_) {
      auto mismatch = std::mismatch(prefix.begin(), prefix.end(), path.begin(), path.end());
      if (mismatch.first == prefix.end()) return code;
    }
    return std::nullopt;
  }

  mutable std::mutex mutex_;
  std::map<std::filesystem::path, std::string> files_;
  std::map<std::filesystem::path, std::error_code> writeErrors_;
  std::map<std::filesystem::path, std::error_code> readErrors_;
  std::set<std::filesystem::path> locked_;
  int writes_ = 0;
};

}  // namespace talewick::testing
