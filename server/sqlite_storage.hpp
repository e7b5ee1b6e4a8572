// The storage port on SQLite: one file, for a server that runs as one process.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

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
  void addOpening(const Opening& opening) override;
  std::optional<Opening> opening(const std::string& id) override;
  std::optional<Opening> openingWithPublicId(const std::string& publicId) override;
  bool addBooking(const Booking& booking) override;
  std::vector<Booking> bookings(const std::string& openingId) override;
  BookingChange setBookingStatus(const std::string& openingId, const std::string& bookingId,
                                 const std::string& status) override;
  bool saveInvitation(const Invitation& invitation) override;
  std::optional<Invitation> invitation(const std::string& uid) override;
  std::optional<Invitation> invitationWithToken(const std::string& token) override;
  bool saveAnswer(const std::string& uid, const std::string& email, const std::string& status,
                  std::int64_t respondedAt, const std::optional<std::string>& comment) override;
  void inSqlTransaction(const std::function<void(SqlSession&)>& work) override;
  void inSqlReading(const std::function<void(SqlSession&)>& work) override;

 private:
  std::optional<Opening> openingWhere(const char* column, const std::string& value);
  // Runs `read` on a connection of the readers' pool: in WAL mode a reader sees the last commit
  // and never waits for the writer, so the reads of many threads go on side by side.
  template <class Read>
  auto reading(Read&& read);

  const std::filesystem::path path_;
  // The one writer: every write of the process, one at a time; other processes wait for the
  // file's lock within the busy timeout.
  std::mutex mutex_;
  sqlite::Database db_;
  std::mutex readersMutex_;
  std::condition_variable readerReturned_;
  std::vector<std::unique_ptr<sqlite::Database>> idleReaders_;
  int openReaders_ = 0;
};

}  // namespace talewick::server
