// An in-memory cloud store for tests: thread-safe like the real one, with a way to play another
// machine writing to it.
#pragma once

#include <map>
#include <mutex>

#include "core/cloud_store_port.hpp"
#include "core/observers.hpp"

namespace talewick::testing {

class MemoryCloudStore : public KeyValueCloudStore {
 public:
  std::optional<std::string> data(const std::string& key) const override {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    return it == values_.end() ? std::nullopt : std::optional(it->second);
  }
  void setData(const std::string& key, const std::string& bytes) override {
    std::lock_guard lock(mutex_);
    values_[key] = bytes;
    ++writes_;
  }
  bool replaceData(const std::string& key, const std::optional<std::string>& expected,
                   const std::string& bytes) override {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if ((it == values_.end() ? std::nullopt : std::optional(it->second)) != expected) return false;
    values_[key] = bytes;
    ++writes_;
    return true;
  }
  void remove(const std::string& key) override {
    std::lock_guard lock(mutex_);
    values_.erase(key);
    ++writes_;
  }
  void synchronize() override {}
  int observeExternalChanges(ChangeObserver observer) override {
    return observers_.add(std::move(observer));
  }
  void unobserve(int token) override { observers_.remove(token); }

  // Another machine stores `bytes` under `key`; the observers hear of it at once.
  void writeFromElsewhere(const std::string& key, const std::string& bytes) {
    {
      std::lock_guard lock(mutex_);
      values_[key] = bytes;
    }
    observers_.notify(std::vector<std::string>{key});
  }
  // Writes made through this store (not from elsewhere).
  int writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> values_;
  int writes_ = 0;
  ObserverList<const std::vector<std::string>&> observers_;
};

}  // namespace talewick::testing
