// The storage port on PostgreSQL: one database shared by several server processes (behind a load
// balancer), when one machine is no longer enough.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <pqxx/pqxx>
#include <string>
#include <vector>

#include "server/storage.hpp"

namespace talewick::server {

class PostgresStorage final : public Storage {
 public:
  // A few connections: each request holds one for the length of its call.
  static constexpr std::size_t POOL_SIZE = 4;

  // Connects to `url` ("postgresql://user@host/db", a socket folder as "?host=/path") and brings
  // the schema up to date; processes starting together take turns at it. Throws StorageError.
  explicit PostgresStorage(const std::string& url);

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
  // Runs `work` in a transaction on a connection of the pool, committed when it returns; engine
  // failures become StorageError. A connection the server dropped is opened again.
  // Runs `work` on a pooled connection, in a transaction of type `Transaction`: pqxx::work, or
  // pqxx::nontransaction for one statement that reads (one round trip to the server, not three).
  template <class Transaction = pqxx::work, class Work>
  auto inTransaction(Work&& work);

  std::string url_;
  std::mutex mutex_;
  std::condition_variable released_;
  std::vector<std::unique_ptr<pqxx::connection>> idle_;
  std::size_t open_ = 0;
};

}  // namespace talewick::server
