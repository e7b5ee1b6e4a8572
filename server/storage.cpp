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

std::string slotsText(const std::vector<std::string>& slots) {
  return nlohmann::json(slots).dump();
}

std::vector<std::string> slotsFromText(const std::string& text) {
  const nlohmann::json slots = nlohmann::json::parse(text, nullptr, false);
  std::vector<std::string> found;
  if (!slots.is_array()) throw StorageError("the slots of a stored opening are damaged");
  for (const nlohmann::json& slot : slots) {
    if (!slot.is_string()) throw StorageError("the slots of a stored opening are damaged");
    found.push_back(slot.get<std::string>());
  }
  return found;
}

}  // namespace talewick::server
