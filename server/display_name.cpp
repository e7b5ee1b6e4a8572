#include "server/display_name.hpp"

#include "support/text.hpp"

namespace talewick::server {

std::optional<std::string> displayName(const nlohmann::json& body, const std::string& key,
                                       int minLength, int maxLength) {
  if (!body.is_object()) return std::nullopt;
  const auto found = body.find(key);
  if (found == body.end() || !found->is_string()) return std::nullopt;
  const std::string& raw = found->get_ref<const std::string&>();
  // Measured before ICU sees it: a megabyte of name is refused without being segmented.
  if (raw.size() > static_cast<std::size_t>(maxLength) * 16) return std::nullopt;
  const std::string name(text::trim(raw));
  if (text::hasControlCharacters(name)) return std::nullopt;
  const int length = text::perceivedLength(name);
  if (length < minLength || length > maxLength) return std::nullopt;
  return name;
}

}  // namespace talewick::server
