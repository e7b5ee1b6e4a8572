// Secrets kept in memory, for the stores that read credentials; writes can be made to fail as a
// locked or unwritable secrets file would.
#pragma once

#include <map>
#include <string>
#include <system_error>

#include "core/secrets_port.hpp"

namespace talewick::testing {

class MemorySecrets : public SecretsStore {
 public:
  std::map<std::string, std::string> items;
  bool failWrites = false;

  std::optional<std::string> get(const std::string& item) const override {
    const auto found = items.find(item);
    return found == items.end() ? std::nullopt : std::optional<std::string>(found->second);
  }
  void set(const std::string& item, const std::string& secret) override {
    if (failWrites) throw std::system_error(std::make_error_code(std::errc::read_only_file_system));
    items[item] = secret;
  }
  void remove(const std::string& item) override {
    if (failWrites) throw std::system_error(std::make_error_code(std::errc::read_only_file_system));
    items.erase(item);
  }
};

}  // namespace talewick::testing
