#include "support/content.hpp"

#include <stdexcept>
#include <string>

namespace talewick::content {

Json json(std::string_view path) {
  for (const ContentFile& f : files()) {
    if (f.path == path) {
      try {
        return Json::parse(f.text);
      } catch (const nlohmann::json::exception& e) {
        throw std::logic_error("content file " + std::string(path) +
                               " is not valid JSON: " + e.what());
      }
    }
  }
  throw std::logic_error("content file " + std::string(path) + " is missing");
}

}  // namespace talewick::content
