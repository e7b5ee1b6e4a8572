// Secrets kept in keychain.json (one JSON object, item name → secret text), readable by this user
// only: the file has mode 0600 and its folder 0700 (tightened at each write).
//
// The file is read at every get(), so a secret stored by another process is seen at once. A
// damaged file reads as holding no secret; the first write after that keeps a copy of it beside
// ("keychain.json.damaged") before replacing it, so that nothing the user may still recover is
// lost. Writes are atomic and re-read the file first, keeping the items of other processes.
#pragma once

#include <filesystem>
#include <iostream>

#include "core/secrets_port.hpp"
#include "support/json.hpp"

namespace talewick {

// $TALEWICK_HOME/keychain.json when TALEWICK_HOME is set, else beside the preferences
// ($XDG_CONFIG_HOME/talewick, else ~/.config/talewick).
std::filesystem::path defaultKeychainPath();

class KeychainFile : public SecretsStore {
 public:
  // The damaged-file notice goes to `diagnostics`, once per damaged file seen.
  explicit KeychainFile(std::filesystem::path path, std::ostream& diagnostics = std::cerr);

  std::optional<std::string> get(const std::string& item) const override;
  void set(const std::string& item, const std::string& secret) override;
  void remove(const std::string& item) override;

  const std::filesystem::path& path() const { return path_; }

 private:
  struct Loaded {
    Json items = Json::object();
    bool damaged = false;
  };
  Loaded load() const;
  void write(const Loaded& loaded);

  std::filesystem::path path_;
  std::ostream* diagnostics_;
  mutable bool reported_ = false;
};

}  // namespace talewick
