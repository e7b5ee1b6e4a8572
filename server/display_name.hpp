// Names people choose (a hero's, a guild's) as the server keeps them: trimmed of white space,
// one line of text without control characters, within a length counted as a reader counts
// characters.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace talewick::server {

// The trimmed string under `key` of `body` when it has `minLength` … `maxLength` characters and
// no control character; nullopt for anything else (absent, not a string, too short…).
std::optional<std::string> displayName(const nlohmann::json& body, const std::string& key,
                                       int minLength, int maxLength);

}  // namespace talewick::server
