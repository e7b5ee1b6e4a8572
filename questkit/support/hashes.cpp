#include "support/hashes.hpp"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace talewick::hashes {

int64_t djb2Low31(std::string_view utf8) {
  uint64_t h = 5381;
  for (unsigned char byte : utf8) h = h * 33 + byte;
  return static_cast<int64_t>(h & 0x7FFFFFFFu);
}

int64_t fnv1aUtf16Abs(std::string_view utf8) {
  uint32_t h = 0x811C9DC5u;
  auto mix = [&h](uint16_t unit) {
    h ^= unit;
    h *= 16777619u;
  };
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());
  for (int32_t i = 0; i < length;) {
    UChar32 cp;
    U8_NEXT(s, i, length, cp);
    if (cp < 0) cp = 0xFFFD;  // what a UTF-16 conversion makes of a malformed byte
    if (cp <= 0xFFFF) {
      mix(static_cast<uint16_t>(cp));
    } else {
      mix(static_cast<uint16_t>(U16_LEAD(cp)));
      mix(static_cast<uint16_t>(U16_TRAIL(cp)));
    }
  }
  const auto asSigned = static_cast<int64_t>(static_cast<int32_t>(h));
  return asSigned < 0 ? -asSigned : asSigned;
}

uint32_t fnv1a32(std::string_view bytes) {
  uint32_t h = 0x811C9DC5u;
  for (const unsigned char byte : bytes) {
    h ^= byte;
    h *= 16777619u;
  }
  return h;
}

uint64_t fnv1a64(std::string_view bytes) {
  uint64_t h = 0xCBF29CE484222325u;
  for (const unsigned char byte : bytes) {
    h ^= byte;
    h *= 0x100000001B3u;
  }
  return h;
}

}  // namespace talewick::hashes
