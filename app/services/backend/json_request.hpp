// The request of a service that carries credentials of its own (a guild member's key, a raider's
// key, the sign-up secret) rather than this device's registration.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "core/http_port.hpp"
#include "core/secrets_port.hpp"
#include "support/json.hpp"

namespace talewick::backend {

// `method` on `path` under `root` with `headers`; a body is sent as JSON text with its
// content-type. Built with the 60-second default, then given `timeout`.
HttpRequest jsonRequest(const std::string& root, std::string method, std::string_view path,
                        HttpHeaders headers, const std::optional<Json>& body,
                        std::chrono::milliseconds timeout);

// "authorization: Bearer KEY".
std::pair<std::string, std::string> bearer(const std::string& key);

// The header that carries a call's credential: this device's sign-up secret when `withSignup`
// (the calls that hand out a key), otherwise `key` as a bearer. nullopt when that one is missing.
std::optional<HttpHeaders> credentialHeaders(const SecretsStore& secrets, bool withSignup,
                                             const std::optional<std::string>& key);

}  // namespace talewick::backend
