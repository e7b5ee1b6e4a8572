// SHA-256 and the URL-safe Base64 of its bytes: what an OAuth client needs to derive its PKCE
// challenge, without a cryptographic library in the rules.
#pragma once

#include <string>
#include <string_view>

namespace talewick::digest {

// The 32-byte SHA-256 digest of `data` (FIPS 180-4).
std::string sha256(std::string_view data);

// Base64 with the URL-safe alphabet and no padding (RFC 4648, section 5).
std::string base64URL(std::string_view bytes);

// The "S256" challenge of an OAuth PKCE `verifier`: the URL-safe Base64, unpadded, of its SHA-256.
std::string pkceChallenge(std::string_view verifier);

}  // namespace talewick::digest
