#include "text/rsvp_token.hpp"

#include <algorithm>
#include <cmath>

namespace talewick::RSVPToken {

std::string newUID(std::string_view uuid) {
  std::string uid = "quillon-";
  for (const char c : uuid) uid += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return uid;
}

std::string newToken(int64_t length, const Rng& random) {
  std::string token;
  for (int64_t i = 0; i < length; ++i) {
    // A draw just below 1 must not reach past the last letter.
    const auto index = static_cast<size_t>(std::floor(random() * double(alphabet.size())));
    token += alphabet[std::min(index, alphabet.size() - 1)];
  }
  return token;
}

bool isValidToken(std::string_view token) {
  return token.size() >= 6 && token.size() <= 24 &&
         token.find_first_not_of(alphabet) == std::string_view::npos;
}

}  // namespace talewick::RSVPToken
