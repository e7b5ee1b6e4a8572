#include "server/postgres_storage.hpp"

#include <cstdio>
#include <functional>

#include "server/schema_steps.hpp"

namespace talewick::server {

namespace {

// Any number taken by this program alone: the lock under which one process migrates at a time.
constexpr std::int64_t MIGRATION_LOCK = 0x7461'6c65'7769'636b;  // "talewick"

// Runs `sql` as a statement its connection prepares once: the server runs the same few
// statements all day, and parsing and planning them again cost as much as running them. The
// name comes from the text, so each connection declares it on first use and finds it after.
template <class Transaction, class... Args>
pqxx::result execPrepared(Transaction& work, const std::string& sql, Args&&... args) {
  char name[24];
  std::snprintf(name, sizeof name, "s%016zx", std::hash<std::string>{}(sql));
  work.conn().prepare(name, sql);
  return work.exec_prepared(name, std::forward<Args>(args)...);
}

void migrate(pqxx::connection& connection) {
  pqxx::work work(connection);
  work.exec_params("SELECT pg_advisory_xact_lock($1)", MIGRATION_LOCK);
  work.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
  const pqxx::result rows = work.exec("SELECT version FROM schema_version");
  const int found = rows.empty() ? 0 : rows[0][0].as<int>();
  const int known = static_cast<int>(schemaSteps().size());
  if (found > known) {
    throw StorageError("the database has schema version " + std::to_string(found) +
                       ", newer than this program's " + std::to_string(known) +
                       "; run a newer talewick-server");
  }
  for (int version = found; version < known; ++version) {
    try {
      work.exec(inPostgresTypes(schemaSteps()[static_cast<std::size_t>(version)]));
    } catch (const pqxx::sql_error& e) {
      throw StorageError("schema step " + std::to_string(version + 1) + " failed: " + e.what());
    }
  }
  if (found != known) {
    work.exec("DELETE FROM schema_version");
    work.exec_params("INSERT INTO schema_version (version) VALUES ($1)", known);
  }
  work.commit();
}

ProviderConnection connectionOf(const pqxx::row& row) {
  ProviderConnection connection;
  connection.provider = row[0].as<std::string>();
  connection.id = row[1].as<std::string>();
  connection.profile = nlohmann::json::parse(row[2].as<std::string>(), nullptr, false);
  if (!connection.profile.is_object()) {
    throw StorageError("a stored " + connection.provider + " connection is damaged");
  }
  if (!row[3].is_null()) connection.connectedAt = row[3].as<std::int64_t>();
  connection.sealedTokens = row[4].as<std::string>();
  return connection;
}

constexpr const char* OPENING_COLUMNS =
    "id, public_id, owner_id, title, duration_min, approval, conference, slots, created_at";

Opening openingOf(const pqxx::row& row) {
  return Opening{row[0].as<std::string>(),  row[1].as<std::string>(),
                 row[2].as<std::string>(),  row[3].as<std::string>(),
                 row[4].as<std::int64_t>(), row[5].as<std::string>(),
                 row[6].as<std::string>(),  slotsFromText(row[7].as<std::string>()),
                 row[8].as<std::int64_t>()};
}

}  // namespace

PostgresStorage::PostgresStorage(const std::string& url) : url_(url) {
  try {
    auto connection = std::make_unique<pqxx::connection>(url_);
    migrate(*connection);
    idle_.push_back(std::move(connection));
    open_ = 1;
  } catch (const StorageError&) {
    throw;
  } catch (const std::exception& e) {
    throw StorageError(std::string("cannot open the PostgreSQL database: ") + e.what());
  }
}

template <class Transaction, class Work>
auto PostgresStorage::inTransaction(Work&& work) {
  std::unique_ptr<pqxx::connection> connection;
  {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [&] { return !idle_.empty() || open_ < POOL_SIZE; });
    if (!idle_.empty()) {
      connection = std::move(idle_.back());
      idle_.pop_back();
    } else {
      ++open_;
    }
  }
  // Back to the pool whatever happens; a broken connection is dropped, to be opened again.
  struct Return {
    PostgresStorage& storage;
    std::unique_ptr<pqxx::connection>& connection;
    ~Return() {
      const std::lock_guard lock(storage.mutex_);
      if (connection && connection->is_open()) {
        storage.idle_.push_back(std::move(connection));
      } else {
        --storage.open_;
      }
      storage.released_.notify_one();
    }
  } giveBack{*this, connection};
  try {
    if (!connection || !connection->is_open()) {
      connection = std::make_unique<pqxx::connection>(url_);
    }
    Transaction transaction(*connection);
    if constexpr (std::is_void_v<decltype(work(transaction))>) {
      work(transaction);
      transaction.commit();
    } else {
      auto result = work(transaction);
      transaction.commit();
      return result;
    }
  } catch (const StorageError&) {
    throw;
  } catch (const pqxx::unique_violation& e) {
    throw StorageError(std::string("already stored: ") + e.what());
  } catch (const std::exception& e) {
    throw StorageError(std::string("PostgreSQL: ") + e.what());
  }
}

