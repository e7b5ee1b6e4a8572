#include "server/sqlite.hpp"

#include "server/storage.hpp"

namespace talewick::server::sqlite {
namespace {

constexpr std::size_t MAX_PREPARED = 256;

}  // namespace

Database::Database(const std::filesystem::path& path) {
  const int code =
      sqlite3_open_v2(path.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (code != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    sqlite3_close(db_);
    throw StorageError("cannot open the database " + path.string() + ": " + message);
  }
  sqlite3_extended_result_codes(db_, 1);
}

Database::~Database() {
  for (const auto& [sql, statement] : prepared_) sqlite3_finalize(statement);
  sqlite3_close(db_);
}

sqlite3_stmt* Database::prepare(std::string_view sql) {
  const auto kept = prepared_.find(std::string(sql));
  if (kept != prepared_.end()) {
    sqlite3_stmt* statement = kept->second;
    prepared_.erase(kept);
    return statement;
  }
  sqlite3_stmt* statement = nullptr;
  check(sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr),
        "cannot prepare a statement");
  return statement;
}

void Database::keep(std::string_view sql, sqlite3_stmt* statement) {
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  // The same text in use twice at once leaves one copy to keep; texts built for one call (a list
  // of as many parameters as values) never fill the memory.
  if (prepared_.size() >= MAX_PREPARED || !prepared_.emplace(std::string(sql), statement).second) {
    sqlite3_finalize(statement);
  }
}

void Database::check(int code, std::string_view what) const {
  if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) return;
  throw StorageError(std::string(what) + ": " + sqlite3_errmsg(db_));
}

void Database::run(std::string_view script) {
  const char* rest = script.data();
  const char* const end = script.data() + script.size();
  while (rest < end) {
    sqlite3_stmt* statement = nullptr;
    const char* next = nullptr;
    check(sqlite3_prepare_v2(db_, rest, static_cast<int>(end - rest), &statement, &next),
          "cannot prepare a statement");
    if (statement == nullptr) break;  // only white space or comments were left
    int code;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    sqlite3_finalize(statement);
    check(code, "a statement failed");
    rest = next;
  }
}

Statement::Statement(Database& db, std::string_view sql)
    : db_(db), sql_(sql), statement_(db.prepare(sql)) {}

Statement::~Statement() {
  if (statement_) db_.keep(sql_, statement_);
}

Statement& Statement::bind(int index, std::string_view text) {
  db_.check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT),
            "cannot bind a value");
  return *this;
}

Statement& Statement::bind(int index, std::int64_t number) {
  db_.check(sqlite3_bind_int64(statement_, index, number), "cannot bind a value");
  return *this;
}

Statement& Statement::bind(int index, std::optional<std::int64_t> number) {
  if (number) return bind(index, *number);
  db_.check(sqlite3_bind_null(statement_, index), "cannot bind a value");
  return *this;
}

bool Statement::step() {
  const int code = sqlite3_step(statement_);
  db_.check(code, "a statement failed");
  return code == SQLITE_ROW;
}

std::string Statement::text(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
              : std::string();
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

bool Statement::isNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

int Statement::columns() const { return sqlite3_column_count(statement_); }

}  // namespace talewick::server::sqlite
