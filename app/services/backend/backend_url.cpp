#include "services/backend/backend_url.hpp"

#include <cctype>

#include "support/percent_encoding.hpp"
#include "support/text.hpp"

namespace talewick::backend {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool isHttpURL(std::string_view text) {
  std::string_view rest;
  if (startsWithNoCase(text, "https://")) {
    rest = text.substr(8);
  } else if (startsWithNoCase(text, "http://")) {
    rest = text.substr(7);
  } else {
    return false;
  }
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7f) return false;
  }
  if (text::hasControlCharacters(text)) return false;
  const std::size_t hostEnd = rest.find_first_of("/?#");
  const std::string_view authority = rest.substr(0, hostEnd);
  // "user@" before the host is allowed by URLs and never needed here; it mostly serves to
  // disguise where an address leads.
  return !authority.empty() && authority.find('@') == std::string_view::npos &&
         authority.front() != ':';
}

std::optional<std::string> backendRoot(std::string_view text) {
  std::string_view root = text::trim(text);
  if (!isHttpURL(root) || root.find_first_of("?#") != std::string_view::npos) return std::nullopt;
  while (root.ends_with('/')) root.remove_suffix(1);
  return std::string(root);
}

std::string callURL(const std::string& root, std::string_view path) {
  while (path.starts_with('/')) path.remove_prefix(1);
  return root + "/" + std::string(path);
}

std::string formEncoded(const std::vector<std::pair<std::string, std::string>>& items) {
  std::string out;
  for (const auto& [name, value] : items) {
    if (!out.empty()) out += '&';
    out += percentEncoded(name) + "=" + percentEncoded(value);
  }
  return out;
}

}  // namespace talewick::backend