void PostgresStorage::addUser(const std::string& userId, const std::string& keyHash,
                              std::int64_t createdAt) {
  inTransaction([&](pqxx::work& work) {
    execPrepared(work, "INSERT INTO users (id, key_hash, created_at) VALUES ($1, $2, $3)", userId,
                 keyHash, createdAt);
  });
}

std::optional<std::string> PostgresStorage::userWithKeyHash(const std::string& keyHash) {
  return inTransaction<pqxx::nontransaction>([&](auto& work) -> std::optional<std::string> {
    const pqxx::result rows =
        execPrepared(work, "SELECT id FROM users WHERE key_hash = $1", keyHash);
    if (rows.empty()) return std::nullopt;
    return rows[0][0].as<std::string>();
  });
}

std::vector<ProviderConnection> PostgresStorage::connections(const std::string& userId,
                                                             const std::string& provider) {
  return inTransaction<pqxx::nontransaction>([&](auto& work) {
    const pqxx::result rows = execPrepared(
        work,
        "SELECT provider, id, profile, connected_at, tokens FROM connections "
        "WHERE user_id = $1 AND provider = $2 ORDER BY connected_at DESC NULLS LAST, id",
        userId, provider);
    std::vector<ProviderConnection> found;
    for (const pqxx::row& row : rows) found.push_back(connectionOf(row));
    return found;
  });
}

void PostgresStorage::saveConnection(const std::string& userId,
                                     const ProviderConnection& connection) {
  inTransaction([&](pqxx::work& work) {
    const std::optional<std::int64_t>& at = connection.connectedAt;
    execPrepared(
        work,
        "INSERT INTO connections (user_id, provider, id, profile, connected_at, tokens) "
        "VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (user_id, provider, id) DO UPDATE SET "
        "profile = EXCLUDED.profile, connected_at = EXCLUDED.connected_at, "
        "tokens = EXCLUDED.tokens",
        userId, connection.provider, connection.id, connection.profile.dump(), at,
        connection.sealedTokens);
  });
}

void PostgresStorage::removeConnections(const std::string& userId, const std::string& provider) {
  inTransaction([&](pqxx::work& work) {
    execPrepared(work, "DELETE FROM connections WHERE user_id = $1 AND provider = $2", userId,
                 provider);
  });
}

void PostgresStorage::saveOAuthState(const OAuthState& state) {
  inTransaction([&](pqxx::work& work) {
    // A user who starts again abandons the attempt left unfinished with the same provider.
    execPrepared(work, "DELETE FROM oauth_states WHERE user_id = $1 AND provider = $2",
                 state.userId, state.provider);
    execPrepared(work,
                 "INSERT INTO oauth_states (state, user_id, provider, code_verifier, created_at) "
                 "VALUES ($1, $2, $3, $4, $5)",
                 state.state, state.userId, state.provider, state.codeVerifier, state.createdAt);
  });
}

std::optional<OAuthState> PostgresStorage::takeOAuthState(const std::string& state) {
  return inTransaction([&](pqxx::work& work) -> std::optional<OAuthState> {
    const pqxx::result rows =
        execPrepared(work,
                     "DELETE FROM oauth_states WHERE state = $1 "
                     "RETURNING state, user_id, provider, code_verifier, created_at",
                     state);
    if (rows.empty()) return std::nullopt;
    const pqxx::row row = rows[0];
    return OAuthState{row[0].as<std::string>(), row[1].as<std::string>(), row[2].as<std::string>(),
                      row[3].as<std::string>(), row[4].as<std::int64_t>()};
  });
}

void PostgresStorage::addOpening(const Opening& opening) {
  inTransaction([&](pqxx::work& work) {
    execPrepared(work,
                 std::string("INSERT INTO openings (") + OPENING_COLUMNS +
                     ") VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)",
                 opening.id, opening.publicId, opening.ownerId, opening.title, opening.durationMin,
                 opening.approval, opening.conference, slotsText(opening.slots), opening.createdAt);
  });
}

std::optional<Opening> PostgresStorage::openingWhere(const char* column, const std::string& value) {
  return inTransaction([&](pqxx::work& work) -> std::optional<Opening> {
    const pqxx::result rows = execPrepared(
        work, std::string("SELECT ") + OPENING_COLUMNS + " FROM openings WHERE " + column + " = $1",
        value);
    if (rows.empty()) return std::nullopt;
    return openingOf(rows[0]);
  });
}

