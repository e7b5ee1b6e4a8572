#include "platform/file_watch.hpp"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <set>
#include <system_error>
#include <tuple>
#include <utility>

namespace talewick {

namespace fs = std::filesystem;

namespace {

// Only folders are ever watched: files are followed through their folder by name, because an
// atomic replacement gives the file a new inode that a watch on the old one would never see.
constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR;
constexpr std::uint32_t kStructural = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

bool hidden(const std::string& name) { return name.empty() || name.front() == '.'; }

fs::path normalised(const fs::path& path) {
  fs::path p = fs::absolute(path).lexically_normal();
  // "…/calendars/" names the same folder as "…/calendars", whose parent we need.
  if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
  return p;
}

template <typename T>
void sortUnique(std::vector<T>& items) {
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
}

}  // namespace

FileWatch::FileWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "inotify_init1");
}

FileWatch::FileWatch(const std::vector<fs::path>& paths, Depth depth) : FileWatch() {
  for (const fs::path& path : paths) targets_.push_back({normalised(path), depth, false});
  rearm(0);
}

FileWatch::~FileWatch() { close(); }

FileWatch::FileWatch(FileWatch&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      targets_(std::move(other.targets_)),
      watches_(std::move(other.watches_)),
      pendingRelevant_(other.pendingRelevant_),
      pendingOverflow_(other.pendingOverflow_),
      pendingNames_(std::move(other.pendingNames_)),
      pendingPaths_(std::move(other.pendingPaths_)),
      overflowed_(other.overflowed_),
      names_(std::move(other.names_)),
      paths_(std::move(other.paths_)) {}

FileWatch& FileWatch::operator=(FileWatch&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    targets_ = std::move(other.targets_);
    watches_ = std::move(other.watches_);
    pendingRelevant_ = other.pendingRelevant_;
    pendingOverflow_ = other.pendingOverflow_;
    pendingNames_ = std::move(other.pendingNames_);
    pendingPaths_ = std::move(other.pendingPaths_);
    overflowed_ = other.overflowed_;
    names_ = std::move(other.names_);
    paths_ = std::move(other.paths_);
  }
  return *this;
}

void FileWatch::close() {
  // Closing the inotify descriptor drops all of its watches at once.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  watches_.clear();
}

void FileWatch::add(const fs::path& path, Depth depth) {
  if (fd_ < 0) return;
  targets_.push_back({normalised(path), depth, false});
  rearm(targets_.size() - 1);
}

bool FileWatch::drain() {
  if (fd_ >= 0) {
    bool needRearm = false;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // EAGAIN: the queue is empty
      for (const char* p = buffer; p < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        handle(event->wd, event->mask, event->len > 0 ? std::string(event->name) : std::string(),
               needRearm);
        p += sizeof(inotify_event) + event->len;
      }
    }
    // Events arriving while re-arming stay queued and make fd() readable again.
    if (needRearm) rearm(targets_.size());
  }
  sortUnique(pendingNames_);
  sortUnique(pendingPaths_);
  names_ = std::exchange(pendingNames_, {});
  paths_ = std::exchange(pendingPaths_, {});
  overflowed_ = std::exchange(pendingOverflow_, false);
  return std::exchange(pendingRelevant_, false);
}

bool FileWatch::waitForChange(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (drain()) return true;
    if (fd_ < 0) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{fd_, POLLIN, 0};
    const int status =
        ::poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
    if (status < 0 && errno != EINTR) return false;
  }
}

void FileWatch::note(const fs::path& folder, const std::string& prefix, const std::string& name) {
  pendingRelevant_ = true;
  pendingNames_.push_back(prefix + name);
  pendingPaths_.push_back(folder / name);
}

