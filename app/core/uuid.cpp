#include "core/uuid.hpp"

#include <cstdio>
#include <random>

namespace talewick {

std::string randomBytes(std::size_t count) {
  std::random_device random;  // getrandom(2) on Linux
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; i += 4) {
    const unsigned int r = random();
    for (std::size_t k = 0; k < 4 && i + k < count; ++k) {
      bytes[i + k] = static_cast<char>(r >> (8 * k));
    }
  }
  return bytes;
}

std::string randomUUID() {
  const std::string random = randomBytes(16);
  unsigned char b[16];
  for (std::size_t i = 0; i < 16; ++i) b[i] = static_cast<unsigned char>(random[i]);
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  char text[37];
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

}  // namespace talewick
