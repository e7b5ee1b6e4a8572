#include "core/preferences.hpp"

namespace talewick {

std::optional<std::string> Preferences::string(const std::string& key) const {
  auto v = value(key);
  if (!v || !v->is_string()) return std::nullopt;
  return v->get<std::string>();
}

std::vector<std::string> Preferences::stringList(const std::string& key) const {
  std::vector<std::string> out;
  auto v = value(key);
  if (!v || !v->is_array()) return out;
  for (const Json& item : *v) {
    if (item.is_string()) out.push_back(item.get<std::string>());
  }
  return out;
}

}  // namespace talewick
