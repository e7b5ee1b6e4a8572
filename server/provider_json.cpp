#include "server/provider_json.hpp"

#include <cctype>

#include "server/time_text.hpp"

namespace talewick::server::pjson {

const nlohmann::json* at(const nlohmann::json& value, std::string_view key) {
  if (!value.is_object()) return nullptr;
  const auto found = value.find(key);
  return found == value.end() ? nullptr : &*found;
}

std::optional<std::string> string(const nlohmann::json& value, std::string_view key) {
  const nlohmann::json* found = at(value, key);
  if (!found || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::optional<std::string> text(const nlohmann::json& value, std::string_view key) {
  std::optional<std::string> found = string(value, key);
  if (found && found->empty()) return std::nullopt;
  return found;
}

std::optional<std::int64_t> integer(const nlohmann::json& value, std::string_view key) {
  const nlohmann::json* found = at(value, key);
  if (!found || !found->is_number_integer()) return std::nullopt;
  return found->get<std::int64_t>();
}

bool flag(const nlohmann::json& value, std::string_view key) {
  const nlohmann::json* found = at(value, key);
  return found && found->is_boolean() && found->get<bool>();
}

std::optional<std::int64_t> instant(const nlohmann::json& value, std::string_view key) {
  const std::optional<std::string> found = string(value, key);
  if (!found) return std::nullopt;
  const std::optional<ParsedInstant> parsed = parseIsoInstant(*found);
  if (!parsed) return std::nullopt;
  return parsed->unixSeconds;
}

const nlohmann::json& array(const nlohmann::json& value, std::string_view key) {
  static const nlohmann::json empty = nlohmann::json::array();
  const nlohmann::json* found = at(value, key);
  return found && found->is_array() ? *found : empty;
}

std::vector<std::string> strings(const nlohmann::json& value, std::string_view key) {
  std::vector<std::string> found;
  for (const nlohmann::json& entry : array(value, key)) {
    if (entry.is_string()) found.push_back(entry.get<std::string>());
  }
  return found;
}

}  // namespace talewick::server::pjson
