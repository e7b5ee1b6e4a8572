// The few cryptographic primitives the server needs, over OpenSSL: random secrets, digests and
// their text forms, and the comparison of secrets.
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

// The 32-byte SHA-256 digest of `data`.
std::string sha256(std::string_view data);

// Base64 with the URL-safe alphabet and no padding (RFC 4648, section 5).
std::string base64Url(std::string_view bytes);

// Whether the two secrets are equal, in a time that tells nothing about where they differ (only
// their lengths, which are public, may end the comparison early).
bool sameSecret(std::string_view a, std::string_view b);

// Whether `text` is `length` hexadecimal digits (lower case only when `lowerOnly`).
bool isHex(std::string_view text, std::size_t length, bool lowerOnly);

}  // namespace talewick::server::crypto
