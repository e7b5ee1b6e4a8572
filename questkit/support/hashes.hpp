// The two text hashes the game draws its deterministic picks from. Both are fixed forever:
// changing either renames every quest of every user.
#pragma once

#include <cstdint>
#include <string_view>

namespace talewick::hashes {

// djb2 over the UTF-8 bytes (h = h × 33 + byte, 64-bit wrap-around, from 5381), low 31 bits.
int64_t djb2Low31(std::string_view utf8);

// 32-bit FNV-1a over the UTF-16 code units of `utf8`, then the absolute value of the result read
// as a signed 32-bit number (the most negative value gives 2147483648).
int64_t fnv1aUtf16Abs(std::string_view utf8);

// Plain FNV-1a over the bytes, 32-bit (basis 0x811C9DC5, prime 16777619) and 64-bit (basis
// 0xCBF29CE484222325, prime 0x100000001B3), for picks every machine must repeat from a text key.
uint32_t fnv1a32(std::string_view bytes);
uint64_t fnv1a64(std::string_view bytes);

}  // namespace talewick::hashes
