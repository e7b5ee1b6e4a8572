#include "together/backend_error_body.hpp"

#include "support/json.hpp"
#include "support/loc.hpp"

namespace talewick {

std::optional<std::string> backendErrorCode(std::string_view body) {
  const Json answer = Json::parse(body, nullptr, false);
  if (!answer.is_object()) return std::nullopt;
  const auto error = answer.find("error");
  if (error == answer.end() || !error->is_string()) return std::nullopt;
  return error->get<std::string>();
}

std::string httpStatusText(int64_t status) { return "HTTP " + std::to_string(status); }

std::string serverErrorText(std::string_view message) {
  return Loc::format(Loc::string("together.error.server", "Erreur serveur (%@)."), {message});
}

}  // namespace talewick
