#include "server/storage.hpp"

#include "server/postgres_storage.hpp"
#include "server/sqlite_storage.hpp"

namespace talewick::server {

std::unique_ptr<Storage> openStorage(const DatabaseLocation& database) {
  switch (database.engine) {
    case DatabaseLocation::Engine::sqlite:
      return std::make_unique<SqliteStorage>(database.sqlitePath());
    case DatabaseLocation::Engine::postgresql:
      return std::make_unique<PostgresStorage>(database.url);
  }
  throw StorageError("unknown database engine");
}

}  // namespace talewick::server
