// The key-value cloud store on Linux: a folder the user places inside any synced folder, which the
// file-sync tool carries to the other machines.
//
// What the folder holds. One regular file per key, holding exactly the value's bytes, written
// atomically with mode 0600 (a reader never sees half a value). Several processes of this machine
// and the sync tool may write the folder at the same time.
//
// File names. A key's file name is the key with every byte outside [A-Za-z0-9._-] written %XX
// (upper-case hex); a leading "." and the "." of a trailing ".tmp" are written %2E as well, so
// that no key file looks like a hidden file or a temporary one: "hero.v1" stays "hero.v1",
// "a/b" is "a%2Fb", ".x" is "%2Ex". The empty key has no file. Scans skip names starting with "."
// (the temporary files of atomic writers, ours and the sync tools'), names ending in "~" or
// ".tmp", and names that are not the exact encoding of a key ("%2f", "%61"), so that no two files
// ever claim the same key.
//
// External changes. The store keeps a snapshot of the folder: per key, the file's stamp (device,
// inode, size, modification time) and a hash of its bytes. A rescan compares the folder with it:
// a new key, a vanished key and a key whose bytes differ are changed; rewriting the same bytes is
// not. Our own setData() and remove() update the snapshot as they write, so they are never
// announced back to us. Changed keys are announced sorted, once per rescan, and only when there
// are some. Rescans run on synchronize() and processExternalChanges(): whoever runs the loop calls
// the latter when watchDescriptor() turns readable (see LoopWatch) and from a periodic fallback,
// which alone finds changes when inotify is unavailable or misses them (network file systems).
//
// Threads. Every member may be called from any thread: the hero document is written from a
// background queue while the main thread reads and rescans. One mutex guards the snapshot and the
// watch; writes hold it too, so that a rescan never sees our file before its record. Observers are
// never called with that mutex held: they may call the store back. They are called one at a time,
// inline on the thread that rescanned, or wherever the delivery hook (setDelivery) sends them.
// Two rescans on two threads may deliver their announcements in either order; observers re-read
// the values they care about, so the order does not matter.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/cloud_store_port.hpp"
#include "platform/file_watch.hpp"

namespace talewick {

class CloudFolderStore : public KeyValueCloudStore {
 public:
  // Receives each announcement as a job to run; the program posts it onto its main loop.
  using Delivery = std::function<void(std::function<void()> announcement)>;

  // Creates `folder` and its missing parents with mode 0700, then takes the first snapshot of
  // what the folder already holds (not announced). Throws std::system_error (or
  // std::filesystem::filesystem_error) when the folder cannot be made. A value that is there but
  // cannot be read (a folder in its file's place) reads as none and is reported on `diagnostics`,
  // once per key.
  explicit CloudFolderStore(std::filesystem::path folder, std::ostream& diagnostics = std::cerr);
  ~CloudFolderStore() override;
  CloudFolderStore(const CloudFolderStore&) = delete;
  CloudFolderStore& operator=(const CloudFolderStore&) = delete;

  const std::filesystem::path& folder() const { return folder_; }

  // nullopt as well for the empty key, which can hold nothing.
  std::optional<std::string> data(const std::string& key) const override;
  // Throws std::invalid_argument for the empty key, std::system_error when the file cannot be
  // written (the previous value is then intact).
  void setData(const std::string& key, const std::string& bytes) override;
  // The file is read back for the comparison once the new bytes are on disk, just before the
  // rename. Throws like setData().
  bool replaceData(const std::string& key, const std::optional<std::string>& expected,
                   const std::string& bytes) override;
  // An absent key (the empty one included) is fine. Throws std::system_error when the file exists
  // and cannot be removed.
  void remove(const std::string& key) override;
  // Our writes are durable as soon as setData() returns; this rescans and announces.
  void synchronize() override;

  int observeExternalChanges(ChangeObserver observer) override;
  // Once unobserve() has returned, that observer is not running and is not called again.
  void unobserve(int token) override;

  // When set, every announcement goes through `deliver` instead of calling the observers on the
  // rescanning thread. A job delivered after the store is gone does nothing.
  void setDelivery(Delivery deliver);

  // Readable when something may have changed in the folder; -1 when inotify is unavailable.
  int watchDescriptor() const { return watchFd_; }
  // Drains the watch, rescans, announces the changed keys and returns them (sorted).
  std::vector<std::string> processExternalChanges();

  // The file name holding `key`; the key a file name holds, nullopt for a name that is not
  // exactly the encoding of a non-empty key.
  static std::string fileNameForKey(const std::string& key);
  static std::optional<std::string> keyForFileName(const std::string& name);

 private:
  struct Stamp {
    std::uintmax_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const Stamp&) const = default;
  };
  struct Entry {
    // Set only when it can be trusted to reveal a rewrite: not for our own writes (another
    // process may have replaced the file between our rename and a stat) nor for files modified
    // within the timestamps' granularity.
    std::optional<Stamp> stamp;
    std::uint64_t hash = 0;
  };
  struct Observers;

  // Compares the folder with the snapshot, updates it, returns the changed keys sorted. Called
  // with mutex_ held.
  std::vector<std::string> rescanLocked();
  void announce(const std::vector<std::string>& keys, const Delivery& deliver) const;
  void reportOnce(const std::string& key, const std::string& line) const;

  const std::filesystem::path folder_;
  // Held weakly by delivered jobs: one that runs after the store is gone finds nobody to call.
  const std::shared_ptr<Observers> observers_;

  mutable std::mutex mutex_;  // guards everything below
  std::map<std::string, Entry> snapshot_;
  std::optional<FileWatch> watch_;
  int watchFd_ = -1;  // watch_'s descriptor, fixed once constructed
  Delivery deliver_;

  std::ostream* diagnostics_;
  mutable std::mutex reportMutex_;
  mutable std::set<std::string> reported_;  // keys already reported
};

}  // namespace talewick
