#include "server/sqlite_storage.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "server/schema_steps.hpp"
#include "server/sqlite_migrations.hpp"

namespace talewick::server {

namespace {

// How long a call waits for another process's write before it fails.
constexpr int BUSY_TIMEOUT_MS = 5000;

// SQLite would create the file with the umask's permissions; its journal files copy the file's.
const std::filesystem::path& createPrivately(const std::filesystem::path& path) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) {
    const bool done = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (done) return path;
  } else if (errno == EEXIST) {
    return path;
  }
  throw StorageError("cannot create the database " + path.string() + ": " +
                     std::error_code(errno, std::generic_category()).message());
}

ProviderConnection connectionAt(const sqlite::Statement& row) {
  ProviderConnection connection;
  connection.provider = row.text(0);
  connection.id = row.text(1);
  connection.profile = nlohmann::json::parse(row.text(2), nullptr, false);
  if (!connection.profile.is_object()) {
    throw StorageError("a stored " + connection.provider + " connection is damaged");
  }
  if (!row.isNull(3)) connection.connectedAt = row.integer(3);
  connection.sealedTokens = row.text(4);
  return connection;
}

Opening openingAt(const sqlite::Statement& row) {
  Opening opening{row.text(0),    row.text(1), row.text(2), row.text(3),
                  row.integer(4), row.text(5), row.text(6), slotsFromText(row.text(7)),
                  row.integer(8)};
  return opening;
}

constexpr const char* OPENING_COLUMNS =
    "id, public_id, owner_id, title, duration_min, approval, conference, slots, created_at";

// How many connections read at once; the writer is one more.
constexpr int READERS = 4;

std::unique_ptr<sqlite::Database> openReader(const std::filesystem::path& path) {
  auto reader = std::make_unique<sqlite::Database>(path);
  sqlite3_busy_timeout(reader->handle(), BUSY_TIMEOUT_MS);
  reader->run("PRAGMA query_only = ON;");
  return reader;
}

}  // namespace

SqliteStorage::SqliteStorage(const std::filesystem::path& path)
    : path_(path), db_(createPrivately(path)) {
  sqlite3_busy_timeout(db_.handle(), BUSY_TIMEOUT_MS);
  // Readers go on while a writer writes, which the processes of one machine share well.
  db_.run("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON;");
  sqlite::migrate(db_, schemaSteps());
}

template <class Read>
auto SqliteStorage::reading(Read&& read) {
  std::unique_ptr<sqlite::Database> reader;
  {
    std::unique_lock lock(readersMutex_);
    readerReturned_.wait(lock, [&] { return !idleReaders_.empty() || openReaders_ < READERS; });
    if (!idleReaders_.empty()) {
      reader = std::move(idleReaders_.back());
      idleReaders_.pop_back();
    } else {
      ++openReaders_;
    }
  }
  // Back to the pool whatever happens; one that could not be opened is opened again next time.
  struct GiveBack {
    SqliteStorage& storage;
    std::unique_ptr<sqlite::Database>& reader;
    ~GiveBack() {
      const std::lock_guard lock(storage.readersMutex_);
      if (reader) {
        storage.idleReaders_.push_back(std::move(reader));
      } else {
        --storage.openReaders_;
      }
      storage.readerReturned_.notify_one();
    }
  } giveBack{*this, reader};
  if (!reader) reader = openReader(path_);
  return read(*reader);
}

void SqliteStorage::addUser(const std::string& userId, const std::string& keyHash,
                            std::int64_t createdAt) {
  const std::lock_guard lock(mutex_);
  sqlite::Statement(db_, "INSERT INTO users (id, key_hash, created_at) VALUES (?1, ?2, ?3)")
      .bind(1, userId)
      .bind(2, keyHash)
      .bind(3, createdAt)
      .run();
}

std::optional<std::string> SqliteStorage::userWithKeyHash(const std::string& keyHash) {
  return reading([&](sqlite::Database& db) -> std::optional<std::string> {
    sqlite::Statement find(db, "SELECT id FROM users WHERE key_hash = ?1");
    find.bind(1, keyHash);
    if (!find.step()) return std::nullopt;
    return find.text(0);
  });
}

