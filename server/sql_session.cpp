#include "server/sql_session.hpp"

#include <charconv>

#include "server/storage.hpp"

namespace talewick::server {

std::string SqlRow::text(std::size_t column) const { return cells.at(column).value_or(""); }

std::int64_t SqlRow::integer(std::size_t column) const {
  const std::optional<std::int64_t> value = optionalInteger(column);
  if (!value) throw StorageError("a stored number is missing");
  return *value;
}

std::optional<std::int64_t> SqlRow::optionalInteger(std::size_t column) const {
  const std::optional<std::string>& cell = cells.at(column);
  if (!cell) return std::nullopt;
  std::int64_t value = 0;
  const char* end = cell->data() + cell->size();
  const auto [last, error] = std::from_chars(cell->data(), end, value);
  if (error != std::errc() || last != end) {
    throw StorageError("a stored number is damaged: \"" + *cell + "\"");
  }
  return value;
}

std::string dollarParameters(std::string_view sql) {
  std::string out;
  out.reserve(sql.size());
  for (char c : sql) out += c == '?' ? '$' : c;
  return out;
}

}  // namespace talewick::server
