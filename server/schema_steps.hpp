// The database's schema, built by numbered steps: a database remembers in its schema_version
// table how many it has had, and gets the missing ones when it is opened. Both engines run the
// same steps: written in SQLite's spelling, where INTEGER holds 64 bits; PostgreSQL reads them
// with its 64-bit BIGINT in its place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talewick::server {

// The steps, oldest first: step i takes a database from version i to version i + 1. A step, once
// released, is never edited: a change of schema is a new step.
const std::vector<std::string_view>& schemaSteps();

// `step` as PostgreSQL runs it.
std::string inPostgresTypes(std::string_view step);

}  // namespace talewick::server
