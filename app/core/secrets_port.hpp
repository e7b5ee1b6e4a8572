// Where credentials live (tokens, passwords): items of text under a name, readable by this user
// only. The program wires the keychain.json file; tests an in-memory map.
#pragma once

#include <optional>
#include <string>

namespace talewick {

class SecretsStore {
 public:
  virtual ~SecretsStore() = default;

  // The secret stored under `item`; nullopt when there is none.
  virtual std::optional<std::string> get(const std::string& item) const = 0;
  // Both persist at once and throw std::system_error when they cannot; nothing changes then.
  virtual void set(const std::string& item, const std::string& secret) = 0;
  virtual void remove(const std::string& item) = 0;
};

}  // namespace talewick