std::optional<Opening> PostgresStorage::opening(const std::string& id) {
  return openingWhere("id", id);
}

std::optional<Opening> PostgresStorage::openingWithPublicId(const std::string& publicId) {
  return openingWhere("public_id", publicId);
}

bool PostgresStorage::addBooking(const Booking& booking) {
  // Of two processes inserting the same slot at once, the second waits for the first to commit
  // and then writes nothing: the slot's index decides, not a look beforehand.
  return inTransaction([&](pqxx::work& work) {
    const pqxx::result written = execPrepared(
        work,
        "INSERT INTO bookings (id, opening_id, slot, name, email, note, status, created_at) "
        "VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT DO NOTHING",
        booking.id, booking.openingId, booking.slot, booking.name, booking.email, booking.note,
        booking.status, booking.createdAt);
    return written.affected_rows() == 1;
  });
}

std::vector<Booking> PostgresStorage::bookings(const std::string& openingId) {
  return inTransaction([&](pqxx::work& work) {
    const pqxx::result rows = execPrepared(
        work,
        "SELECT id, opening_id, slot, name, email, note, status, created_at FROM bookings "
        "WHERE opening_id = $1 ORDER BY created_at, id",
        openingId);
    std::vector<Booking> found;
    for (const pqxx::row& row : rows) {
      found.push_back(Booking{row[0].as<std::string>(), row[1].as<std::string>(),
                              row[2].as<std::string>(), row[3].as<std::string>(),
                              row[4].as<std::string>(), row[5].as<std::string>(),
                              row[6].as<std::string>(), row[7].as<std::int64_t>()});
    }
    return found;
  });
}

BookingChange PostgresStorage::setBookingStatus(const std::string& openingId,
                                                const std::string& bookingId,
                                                const std::string& status) {
  return inTransaction([&](pqxx::work& work) {
    try {
      // A savepoint: a booking taking the slot meanwhile fails this statement alone.
      pqxx::subtransaction update(work);
      const pqxx::result written = execPrepared(
          update,
          "UPDATE bookings SET status = $3 WHERE id = $1 AND opening_id = $2 AND "
          "($3 = 'declined' OR status <> 'declined' OR NOT EXISTS (SELECT 1 FROM bookings AS "
          "other WHERE other.opening_id = $2 AND other.slot = bookings.slot AND other.id <> $1 "
          "AND other.status <> 'declined'))",
          bookingId, openingId, status);
      update.commit();
      if (written.affected_rows() == 1) return BookingChange::done;
    } catch (const pqxx::unique_violation&) {
      return BookingChange::slotTaken;
    }
    const pqxx::result found = execPrepared(
        work, "SELECT 1 FROM bookings WHERE id = $1 AND opening_id = $2", bookingId, openingId);
    return found.empty() ? BookingChange::unknown : BookingChange::slotTaken;
  });
}

}  // namespace talewick::server

