#include "platform/cloud_folder.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/file_port.hpp"
#include "core/observers.hpp"
#include "platform/atomic_file.hpp"

namespace talewick {

namespace fs = std::filesystem;

namespace {

// Timestamps are coarse (a few milliseconds, seconds on some file systems): a file modified this
// recently could be rewritten without its stamp moving, so its content is read again.
constexpr std::int64_t kRacyNs = 2'000'000'000;

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::string_view kTempSuffix = ".tmp";

bool literal(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower-case hex is not the encoding of anything: see keyForFileName()
}

// Names other writers use for files on their way in (or the leftovers of editors).
bool ignoredName(const std::string& name) {
  return name.empty() || name.front() == '.' || name.back() == '~' || name.ends_with(kTempSuffix);
}

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::int64_t nowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Makes `folder` and its missing parents owner-only; an existing folder keeps its mode (the user
// may have chosen a shared one on purpose).
void makeFolder(const fs::path& folder) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  if (folder.has_relative_path() && folder.has_parent_path() && folder.parent_path() != folder) {
    makeFolder(folder.parent_path());
  }
  if (::mkdir(folder.c_str(), 0700) == 0) return;
  const int error = errno;
  // Another process may have made it meanwhile.
  if (error == EEXIST && fs::is_directory(folder, ec)) return;
  throw fs::filesystem_error(
      "cannot create the cloud folder", folder,
      std::error_code(error == EEXIST ? ENOTDIR : error, std::generic_category()));
}

}  // namespace

struct CloudFolderStore::Observers {
  // Recursive: an observer may observe or unobserve while being told. Held while observers run,
  // so they run one at a time and unobserve() waits for a call under way.
  std::recursive_mutex mutex;
  ObserverList<const std::vector<std::string>&> list;

  void notify(const std::vector<std::string>& keys) {
    std::lock_guard lock(mutex);
    list.notify(keys);
  }
};

CloudFolderStore::CloudFolderStore(fs::path folder, std::ostream& diagnostics)
    : folder_(std::move(folder)),
      observers_(std::make_shared<Observers>()),
      diagnostics_(&diagnostics) {
  makeFolder(folder_);
  // The watch comes before the first scan: a change made during the scan is then still noticed.
  try {
    watch_.emplace(std::vector<fs::path>{folder_});
    watchFd_ = watch_->fd();
  } catch (const std::system_error&) {
    // No inotify (exhausted instances, a sandbox): the periodic rescans find the changes.
    watch_.reset();
  }
  std::lock_guard lock(mutex_);
  rescanLocked();
}

CloudFolderStore::~CloudFolderStore() = default;

std::string CloudFolderStore::fileNameForKey(const std::string& key) {
  std::string name;
  name.reserve(key.size());
  const std::size_t tempDot =
      key.ends_with(kTempSuffix) ? key.size() - kTempSuffix.size() : std::string::npos;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const auto c = static_cast<unsigned char>(key[i]);
    if (literal(c) && !(c == '.' && (i == 0 || i == tempDot))) {
      name += static_cast<char>(c);
    } else {
      name += '%';
      name += kHex[c >> 4];
      name += kHex[c & 0xF];
    }
  }
  return name;
}

std::optional<std::string> CloudFolderStore::keyForFileName(const std::string& name) {
  std::string key;
  key.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '%') {
      key += name[i];
      continue;
    }
    if (i + 2 >= name.size()) return std::nullopt;
    const int high = hexValue(name[i + 1]), low = hexValue(name[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    key += static_cast<char>(high * 16 + low);
    i += 2;
  }
  // Only the exact encoding counts: "%61" or "a" would otherwise both be the key "a", and a file
  // made by hand with a stray byte would be a key no writer can reach.
  if (key.empty() || fileNameForKey(key) != name) return std::nullopt;
  return key;
}

std::optional<std::string> CloudFolderStore::data(const std::string& key) const {
  if (key.empty()) return std::nullopt;
  const fs::path path = folder_ / fileNameForKey(key);
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) return std::nullopt;
  // Something in the value's place that cannot be a value (a folder, a file we may not read) is
  // no value, but the user must hear of it: a synced hero would otherwise stop syncing silently.
  if (!fs::is_regular_file(status)) {
    reportOnce(
        key, FileError(FileAction::read, path,
                       std::make_error_code(fs::is_directory(status) ? std::errc::is_a_directory
                                                                     : std::errc::invalid_argument))
                 .what());
    return std::nullopt;
  }
  try {
    return files::readExisting(path);
  } catch (const std::system_error& e) {
    reportOnce(key, FileError(FileAction::read, path, e.code()).what());
    return std::nullopt;
  }
}

void CloudFolderStore::reportOnce(const std::string& key, const std::string& line) const {
  std::lock_guard lock(reportMutex_);
  if (!reported_.insert(key).second) return;
  *diagnostics_ << "talewick : " << line << '\n';
}

