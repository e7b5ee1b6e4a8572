// The few cryptographic primitives the server needs, over OpenSSL: random secrets, their text
// forms, and the comparison of secrets. Digests are the program's own (support/digest.hpp).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talewick::server::crypto {

// `count` bytes from OpenSSL's generator. Throws std::runtime_error when it cannot give them
// (better to refuse a request than to hand out a guessable key).
std::string randomBytes(std::size_t count);

// Lower-case hexadecimal of `bytes`.
std::string hex(std::string_view bytes);

// Hexadecimal of `count` random bytes: the form of every secret the server hands out.
std::string randomHex(std::size_t count);

// A random version-4 UUID in its usual text form.
std::string randomUuid();

// Whether the two secrets are equal, in a time that tells nothing about where they differ (only
// their lengths, which are public, may end the comparison early).
bool sameSecret(std::string_view a, std::string_view b);

// Whether `text` is `length` hexadecimal digits (lower case only when `lowerOnly`).
bool isHex(std::string_view text, std::size_t length, bool lowerOnly);

}  // namespace talewick::server::crypto
