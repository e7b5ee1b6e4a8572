// User preferences (small settings: hidden calendars, the narrative mode…), one JSON value per
// key. The program wires the defaults.json file store; tests an in-memory one.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/observers.hpp"
#include "support/json.hpp"

namespace talewick {

class Preferences {
 public:
  virtual ~Preferences() = default;

  // The value stored under `key`; nullopt when there is none.
  virtual std::optional<Json> value(const std::string& key) const = 0;
  // Stores and persists at once. Throws std::system_error when it cannot be written.
  virtual void set(const std::string& key, Json value) = 0;
  virtual void remove(const std::string& key) = 0;

  std::optional<std::string> string(const std::string& key) const;
  std::vector<std::string> stringList(
      const std::string& key) const;  // empty when absent or not a list of strings

  // `observer` hears the keys whose value changed, here or (when the store notices it) in another
  // process. Returns a token for unobserve(); once unobserve() has returned, that observer is not
  // called again, even by an announcement under way.
  using Observer = std::function<void(const std::vector<std::string>& changedKeys)>;
  int observe(Observer observer) { return observers_.add(std::move(observer)); }
  void unobserve(int token) { observers_.remove(token); }

 protected:
  void notifyChanged(const std::vector<std::string>& keys) { observers_.notify(keys); }

 private:
  ObserverList<const std::vector<std::string>&> observers_;
};

}  // namespace talewick
