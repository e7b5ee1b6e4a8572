// A key-value store shared by every machine of the user (and the companion phone application):
// one value of bytes per key. Writes made here are visible to the other machines after a
// synchronisation; changes that arrive from elsewhere are announced with the keys they touched.
//
// Implementations are thread-safe: the hero document is written from a background queue while the
// main thread reads. Observers are called where the implementation says (the program delivers
// them on the main loop).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talewick {

class KeyValueCloudStore {
 public:
  using ChangeObserver = std::function<void(const std::vector<std::string>& changedKeys)>;

  virtual ~KeyValueCloudStore() = default;

  // The bytes stored under `key`; nullopt when there are none or they cannot be read.
  virtual std::optional<std::string> data(const std::string& key) const = 0;
  // Throws std::system_error when the value cannot be stored; the previous value is then intact.
  virtual void setData(const std::string& key, const std::string& bytes) = 0;
  // Stores `bytes` only when `key` still holds `expected` (nullopt: no value), checked as late as
  // the store can; false, with nothing written, when someone else stored a value meanwhile.
  // Throws like setData().
  virtual bool replaceData(const std::string& key, const std::optional<std::string>& expected,
                           const std::string& bytes) = 0;
  virtual void remove(const std::string& key) = 0;
  // Makes our writes durable and takes in what changed elsewhere since the last look, announcing
  // it to the observers.
  virtual void synchronize() = 0;

  // `observer` hears the keys changed by someone else. Returns a token for unobserve().
  virtual int observeExternalChanges(ChangeObserver observer) = 0;
  virtual void unobserve(int token) = 0;
};

// What `merge` makes of the value stored under `key` (nullopt: nothing to change) is written
// without losing a value another process or machine stores while we merge: when the key changed
// under us, the new value is read and merged again. Throws like setData(), and a FileError when
// the key kept changing for every try (the caller's next change writes again).
void mergeIntoCloud(
    KeyValueCloudStore& store, const std::string& key,
    const std::function<std::optional<std::string>(const std::optional<std::string>& stored)>&
        merge);

}  // namespace talewick
