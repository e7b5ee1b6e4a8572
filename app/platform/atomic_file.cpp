#include "platform/atomic_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <system_error>

namespace talewick::files {

std::optional<std::string> read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return buffer.str();
}

std::optional<std::string> readExisting(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // A file standing where a parent folder should be means there is no such file either.
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw std::system_error(errno, std::generic_category(), path.string());
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int saved = errno;
      ::close(fd);
      throw std::system_error(saved, std::generic_category(), path.string());
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path) {
  throw std::system_error(errno, std::generic_category(), what + " " + path.string());
}

}  // namespace

void writeAtomically(const std::filesystem::path& path, std::string_view data,
                     std::filesystem::perms mode) {
  writeAtomicallyIf(path, data, mode, nullptr);
}

bool writeAtomicallyIf(const std::filesystem::path& path, std::string_view data,
                       std::filesystem::perms mode, const std::function<bool()>& stillWanted) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  // A dot name keeps half-written files out of folder scans (vdir readers skip them). The name is
  // read back by temporaryTarget.
  std::random_device random;
  std::string name = ".";
  name += path.filename().string();
  name += '.';
  name += std::to_string(random());
  name += ".tmp";
  const std::filesystem::path temp = folder / name;
  const int fd =
      ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) fail("cannot create", temp);
  size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int saved = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      errno = saved;
      fail("cannot write", temp);
    }
    written += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    fail("cannot flush", temp);
  }
  // Asked as late as possible: the file is ready, only the rename is left.
  bool wanted = true;
  try {
    wanted = !stillWanted || stillWanted();
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  if (!wanted) {
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    fail("cannot replace", path);
  }
  // Make the rename itself durable.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

std::optional<std::string> temporaryTarget(std::string_view name) {
  static constexpr std::string_view kSuffix = ".tmp";
  if (name.size() < 1 + 1 + 1 + 1 + kSuffix.size() || name.front() != '.' ||
      !name.ends_with(kSuffix)) {
    return std::nullopt;
  }
  std::string_view middle = name.substr(1, name.size() - 1 - kSuffix.size());  // "a.ics.123"
  const size_t dot = middle.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == middle.size()) return std::nullopt;
  const std::string_view digits = middle.substr(dot + 1);
  if (digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  return std::string(middle.substr(0, dot));
}

}  // namespace talewick::files