namespace talewick::server {

namespace {

// The invitation whose `column` ("uid" or "token") is `value`, with its guests.
std::optional<Invitation> invitationWhere(pqxx::work& work, std::string_view column,
                                          const std::string& value) {
  const pqxx::result rows =
      execPrepared(work,
                   "SELECT uid, token, owner_id, sequence, title FROM invitations WHERE " +
                       std::string(column) + " = $1",
                   value);
  if (rows.empty()) return std::nullopt;
  const pqxx::row row = rows[0];
  Invitation found{row[0].as<std::string>(),  row[1].as<std::string>(), row[2].as<std::string>(),
                   row[3].as<std::int64_t>(), row[4].as<std::string>(), {}};
  for (const pqxx::row& guest :
       execPrepared(work,
                    "SELECT email, name, status, responded_at, comment "
                    "FROM invitation_guests WHERE uid = $1 ORDER BY position",
                    found.uid)) {
    InvitedGuest read{guest[0].as<std::string>(), std::nullopt, guest[2].as<std::string>(),
                      std::nullopt, std::nullopt};
    if (!guest[1].is_null()) read.name = guest[1].as<std::string>();
    if (!guest[3].is_null()) read.respondedAt = guest[3].as<std::int64_t>();
    if (!guest[4].is_null()) read.comment = guest[4].as<std::string>();
    found.guests.push_back(std::move(read));
  }
  return found;
}

std::optional<std::string> unlessEmpty(const std::optional<std::string>& text) {
  if (text && text->empty()) return std::nullopt;
  return text;
}

}  // namespace

bool PostgresStorage::saveInvitation(const Invitation& invitation) {
  return inTransaction([&](pqxx::work& work) {
    // Two processes saving the same invitation at once take turns.
    execPrepared(work, "SELECT pg_advisory_xact_lock(hashtext($1))", invitation.uid);
    const std::optional<Invitation> before = invitationWhere(work, "uid", invitation.uid);
    if (before && before->ownerId != invitation.ownerId) return false;
    const std::optional<Invitation> sameToken = invitationWhere(work, "token", invitation.token);
    if (sameToken && sameToken->uid != invitation.uid) return false;
    execPrepared(
        work,
        "INSERT INTO invitations (uid, token, owner_id, sequence, title) VALUES ($1, $2, $3, $4, "
        "$5) ON CONFLICT (uid) DO UPDATE SET token = EXCLUDED.token, sequence = "
        "EXCLUDED.sequence, title = EXCLUDED.title",
        invitation.uid, invitation.token, invitation.ownerId, invitation.sequence,
        invitation.title);
    execPrepared(work, "DELETE FROM invitation_guests WHERE uid = $1", invitation.uid);
    std::int64_t position = 0;
    for (const InvitedGuest& guest : invitation.guests) {
      InvitedGuest kept = guest;
      if (before) {
        for (const InvitedGuest& old : before->guests) {
          if (guestKey(old.email) != guestKey(guest.email)) continue;
          kept.status = old.status;
          kept.respondedAt = old.respondedAt;
          kept.comment = old.comment;
        }
      }
      execPrepared(work,
                   "INSERT INTO invitation_guests "
                   "(uid, email_key, email, name, position, status, responded_at, comment) "
                   "VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT DO NOTHING",
                   invitation.uid, guestKey(kept.email), kept.email, unlessEmpty(kept.name),
                   position++, kept.status, kept.respondedAt, unlessEmpty(kept.comment));
    }
    return true;
  });
}

std::optional<Invitation> PostgresStorage::invitation(const std::string& uid) {
  return inTransaction([&](pqxx::work& work) { return invitationWhere(work, "uid", uid); });
}

std::optional<Invitation> PostgresStorage::invitationWithToken(const std::string& token) {
  return inTransaction([&](pqxx::work& work) { return invitationWhere(work, "token", token); });
}

bool PostgresStorage::saveAnswer(const std::string& uid, const std::string& email,
                                 const std::string& status, std::int64_t respondedAt,
                                 const std::optional<std::string>& comment) {
  return inTransaction([&](pqxx::work& work) {
    const pqxx::result changed =
        execPrepared(work,
                     "UPDATE invitation_guests SET status = $3, responded_at = $4, comment = $5 "
                     "WHERE uid = $1 AND email_key = $2",
                     uid, guestKey(email), status, respondedAt, unlessEmpty(comment));
    return changed.affected_rows() > 0;
  });
}

}  // namespace talewick::server

namespace talewick::server {

namespace {

class PostgresSession final : public SqlSession {
 public:
  explicit PostgresSession(pqxx::transaction_base& work) : work_(work) {}

  std::vector<SqlRow> query(std::string_view sql, const std::vector<SqlValue>& params) override {
    const pqxx::result result = run(sql, params);
    std::vector<SqlRow> rows;
    rows.reserve(result.size());
    for (const pqxx::row& found : result) {
      SqlRow row;
      for (const pqxx::field& field : found) {
        if (field.is_null()) {
          row.cells.emplace_back(std::nullopt);
        } else {
          row.cells.emplace_back(field.c_str());
        }
      }
      rows.push_back(std::move(row));
    }
    return rows;
  }

  std::int64_t execute(std::string_view sql, const std::vector<SqlValue>& params) override {
    return run(sql, params).affected_rows();
  }

  void lock(std::string_view name) override {
    execPrepared(work_, "SELECT pg_advisory_xact_lock(hashtext($1))", std::string(name));
  }

 private:
  pqxx::result run(std::string_view sql, const std::vector<SqlValue>& params) {
    std::vector<std::optional<std::string>> values;
    values.reserve(params.size());
    for (const SqlValue& value : params) values.push_back(value.text);
    return execPrepared(work_, dollarParameters(sql), pqxx::prepare::make_dynamic_params(values));
  }

  pqxx::transaction_base& work_;
};

}  // namespace

void PostgresStorage::inSqlTransaction(const std::function<void(SqlSession&)>& work) {
  inTransaction([&](pqxx::work& transaction) {
    PostgresSession session(transaction);
    work(session);
  });
}

void PostgresStorage::inSqlReading(const std::function<void(SqlSession&)>& work) {
  // The reads are single statements: without BEGIN and COMMIT, one round trip each.
  inTransaction<pqxx::nontransaction>([&](pqxx::nontransaction& transaction) {
    PostgresSession session(transaction);
    work(session);
  });
}

}  // namespace talewick::server