void FileWatch::handle(int wd, std::uint32_t mask, const std::string& name, bool& needRearm) {
  if (mask & IN_Q_OVERFLOW) {
    pendingOverflow_ = pendingRelevant_ = needRearm = true;
    return;
  }
  const auto found = watches_.find(wd);
  // Events of a watch we already dropped (its IN_IGNORED among them) concern nothing any more.
  if (found == watches_.end()) return;
  if (mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
    // The folder went away or moved: its parent's watch reports the change itself.
    needRearm = true;
    return;
  }
  if (name.empty()) return;  // the folder's own attributes; its parent's watch reports those
  const bool structural = (mask & kStructural) != 0;
  for (const Role& role : found->second.roles) {
    switch (role.kind) {
      case RoleKind::folder:
        if (hidden(name)) break;
        note(role.folder, role.name, name);
        if ((mask & IN_ISDIR) && structural && role.name.empty() &&
            targets_[role.target].depth == Depth::subfolders) {
          needRearm = true;
        }
        break;
      case RoleKind::entry:
        if (name != role.name) break;
        note(role.folder, "", name);
        // The target may have turned from a file into a folder, or appeared as one.
        if (structural) needRearm = true;
        break;
      case RoleKind::pathway:
        if (name == role.name && structural) needRearm = true;
        break;
    }
  }
}

void FileWatch::rearm(std::size_t quietFrom) {
  std::map<fs::path, std::vector<Role>> wanted;
  for (std::size_t i = 0; i < targets_.size(); ++i) {
    const Target& target = targets_[i];
    std::error_code ec;
    if (target.path.has_relative_path()) {  // the root folder has no parent to be seen from
      fs::path folder = target.path.parent_path();
      while (!fs::is_directory(folder, ec) && folder.has_relative_path()) {
        folder = folder.parent_path();
      }
      const bool direct = folder == target.path.parent_path();
      const std::string first = target.path.lexically_relative(folder).begin()->string();
      wanted[folder].push_back({i, direct ? RoleKind::entry : RoleKind::pathway, folder, first});
    }
    if (!fs::is_directory(target.path, ec)) continue;
    wanted[target.path].push_back({i, RoleKind::folder, target.path, ""});
    if (target.depth != Depth::subfolders) continue;
    fs::directory_iterator it(target.path, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      std::error_code typeError;
      if (!hidden(name) && it->is_directory(typeError)) {
        wanted[it->path()].push_back({i, RoleKind::folder, it->path(), name + "/"});
      }
    }
  }

  // A folder role is new when its target did not watch that folder through this very watch
  // before; a folder deleted and made again gets a new watch, and its content must be reported.
  std::set<std::tuple<std::size_t, std::string, int>> armed;
  for (const auto& [wd, watch] : watches_) {
    for (const Role& role : watch.roles) {
      if (role.kind == RoleKind::folder) armed.emplace(role.target, role.name, wd);
    }
  }

  std::unordered_map<int, Watch> next;
  for (auto& [folder, roles] : wanted) {
    const int wd = ::inotify_add_watch(fd_, folder.c_str(), kMask);
    if (wd < 0) continue;  // vanished meanwhile, or not allowed: the next event re-arms
    Watch& watch = next[wd];
    for (Role& role : roles) {
      if (role.kind == RoleKind::folder && role.target < quietFrom &&
          !armed.count({role.target, role.name, wd})) {
        // Entries made before the watch existed would otherwise go unnoticed.
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
          const std::string name = it->path().filename().string();
          if (!hidden(name)) note(folder, role.name, name);
        }
      }
      watch.roles.push_back(std::move(role));
    }
  }
  for (const auto& [wd, watch] : watches_) {
    if (!next.count(wd)) ::inotify_rm_watch(fd_, wd);
  }
  watches_ = std::move(next);

  // Catches a target that appeared together with its missing parents, between two events.
  for (std::size_t i = 0; i < targets_.size(); ++i) {
    Target& target = targets_[i];
    std::error_code ec;
    const bool present = fs::exists(target.path, ec);
    if (present != target.present && i < quietFrom) {
      note(target.path.parent_path(), "", target.path.filename().string());
    }
    target.present = present;
  }
}

}  // namespace talewick