void CloudFolderStore::setData(const std::string& key, const std::string& bytes) {
  if (key.empty()) throw std::invalid_argument("the cloud store has no empty key");
  const fs::path path = folder_ / fileNameForKey(key);
  // Held across the write: a rescan on another thread must not meet our new file before its
  // record, or it would announce our own write as someone else's.
  std::lock_guard lock(mutex_);
  try {
    files::writeAtomically(path, bytes, fs::perms::owner_read | fs::perms::owner_write);
  } catch (const std::system_error& e) {
    throw FileError(FileAction::write, path, e.code());
  }
  // No stamp: another process may already have replaced the file. The next rescan reads our
  // bytes back and only announces them if they are no longer ours.
  snapshot_[key] = Entry{std::nullopt, fnv1a(bytes)};
}

bool CloudFolderStore::replaceData(const std::string& key,
                                   const std::optional<std::string>& expected,
                                   const std::string& bytes) {
  if (key.empty()) throw std::invalid_argument("the cloud store has no empty key");
  const fs::path path = folder_ / fileNameForKey(key);
  std::lock_guard lock(mutex_);
  bool written = false;
  try {
    written = files::writeAtomicallyIf(path, bytes, fs::perms::owner_read | fs::perms::owner_write,
                                       [&] { return files::readExisting(path) == expected; });
  } catch (const std::system_error& e) {
    throw FileError(FileAction::write, path, e.code());
  }
  // A value written meanwhile is left for the next rescan to announce.
  if (written) snapshot_[key] = Entry{std::nullopt, fnv1a(bytes)};
  return written;
}

void CloudFolderStore::remove(const std::string& key) {
  if (key.empty()) return;
  const fs::path path = folder_ / fileNameForKey(key);
  std::lock_guard lock(mutex_);
  std::error_code ec;
  fs::remove(path, ec);  // an absent file is no error
  if (ec) throw fs::filesystem_error("cannot remove the cloud value", path, ec);
  snapshot_.erase(key);
}

void CloudFolderStore::synchronize() { processExternalChanges(); }

int CloudFolderStore::observeExternalChanges(ChangeObserver observer) {
  std::lock_guard lock(observers_->mutex);
  return observers_->list.add(std::move(observer));
}

void CloudFolderStore::unobserve(int token) {
  std::lock_guard lock(observers_->mutex);
  observers_->list.remove(token);
}

void CloudFolderStore::setDelivery(Delivery deliver) {
  std::lock_guard lock(mutex_);
  deliver_ = std::move(deliver);
}

std::vector<std::string> CloudFolderStore::processExternalChanges() {
  std::vector<std::string> changed;
  Delivery deliver;
  {
    std::lock_guard lock(mutex_);
    // What the watch names is not needed: the rescan is cheap (unchanged stamps are not read)
    // and also catches what inotify cannot see.
    if (watch_) watch_->drain();
    changed = rescanLocked();
    deliver = deliver_;
  }
  announce(changed, deliver);
  return changed;
}

std::vector<std::string> CloudFolderStore::rescanLocked() {
  // Taken before listing: a file modified during the scan then looks recent, never old.
  const std::int64_t now = nowNs();
  std::error_code ec;
  fs::directory_iterator it(folder_, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) {
    // The folder exists but cannot be listed (no descriptor left, permissions): nothing can be
    // told about it, and announcing every key as gone would be wrong.
    return {};
  }
  // A folder deleted altogether is seen as empty: its keys are gone.
  std::map<std::string, Entry> next;
  std::vector<std::string> changed;
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (ignoredName(name)) continue;
    const std::optional<std::string> key = keyForFileName(name);
    if (!key) continue;
    struct stat info {};
    // A key file is a regular file; a dangling link or a folder is no value.
    if (::stat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    const Stamp stamp{
        static_cast<std::uintmax_t>(info.st_dev), static_cast<std::uintmax_t>(info.st_ino),
        static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
    const auto before = snapshot_.find(*key);
    if (before != snapshot_.end() && before->second.stamp == stamp) {
      next.emplace(*key, before->second);
      continue;
    }
    // Stamp first, then read: a write landing in between leaves an older stamp behind, so the
    // next scan reads again instead of missing it.
    const std::optional<std::string> bytes = files::read(it->path());
    if (!bytes) continue;  // unreadable: absent for this scan
    Entry entry{now - stamp.modifiedNs >= kRacyNs ? std::optional(stamp) : std::nullopt,
                fnv1a(*bytes)};
    if (before == snapshot_.end() || before->second.hash != entry.hash) changed.push_back(*key);
    next.emplace(*key, entry);
  }
  if (ec && ec != std::errc::no_such_file_or_directory) {
    // The listing broke off half-way: what was not listed may still be there.
    return {};
  }
  for (const auto& [key, entry] : snapshot_) {
    if (!next.count(key)) changed.push_back(key);
  }
  snapshot_ = std::move(next);
  std::sort(changed.begin(), changed.end());
  return changed;
}

void CloudFolderStore::announce(const std::vector<std::string>& keys,
                                const Delivery& deliver) const {
  if (keys.empty()) return;
  if (!deliver) {
    observers_->notify(keys);
    return;
  }
  deliver([weak = std::weak_ptr<Observers>(observers_), keys] {
    if (const std::shared_ptr<Observers> observers = weak.lock()) observers->notify(keys);
  });
}

}  // namespace talewick
