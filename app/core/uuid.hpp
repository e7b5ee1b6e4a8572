// Random identifiers for records the program creates (calendar sets, new events) and the secrets
// of a round trip it starts (an OAuth state and verifier).
#pragma once

#include <cstddef>
#include <string>

namespace talewick {

// `count` bytes from the system's secure random source.
std::string randomBytes(std::size_t count);

// An RFC 4122 version-4 UUID in upper-case text, from the same source.
std::string randomUUID();

}  // namespace talewick
