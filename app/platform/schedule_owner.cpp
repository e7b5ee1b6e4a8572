#include "platform/schedule_owner.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/paths.hpp"

namespace talewick {

std::filesystem::path ScheduleOwner::defaultFile() { return paths::dataFolder() / "schedule.lock"; }

ScheduleOwner::ScheduleOwner(std::filesystem::path file) : file_(std::move(file)) {}

ScheduleOwner::~ScheduleOwner() { release(); }

bool ScheduleOwner::tryTake() {
  if (holds_) return true;
  if (fd_ < 0) {
    std::filesystem::create_directories(file_.parent_path());
    fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), file_.string());
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    holds_ = true;
    return true;
  }
  if (errno == EWOULDBLOCK) return false;
  throw std::system_error(errno, std::generic_category(), file_.string());
}

void ScheduleOwner::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  holds_ = false;
}

}  // namespace talewick
