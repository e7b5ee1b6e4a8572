#include "server/storage.hpp"

#include "server/sqlite_storage.hpp"

namespace talewick::server {

std::unique_ptr<Storage> openStorage(const DatabaseLocation& database) {
  switch (database.engine) {
    case DatabaseLocation::Engine::sqlite:
      return std::make_unique<SqliteStorage>(database.sqlitePath());
    case DatabaseLocation::Engine::postgresql:
      break;
  }
  throw StorageError(
      "PostgreSQL storage is not available in this version of talewick-server; set \"database\" "
      "to \"sqlite:/path/file.db\"");
}

}  // namespace talewick::server
