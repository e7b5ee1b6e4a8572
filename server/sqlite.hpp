// A thin RAII layer over SQLite's C interface: a connection and its prepared statements. Every
// value reaches SQL through a bound parameter, never through the text of a statement. Failures
// throw StorageError naming what was being done.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace talewick::server::sqlite {

class Database {
 public:
  // Opens (creating when absent) the database file at `path`.
  explicit Database(const std::filesystem::path& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* handle() const { return db_; }

  // Runs every statement of `script`, one after the other, each prepared on its own.
  void run(std::string_view script);

  // Throws StorageError with `what` and the connection's last message when `code` is an error.
  void check(int code, std::string_view what) const;

  // A prepared statement of `sql`: one kept from an earlier use when there is one, since the
  // server runs the same few statements all day and parsing them again costs as much as running
  // them. Give it back with `keep` once done.
  sqlite3_stmt* prepare(std::string_view sql);
  void keep(std::string_view sql, sqlite3_stmt* statement);

 private:
  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> prepared_;  // by their text; none in use
};

class Statement {
 public:
  Statement(Database& db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters are numbered from 1, as in SQL ("?1").
  Statement& bind(int index, std::string_view text);
  Statement& bind(int index, std::int64_t number);
  Statement& bind(int index, std::optional<std::int64_t> number);

  // Advances to the next row; false when there is none left.
  bool step();
  // Runs a statement that returns no rows.
  void run() {
    while (step()) {
    }
  }

  // Columns of the current row, numbered from 0.
  std::string text(int column) const;
  std::int64_t integer(int column) const;
  bool isNull(int column) const;
  // How many columns a row has.
  int columns() const;

 private:
  Database& db_;
  std::string sql_;
  sqlite3_stmt* statement_ = nullptr;
};

// Runs `work` inside one transaction, rolled back when `work` or the commit throws. A write
// transaction is taken at once ("BEGIN IMMEDIATE"), so that two writers queue on the busy timeout
// instead of failing half-way; a reading one begins with "BEGIN".
template <typename Work>
void inTransaction(Database& db, Work&& work, std::string_view begin = "BEGIN IMMEDIATE") {
  db.run(begin);
  try {
    work();
    db.run("COMMIT");
  } catch (...) {
    if (!sqlite3_get_autocommit(db.handle())) {
      sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    throw;
  }
}

}  // namespace talewick::server::sqlite
