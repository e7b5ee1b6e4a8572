// How the SQLite engine brings a database's schema up to date with the steps of
// server/schema_steps.hpp.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "server/sqlite.hpp"

namespace talewick::server::sqlite {

// Applies the steps `db` has not had yet, in order and all in one transaction, and returns the
// version found before. Throws StorageError, leaving the database as it was, when a step fails or
// when the database comes from a newer program (it has had more steps than `steps` holds).
int migrate(Database& db, std::span<const std::string_view> steps);

}  // namespace talewick::server::sqlite
