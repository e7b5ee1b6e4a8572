#include "core/http_port.hpp"

namespace talewick {

std::optional<std::string> HttpResponse::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key == name) return value;
  }
  return std::nullopt;
}

}  // namespace talewick
