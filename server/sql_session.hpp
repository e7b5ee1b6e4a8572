// One transaction on the storage's database, for the stores that write their SQL once for both
// engines (guild, world boss, vigil): statements use the "?1, ?2…" parameters and the SQL both
// SQLite and PostgreSQL read alike (INSERT … ON CONFLICT, RETURNING).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::server {

// A parameter: SQL NULL, a whole number or a text.
struct SqlValue {
  std::optional<std::string> text;  // nullopt: NULL
  bool isNumber = false;
  SqlValue(std::nullptr_t) {}    // NOLINT(google-explicit-constructor)
  SqlValue(std::int64_t number)  // NOLINT(google-explicit-constructor)
      : text(std::to_string(number)), isNumber(true) {}
  SqlValue(int number) : SqlValue(static_cast<std::int64_t>(number)) {}   // NOLINT
  SqlValue(std::string value) : text(std::move(value)) {}                 // NOLINT
  SqlValue(std::string_view value) : text(std::string(value)) {}          // NOLINT
  SqlValue(const char* value) : text(std::string(value)) {}               // NOLINT
  SqlValue(std::optional<std::string> value) : text(std::move(value)) {}  // NOLINT
};

// One row of an answer, every column read as text (NULL as nullopt).
struct SqlRow {
  std::vector<std::optional<std::string>> cells;
  std::string text(std::size_t column) const;
  // Throws StorageError when the column is NULL or not a whole number.
  std::int64_t integer(std::size_t column) const;
  std::optional<std::int64_t> optionalInteger(std::size_t column) const;
  bool isNull(std::size_t column) const { return !cells.at(column); }
};

class SqlSession {
 public:
  virtual ~SqlSession() = default;
  // Runs one statement and returns its rows (none for a statement without an answer).
  virtual std::vector<SqlRow> query(std::string_view sql, const std::vector<SqlValue>& params) = 0;
  // Runs one statement and returns how many rows it changed.
  virtual std::int64_t execute(std::string_view sql, const std::vector<SqlValue>& params) = 0;
  // Holds, until the transaction ends, the lock called `name`: two transactions naming the same
  // lock run one after the other, whichever processes run them. (SQLite's write transactions
  // already run one at a time.)
  virtual void lock(std::string_view name) = 0;
};

// "?N" written "$N", as PostgreSQL numbers its parameters.
std::string dollarParameters(std::string_view sql);

}  // namespace talewick::server
