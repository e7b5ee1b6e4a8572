// The storage port on SQLite: one file, for a server that runs as one process.
#pragma once

#include <filesystem>
#include <mutex>

#include "server/sqlite.hpp"
#include "server/storage.hpp"

namespace talewick::server {

class SqliteStorage final : public Storage {
 public:
  // Opens the database at `path`, creating it (mode 0600: it holds the users' connections) when
  // absent, and brings its schema up to date. Throws StorageError.
  explicit SqliteStorage(const std::filesystem::path& path);

  void addUser(const std::string& userId, const std::string& keyHash,
               std::int64_t createdAt) override;
  std::optional<std::string> userWithKeyHash(const std::string& keyHash) override;
  std::vector<ProviderConnection> connections(const std::string& userId,
                                              const std::string& provider) override;
  void saveConnection(const std::string& userId, const ProviderConnection& connection) override;
  void removeConnections(const std::string& userId, const std::string& provider) override;
  void saveOAuthState(const OAuthState& state) override;
  std::optional<OAuthState> takeOAuthState(const std::string& state) override;
  bool saveInvitation(const Invitation& invitation) override;
  std::optional<Invitation> invitation(const std::string& uid) override;
  std::optional<Invitation> invitationWithToken(const std::string& token) override;
  bool saveAnswer(const std::string& uid, const std::string& email, const std::string& status,
                  std::int64_t respondedAt, const std::optional<std::string>& comment) override;

 private:
  // One connection serves every thread of the process, one call at a time; other processes
  // wait for the file's lock within the busy timeout.
  std::mutex mutex_;
  sqlite::Database db_;
};

}  // namespace talewick::server
