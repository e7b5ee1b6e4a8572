// The random identifiers of a sent invitation: its UID, and the token that lets the relay tell
// its answers apart (it rides in the reply address, so it sticks to letters and digits).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "game/loot.hpp"  // Rng

namespace talewick::RSVPToken {

inline constexpr std::string_view alphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// "quillon-" + `uuid` in lower case. The caller draws the UUID (36 characters with hyphens).
std::string newUID(std::string_view uuid);

// `length` characters of `alphabet`, each chosen by one draw of `random` (empty for a length of
// 0 or less). Give it the system's secure source for a real token.
std::string newToken(int64_t length, const Rng& random);

// 6 to 24 characters, all from `alphabet`.
bool isValidToken(std::string_view token);

}  // namespace talewick::RSVPToken
