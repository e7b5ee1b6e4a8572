// What the routes read of a request before they look at its meaning: the bearer key and the JSON
// body.
#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace talewick::server {

// The key after "authorization: Bearer " (the scheme's name in any case) when it has the form
// the server hands keys out in (64 lower-case hexadecimal digits); nullopt otherwise.
std::optional<std::string> bearerKey(const httplib::Request& request);

// The hash under which a key is stored: the key itself is never kept.
std::string keyHash(std::string_view key);

// The request's body as JSON: null when empty, nullopt when it is not JSON.
std::optional<nlohmann::json> jsonBody(const httplib::Request& request);

}  // namespace talewick::server
