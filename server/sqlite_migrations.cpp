#include "server/sqlite_migrations.hpp"

#include <string>

#include "server/storage.hpp"

namespace talewick::server::sqlite {

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
