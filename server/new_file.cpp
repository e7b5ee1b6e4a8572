#include "server/new_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "server/crypto.hpp"

namespace talewick::server {

namespace {

[[noreturn]] void fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

// Writes all of `data` to `fd`; errno on failure, 0 on success.
int writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

void createNewFile(const std::filesystem::path& path, std::string_view data, mode_t mode) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::filesystem::path temp =
      folder / ("." + path.filename().string() + "." + crypto::randomHex(6) + ".tmp");
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) fail(errno, "cannot create " + temp.string());
  // The mode given to open() is narrowed by the umask; the caller's mode is the one wanted.
  int error = ::fchmod(fd, mode) == 0 ? writeAll(fd, data) : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  // link() refuses to replace an existing name, where rename() would silently do it.
  if (error == 0 && ::link(temp.c_str(), path.c_str()) != 0) error = errno;
  ::unlink(temp.c_str());
  if (error != 0) fail(error, "cannot write " + path.string());
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace talewick::server
