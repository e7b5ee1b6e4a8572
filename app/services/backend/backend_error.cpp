#include "services/backend/backend_error.hpp"

#include "support/json.hpp"
#include "support/loc.hpp"

namespace talewick::backend {

BackendError::BackendError(Kind kind, int status, const std::string& message)
    : std::runtime_error(message), kind_(kind), status_(status) {}

BackendError BackendError::notConfigured() {
  return {Kind::notConfigured, 0,
          Loc::string("backend.error.notConfigured",
                      "Backend Talewick non configuré : talewick backend URL --secret SECRET")};
}

BackendError BackendError::noSignupSecret() {
  return {Kind::noSignupSecret, 0,
          Loc::string("backend.error.noSignupSecret",
                      "secret d'inscription du Backend Talewick absent : talewick backend URL "
                      "--secret SECRET")};
}

BackendError BackendError::http(int status, std::string_view body) {
  const Json answer = Json::parse(body, nullptr, false);
  if (answer.is_object()) {
    const auto error = answer.find("error");
    if (error != answer.end() && error->is_string()) {
      return {Kind::http, status, error->get<std::string>()};
    }
  }
  return {Kind::http, status, "Backend Talewick HTTP " + std::to_string(status)};
}

BackendError BackendError::unreadableAnswer() {
  return {Kind::unreadableAnswer, 0,
          Loc::string("backend.error.unreadable", "réponse illisible du Backend Talewick")};
}

std::string failureText(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return Loc::string("backend.error.unknown", "erreur inconnue");
  }
}

}  // namespace talewick::backend
