// Random identifiers for records the program creates (calendar sets, new events).
#pragma once

#include <string>

namespace talewick {

// An RFC 4122 version-4 UUID in upper-case text, from the system's secure random source.
std::string randomUUID();

}  // namespace talewick
