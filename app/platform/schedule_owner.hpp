// Which process sends the quests' notifications. The daemon (`talewick daemon`) and the desktop
// window can both run the schedule; if both did, every reminder would pop up twice. Whoever holds
// an exclusive lock on one file of the data folder ("schedule.lock") runs it; the other leaves it
// alone.
//
// The lock is flock(2) on a descriptor of this owner's own: the kernel drops it when the process
// ends, however it ends, so a crash never leaves the schedule without an owner. The descriptor is
// closed on exec, so that a program started by the holder (notify-send, a terminal) does not keep
// the lock after the holder is gone.
#pragma once

#include <filesystem>

namespace talewick {

class ScheduleOwner {
 public:
  // The lock file: dataFolder()/schedule.lock.
  static std::filesystem::path defaultFile();

  explicit ScheduleOwner(std::filesystem::path file);
  ~ScheduleOwner();
  ScheduleOwner(const ScheduleOwner&) = delete;
  ScheduleOwner& operator=(const ScheduleOwner&) = delete;

  // Takes the schedule unless another owner (in this process or another one) holds it; never
  // waits. True when this owner holds it, now or already. Creates the file and its folder when
  // missing; throws std::system_error when the file cannot be opened.
  //
  // After a refusal the file stays open, so that trying again later does not itself look, to
  // whoever watches the file, like its holder leaving.
  bool tryTake();

  bool holds() const { return holds_; }

  // Gives the schedule up (closing the file, which tells watchers of the file that it is free).
  void release();

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
  int fd_ = -1;
  bool holds_ = false;
};

}  // namespace talewick
