// FilePort on Linux: atomic writes through a temporary file and a rename, locks with flock(2).
#pragma once

#include "core/file_port.hpp"

namespace talewick {

class LinuxFiles : public FilePort {
 public:
  std::optional<std::string> read(const std::filesystem::path& path) override;
  void writeAtomically(const std::filesystem::path& path, std::string_view data,
                       std::filesystem::perms mode = OWNER_ONLY) override;
  void moveAside(const std::filesystem::path& path, const std::filesystem::path& aside) override;
  std::unique_ptr<Lock> lock(const std::filesystem::path& path) override;
};

// The one instance the program shares (the port holds no state).
LinuxFiles& linuxFiles();

}  // namespace talewick
