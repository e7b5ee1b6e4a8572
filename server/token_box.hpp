// Provider tokens at rest. The database holds them sealed with AES-256-GCM under the
// configuration's "tokenKey": a copy of the database alone (a backup, a stolen disk) gives no
// access to anybody's accounts, and a sealed value that was altered is refused, not misread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talewick::server::tokens {

// `plaintext` sealed under `keyHex` (64 hexadecimal digits) with a fresh random nonce, as
// hexadecimal text: nonce, ciphertext, tag. Throws std::runtime_error when OpenSSL fails.
std::string seal(std::string_view keyHex, std::string_view plaintext);

// The plaintext of `sealed`; nullopt when it was not sealed under this key or was altered.
std::optional<std::string> open(std::string_view keyHex, std::string_view sealed);

}  // namespace talewick::server::tokens
