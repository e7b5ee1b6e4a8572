// Reading a provider's JSON without trusting it: every accessor answers nothing for a missing key
// or a value of another type, so that one malformed entry is skipped rather than fatal.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::server::pjson {

// The value at `key` of an object; nullptr when `value` is no object or lacks the key.
const nlohmann::json* at(const nlohmann::json& value, std::string_view key);

std::optional<std::string> string(const nlohmann::json& value, std::string_view key);
// A non-empty string.
std::optional<std::string> text(const nlohmann::json& value, std::string_view key);
std::optional<std::int64_t> integer(const nlohmann::json& value, std::string_view key);
bool flag(const nlohmann::json& value, std::string_view key);  // false unless true
// Seconds since 1970 of an ISO 8601 string.
std::optional<std::int64_t> instant(const nlohmann::json& value, std::string_view key);
// The array at `key`; empty when absent or of another type.
const nlohmann::json& array(const nlohmann::json& value, std::string_view key);
// The strings of an array (other entries skipped).
std::vector<std::string> strings(const nlohmann::json& value, std::string_view key);

}  // namespace talewick::server::pjson
