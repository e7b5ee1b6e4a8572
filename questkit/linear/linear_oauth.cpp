#include "linear/linear_oauth.hpp"

#include "support/digest.hpp"
#include "support/json.hpp"
#include "support/text.hpp"

namespace talewick::LinearOAuth {

std::string accessToken(int status, std::string_view body) {
  const Json answer = Json::parse(body, nullptr, false);
  const bool ok = status >= 200 && status <= 299;
  if (answer.is_object()) {
    const auto token = answer.find("access_token");
    if (ok && token != answer.end() && token->is_string() && !token->get<std::string>().empty() &&
        !text::hasControlCharacters(token->get<std::string>())) {
      return token->get<std::string>();
    }
    for (const char* field : {"error_description", "error"}) {
      const auto reason = answer.find(field);
      if (reason != answer.end() && reason->is_string() && !reason->get<std::string>().empty()) {
        throw LinearOAuthError(text::terminalSafe(reason->get<std::string>()));
      }
    }
  }
  if (!ok) throw LinearOAuthError("Linear a refusé le code (HTTP " + std::to_string(status) + ").");
  throw LinearOAuthError("Linear a répondu sans jeton lisible.");
}

}  // namespace talewick::LinearOAuth
