#include "server/invitation.hpp"

namespace talewick::server {

std::string guestKey(const std::string& email) {
  std::string key = email;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

}  // namespace talewick::server