std::vector<ProviderConnection> SqliteStorage::connections(const std::string& userId,
                                                           const std::string& provider) {
  return reading([&](sqlite::Database& db) {
    sqlite::Statement rows(db,
                           "SELECT provider, id, profile, connected_at, tokens FROM connections "
                           "WHERE user_id = ?1 AND provider = ?2 "
                           "ORDER BY connected_at DESC NULLS LAST, id");
    rows.bind(1, userId).bind(2, provider);
    std::vector<ProviderConnection> found;
    while (rows.step()) found.push_back(connectionAt(rows));
    return found;
  });
}

void SqliteStorage::saveConnection(const std::string& userId,
                                   const ProviderConnection& connection) {
  const std::lock_guard lock(mutex_);
  sqlite::Statement(db_,
                    "INSERT OR REPLACE INTO connections "
                    "(user_id, provider, id, profile, connected_at, tokens) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
      .bind(1, userId)
      .bind(2, connection.provider)
      .bind(3, connection.id)
      .bind(4, connection.profile.dump())
      .bind(5, connection.connectedAt)
      .bind(6, connection.sealedTokens)
      .run();
}

void SqliteStorage::removeConnections(const std::string& userId, const std::string& provider) {
  const std::lock_guard lock(mutex_);
  sqlite::Statement(db_, "DELETE FROM connections WHERE user_id = ?1 AND provider = ?2")
      .bind(1, userId)
      .bind(2, provider)
      .run();
}

void SqliteStorage::saveOAuthState(const OAuthState& state) {
  const std::lock_guard lock(mutex_);
  // The UNIQUE (user_id, provider) constraint makes REPLACE drop the abandoned attempt.
  sqlite::Statement(db_,
                    "INSERT OR REPLACE INTO oauth_states "
                    "(state, user_id, provider, code_verifier, created_at) "
                    "VALUES (?1, ?2, ?3, ?4, ?5)")
      .bind(1, state.state)
      .bind(2, state.userId)
      .bind(3, state.provider)
      .bind(4, state.codeVerifier)
      .bind(5, state.createdAt)
      .run();
}

std::optional<OAuthState> SqliteStorage::takeOAuthState(const std::string& state) {
  const std::lock_guard lock(mutex_);
  std::optional<OAuthState> taken;
  sqlite::inTransaction(db_, [&] {
    {
      sqlite::Statement find(db_,
                             "SELECT state, user_id, provider, code_verifier, created_at "
                             "FROM oauth_states WHERE state = ?1");
      find.bind(1, state);
      if (!find.step()) return;
      taken = OAuthState{find.text(0), find.text(1), find.text(2), find.text(3), find.integer(4)};
    }
    sqlite::Statement(db_, "DELETE FROM oauth_states WHERE state = ?1").bind(1, state).run();
  });
  return taken;
}

void SqliteStorage::addOpening(const Opening& opening) {
  const std::lock_guard lock(mutex_);
  sqlite::Statement(db_, std::string("INSERT INTO openings (") + OPENING_COLUMNS +
                             ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)")
      .bind(1, opening.id)
      .bind(2, opening.publicId)
      .bind(3, opening.ownerId)
      .bind(4, opening.title)
      .bind(5, opening.durationMin)
      .bind(6, opening.approval)
      .bind(7, opening.conference)
      .bind(8, slotsText(opening.slots))
      .bind(9, opening.createdAt)
      .run();
}

std::optional<Opening> SqliteStorage::openingWhere(const char* column, const std::string& value) {
  return reading([&](sqlite::Database& db) -> std::optional<Opening> {
    sqlite::Statement find(
        db, std::string("SELECT ") + OPENING_COLUMNS + " FROM openings WHERE " + column + " = ?1");
    find.bind(1, value);
    if (!find.step()) return std::nullopt;
    return openingAt(find);
  });
}

std::optional<Opening> SqliteStorage::opening(const std::string& id) {
  return openingWhere("id", id);
}

std::optional<Opening> SqliteStorage::openingWithPublicId(const std::string& publicId) {
  return openingWhere("public_id", publicId);
}

bool SqliteStorage::addBooking(const Booking& booking) {
  const std::lock_guard lock(mutex_);
  // The slot's index turns a second booking of it into nothing, in the one statement that
  // writes: no other process can slip in between a look and the write.
  sqlite::Statement(db_,
                    "INSERT INTO bookings "
                    "(id, opening_id, slot, name, email, note, status, created_at) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT DO NOTHING")
      .bind(1, booking.id)
      .bind(2, booking.openingId)
      .bind(3, booking.slot)
      .bind(4, booking.name)
      .bind(5, booking.email)
      .bind(6, booking.note)
      .bind(7, booking.status)
      .bind(8, booking.createdAt)
      .run();
  return sqlite3_changes(db_.handle()) == 1;
}

std::vector<Booking> SqliteStorage::bookings(const std::string& openingId) {
  return reading([&](sqlite::Database& db) {
    sqlite::Statement rows(db,
                           "SELECT id, opening_id, slot, name, email, note, status, created_at "
                           "FROM bookings WHERE opening_id = ?1 ORDER BY created_at, rowid");
    rows.bind(1, openingId);
    std::vector<Booking> found;
    while (rows.step()) {
      found.push_back(Booking{rows.text(0), rows.text(1), rows.text(2), rows.text(3), rows.text(4),
                              rows.text(5), rows.text(6), rows.integer(7)});
    }
    return found;
  });
}

BookingChange SqliteStorage::setBookingStatus(const std::string& openingId,
                                              const std::string& bookingId,
                                              const std::string& status) {
  const std::lock_guard lock(mutex_);
  // One statement: taking the slot back (a declined booking confirmed again) is refused when
  // another booking holds it, with no gap between the look and the write.
  sqlite::Statement(db_,
                    "UPDATE bookings SET status = ?3 WHERE id = ?1 AND opening_id = ?2 AND "
                    "(?3 = 'declined' OR status <> 'declined' OR NOT EXISTS (SELECT 1 FROM "
                    "bookings AS other WHERE other.opening_id = ?2 AND other.slot = bookings.slot "
                    "AND other.id <> ?1 AND other.status <> 'declined'))")
      .bind(1, bookingId)
      .bind(2, openingId)
      .bind(3, status)
      .run();
  if (sqlite3_changes(db_.handle()) == 1) return BookingChange::done;
  sqlite::Statement find(db_, "SELECT 1 FROM bookings WHERE id = ?1 AND opening_id = ?2");
  find.bind(1, bookingId).bind(2, openingId);
  return find.step() ? BookingChange::slotTaken : BookingChange::unknown;
}

}  // namespace talewick::server

