#include "server/sqlite_migrations.hpp"

#include <string>

#include "server/storage.hpp"

namespace talewick::server::sqlite {

const std::vector<std::string_view>& schemaSteps() {
  static const std::vector<std::string_view> steps = {
      // 1: users, their connections and their OAuth round trips.
      R"sql(
        CREATE TABLE users (
          id TEXT PRIMARY KEY,
          key_hash TEXT NOT NULL UNIQUE,
          created_at INTEGER NOT NULL
        );
        CREATE TABLE connections (
          user_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          provider TEXT NOT NULL,
          id TEXT NOT NULL,
          profile TEXT NOT NULL,
          connected_at INTEGER,
          PRIMARY KEY (user_id, provider, id)
        );
        CREATE TABLE oauth_states (
          state TEXT PRIMARY KEY,
          user_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          provider TEXT NOT NULL,
          code_verifier TEXT NOT NULL,
          created_at INTEGER NOT NULL,
          UNIQUE (user_id, provider)
        );
      )sql",
      // 2: the provider tokens of each connection, sealed.
      R"sql(
        ALTER TABLE connections ADD COLUMN tokens TEXT NOT NULL DEFAULT '';
      )sql",
      // 3: booking links and the bookings of their slots. One booking at most holds a slot:
      // the partial index makes a second request for it fail, whatever process sends it, and
      // a declined booking lets it go.
      R"sql(
        CREATE TABLE openings (
          id TEXT PRIMARY KEY,
          public_id TEXT NOT NULL UNIQUE,
          owner_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          title TEXT NOT NULL,
          duration_min INTEGER NOT NULL,
          approval TEXT NOT NULL,
          conference TEXT NOT NULL,
          slots TEXT NOT NULL,
          created_at INTEGER NOT NULL
        );
        CREATE TABLE bookings (
          id TEXT PRIMARY KEY,
          opening_id TEXT NOT NULL REFERENCES openings(id) ON DELETE CASCADE,
          slot TEXT NOT NULL,
          name TEXT NOT NULL,
          email TEXT NOT NULL,
          note TEXT NOT NULL,
          status TEXT NOT NULL,
          created_at INTEGER NOT NULL
        );
        CREATE UNIQUE INDEX bookings_one_per_slot ON bookings (opening_id, slot)
          WHERE status <> 'declined';
        CREATE INDEX bookings_by_opening ON bookings (opening_id, created_at);
      )sql",
      // 4: the invitations mailed by the relay, and their guests with their answers.
      R"sql(
        CREATE TABLE invitations (
          uid TEXT PRIMARY KEY,
          token TEXT NOT NULL UNIQUE,
          owner_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,
          sequence INTEGER NOT NULL,
          title TEXT NOT NULL
        );
        CREATE TABLE invitation_guests (
          uid TEXT NOT NULL REFERENCES invitations(uid) ON DELETE CASCADE,
          email_key TEXT NOT NULL,
          email TEXT NOT NULL,
          name TEXT,
          position INTEGER NOT NULL,
          status TEXT NOT NULL,
          responded_at INTEGER,
          comment TEXT,
          PRIMARY KEY (uid, email_key)
        );
      )sql",
  };
  return steps;
}

int migrate(Database& db, std::span<const std::string_view> steps) {
  int found = 0;
  inTransaction(db, [&] {
    db.run("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    {
      Statement read(db, "SELECT version FROM schema_version");
      if (read.step()) found = static_cast<int>(read.integer(0));
    }
    const int known = static_cast<int>(steps.size());
    if (found > known) {
      throw StorageError("the database has schema version " + std::to_string(found) +
                         ", newer than this program's " + std::to_string(known) +
                         "; run a newer talewick-server");
    }
    for (int version = found; version < known; ++version) {
      try {
        db.run(steps[static_cast<std::size_t>(version)]);
      } catch (const StorageError& e) {
        throw StorageError("schema step " + std::to_string(version + 1) + " failed: " + e.what());
      }
    }
    if (found == known) return;
    db.run("DELETE FROM schema_version");
    Statement(db, "INSERT INTO schema_version (version) VALUES (?1)")
        .bind(1, static_cast<std::int64_t>(known))
        .run();
  });
  return found;
}

}  // namespace talewick::server::sqlite
