// A fresh folder per test under the test temporary directory, removed with everything in it
// (read-only subfolders included) when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace talewick::testing {

class TempFolder {
 public:
  // Named after the running test and the process, so parallel runs never share one.
  explicit TempFolder(const std::string& prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

  // Writes `bytes` at `relative`, creating the folders on the way; the file's path.
  std::filesystem::path write(const std::string& relative, const std::string& bytes) const;
  // The bytes at `relative`, or "<absent>".
  std::string read(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

}  // namespace talewick::testing