namespace talewick::server {

namespace {

// The invitation whose `column` ("uid" or "token") is `value`, with its guests.
std::optional<Invitation> invitationWhere(sqlite::Database& db, std::string_view column,
                                          const std::string& value) {
  Invitation found;
  {
    sqlite::Statement find(db,
                           "SELECT uid, token, owner_id, sequence, title FROM invitations "
                           "WHERE " +
                               std::string(column) + " = ?1");
    find.bind(1, value);
    if (!find.step()) return std::nullopt;
    found = {find.text(0), find.text(1), find.text(2), find.integer(3), find.text(4), {}};
  }
  sqlite::Statement guests(db,
                           "SELECT email, name, status, responded_at, comment "
                           "FROM invitation_guests WHERE uid = ?1 ORDER BY position");
  guests.bind(1, found.uid);
  while (guests.step()) {
    InvitedGuest guest{guests.text(0), std::nullopt, guests.text(2), std::nullopt, std::nullopt};
    if (!guests.isNull(1)) guest.name = guests.text(1);
    if (!guests.isNull(3)) guest.respondedAt = guests.integer(3);
    if (!guests.isNull(4)) guest.comment = guests.text(4);
    found.guests.push_back(std::move(guest));
  }
  return found;
}

}  // namespace

bool SqliteStorage::saveInvitation(const Invitation& invitation) {
  const std::lock_guard lock(mutex_);
  bool saved = false;
  sqlite::inTransaction(db_, [&] {
    const std::optional<Invitation> before = invitationWhere(db_, "uid", invitation.uid);
    if (before && before->ownerId != invitation.ownerId) return;
    const std::optional<Invitation> sameToken = invitationWhere(db_, "token", invitation.token);
    if (sameToken && sameToken->uid != invitation.uid) return;
    sqlite::Statement(db_,
                      "INSERT INTO invitations (uid, token, owner_id, sequence, title) "
                      "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT (uid) DO UPDATE SET "
                      "token = excluded.token, sequence = excluded.sequence, "
                      "title = excluded.title")
        .bind(1, invitation.uid)
        .bind(2, invitation.token)
        .bind(3, invitation.ownerId)
        .bind(4, invitation.sequence)
        .bind(5, invitation.title)
        .run();
    // The guest list is written anew; the answers of the people still invited come from
    // `before`.
    sqlite::Statement(db_, "DELETE FROM invitation_guests WHERE uid = ?1")
        .bind(1, invitation.uid)
        .run();
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
      sqlite::Statement(db_,
                        "INSERT OR IGNORE INTO invitation_guests "
                        "(uid, email_key, email, name, position, status, responded_at, comment) "
                        "VALUES (?1, ?2, ?3, NULLIF(?4, ''), ?5, ?6, ?7, NULLIF(?8, ''))")
          .bind(1, invitation.uid)
          .bind(2, guestKey(kept.email))
          .bind(3, kept.email)
          .bind(4, kept.name.value_or(""))
          .bind(5, position++)
          .bind(6, kept.status)
          .bind(7, kept.respondedAt)
          .bind(8, kept.comment.value_or(""))
          .run();
    }
    saved = true;
  });
  return saved;
}

