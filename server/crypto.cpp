#include "server/crypto.hpp"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <stdexcept>

namespace talewick::server::crypto {

std::string randomBytes(std::size_t count) {
  std::string bytes(count, '\0');
  if (count > 0 &&
      RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(count)) != 1) {
    throw std::runtime_error("the random generator failed");
  }
  return bytes;
}

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}

std::string randomHex(std::size_t count) { return hex(randomBytes(count)); }

std::string randomUuid() {
  std::string bytes = randomBytes(16);
  bytes[6] = static_cast<char>((bytes[6] & 0x0f) | 0x40);  // version 4
  bytes[8] = static_cast<char>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
  const std::string digits = hex(bytes);
  return digits.substr(0, 8) + "-" + digits.substr(8, 4) + "-" + digits.substr(12, 4) + "-" +
         digits.substr(16, 4) + "-" + digits.substr(20);
}

bool sameSecret(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

bool isHex(std::string_view text, std::size_t length, bool lowerOnly) {
  if (text.size() != length) return false;
  for (const char c : text) {
    const bool digit = c >= '0' && c <= '9';
    const bool lower = c >= 'a' && c <= 'f';
    const bool upper = c >= 'A' && c <= 'F';
    if (!digit && !lower && !(upper && !lowerOnly)) return false;
  }
  return true;
}

}  // namespace talewick::server::crypto
