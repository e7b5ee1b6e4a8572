#include "platform/linux_files.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/atomic_file.hpp"

namespace talewick {

namespace fs = std::filesystem;

namespace {

class FlockLock : public FilePort::Lock {
 public:
  explicit FlockLock(int fd) : fd_(fd) {}
  ~FlockLock() override { ::close(fd_); }  // closing releases the lock

 private:
  int fd_;
};

}  // namespace

std::optional<std::string> LinuxFiles::read(const fs::path& path) {
  try {
    return files::readExisting(path);
  } catch (const std::system_error& e) {
    throw FileError(FileAction::read, path, e.code());
  }
}

void LinuxFiles::writeAtomically(const fs::path& path, std::string_view data, fs::perms mode) {
  try {
    files::writeAtomically(path, data, mode);
  } catch (const std::system_error& e) {
    throw FileError(FileAction::write, path, e.code());
  }
}

void LinuxFiles::moveAside(const fs::path& path, const fs::path& aside) {
  if (std::rename(path.c_str(), aside.c_str()) != 0) {
    throw FileError(FileAction::moveAside, path, std::error_code(errno, std::generic_category()));
  }
}

std::unique_ptr<FilePort::Lock> LinuxFiles::lock(const fs::path& path) {
  std::error_code ignored;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ignored);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    throw FileError(FileAction::lock, path, std::error_code(errno, std::generic_category()));
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int saved = errno;
    ::close(fd);
    throw FileError(FileAction::lock, path, std::error_code(saved, std::generic_category()));
  }
  return std::make_unique<FlockLock>(fd);
}

LinuxFiles& linuxFiles() {
  static LinuxFiles files;
  return files;
}

}  // namespace talewick