std::optional<Invitation> SqliteStorage::invitation(const std::string& uid) {
  return reading([&](sqlite::Database& db) {
    std::optional<Invitation> found;
    sqlite::inTransaction(
        db, [&] { found = invitationWhere(db, "uid", uid); }, "BEGIN");
    return found;
  });
}

std::optional<Invitation> SqliteStorage::invitationWithToken(const std::string& token) {
  return reading([&](sqlite::Database& db) {
    std::optional<Invitation> found;
    sqlite::inTransaction(
        db, [&] { found = invitationWhere(db, "token", token); }, "BEGIN");
    return found;
  });
}

bool SqliteStorage::saveAnswer(const std::string& uid, const std::string& email,
                               const std::string& status, std::int64_t respondedAt,
                               const std::optional<std::string>& comment) {
  const std::lock_guard lock(mutex_);
  sqlite::Statement(db_,
                    "UPDATE invitation_guests SET status = ?3, responded_at = ?4, "
                    "comment = NULLIF(?5, '') WHERE uid = ?1 AND email_key = ?2")
      .bind(1, uid)
      .bind(2, guestKey(email))
      .bind(3, status)
      .bind(4, respondedAt)
      .bind(5, comment.value_or(""))
      .run();
  return sqlite3_changes(db_.handle()) > 0;
}

}  // namespace talewick::server

namespace talewick::server {

namespace {

class SqliteSession final : public SqlSession {
 public:
  explicit SqliteSession(sqlite::Database& db) : db_(db) {}

  std::vector<SqlRow> query(std::string_view sql, const std::vector<SqlValue>& params) override {
    sqlite::Statement statement(db_, sql);
    bindAll(statement, params);
    std::vector<SqlRow> rows;
    while (statement.step()) {
      SqlRow row;
      for (int column = 0; column < statement.columns(); ++column) {
        if (statement.isNull(column)) {
          row.cells.emplace_back(std::nullopt);
        } else {
          row.cells.emplace_back(statement.text(column));
        }
      }
      rows.push_back(std::move(row));
    }
    return rows;
  }

  std::int64_t execute(std::string_view sql, const std::vector<SqlValue>& params) override {
    sqlite::Statement statement(db_, sql);
    bindAll(statement, params);
    statement.run();
    return sqlite3_changes(db_.handle());
  }

  void lock(std::string_view) override {}

 private:
  static void bindAll(sqlite::Statement& statement, const std::vector<SqlValue>& params) {
    for (std::size_t i = 0; i < params.size(); ++i) {
      const int index = static_cast<int>(i) + 1;
      const SqlValue& value = params[i];
      if (!value.text) {
        statement.bind(index, std::optional<std::int64_t>());
      } else if (value.isNumber) {
        statement.bind(index, static_cast<std::int64_t>(std::stoll(*value.text)));
      } else {
        statement.bind(index, *value.text);
      }
    }
  }

  sqlite::Database& db_;
};

}  // namespace

void SqliteStorage::inSqlTransaction(const std::function<void(SqlSession&)>& work) {
  const std::lock_guard lock(mutex_);
  sqlite::inTransaction(db_, [&] {
    SqliteSession session(db_);
    work(session);
  });
}

void SqliteStorage::inSqlReading(const std::function<void(SqlSession&)>& work) {
  reading([&](sqlite::Database& db) {
    sqlite::inTransaction(
        db,
        [&] {
          SqliteSession session(db);
          work(session);
        },
        "BEGIN");
  });
}

}  // namespace talewick::server
