#include "server/request_parts.hpp"

#include <cctype>

#include "server/crypto.hpp"
#include "support/digest.hpp"

namespace talewick::server {

std::optional<std::string> bearerKey(const httplib::Request& request) {
  const std::string header = request.get_header_value("authorization");
  static constexpr std::string_view kScheme = "bearer ";
  if (header.size() <= kScheme.size()) return std::nullopt;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(header[i])) != kScheme[i]) return std::nullopt;
  }
  std::string key = header.substr(kScheme.size());
  // Only keys of the form handed out are worth a look-up.
  if (!crypto::isHex(key, 64, true)) return std::nullopt;
  return key;
}

std::string keyHash(std::string_view key) { return crypto::hex(digest::sha256(key)); }

std::optional<nlohmann::json> jsonBody(const httplib::Request& request) {
  if (request.body.empty()) return nlohmann::json(nullptr);
  nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
  if (body.is_discarded()) return std::nullopt;
  return body;
}

}  // namespace talewick::server
