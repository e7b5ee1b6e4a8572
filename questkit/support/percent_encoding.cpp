#include "support/percent_encoding.hpp"

namespace talewick {

std::string percentEncoded(std::string_view text) {
  static constexpr char HEX[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += HEX[u >> 4];
      out += HEX[u & 15];
    }
  }
  return out;
}

}  // namespace talewick
