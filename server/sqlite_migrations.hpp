// The SQLite engine's schema, built by numbered steps: a database remembers in its
// schema_version table how many it has had, and gets the missing ones when it is opened.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "server/sqlite.hpp"

namespace talewick::server::sqlite {

// The steps, oldest first: step i takes a database from version i to version i + 1. A step, once
// released, is never edited: a change of schema is a new step.
const std::vector<std::string_view>& schemaSteps();

// Applies the steps `db` has not had yet, in order and all in one transaction, and returns the
// version found before. Throws StorageError, leaving the database as it was, when a step fails or
// when the database comes from a newer program (it has had more steps than `steps` holds).
int migrate(Database& db, std::span<const std::string_view> steps);

}  // namespace talewick::server::sqlite
