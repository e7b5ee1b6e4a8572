// The reading shared by the connected services' failures: the backend answers a refused call with
// a JSON object whose "error" string names what went wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talewick {

// The "error" string of a JSON object body; nullopt when the body is not JSON, not an object, or
// has no string under "error".
std::optional<std::string> backendErrorCode(std::string_view body);

// "HTTP " + status: what a server error says when the body said nothing.
std::string httpStatusText(int64_t status);

// "Erreur serveur (" + message + ")." — the same words for every connected service.
std::string serverErrorText(std::string_view message);

}  // namespace talewick
