#include "server/oauth_start.hpp"

#include <httplib.h>

#include "server/crypto.hpp"
#include "support/digest.hpp"

namespace talewick::server {

std::string callbackUrl(const Config& config, const Provider& provider) {
  return config.publicBaseURL + "/api/" + std::string(provider.segment) + "/oauth/callback";
}

AuthorizationStart startAuthorization(const Config& config, const Provider& provider,
                                      const std::string& userId, std::int64_t now) {
  const ProviderSettings& settings = config.providerSettings(provider.segment);
  AuthorizationStart start;
  start.state.state = digest::base64URL(crypto::randomBytes(32));
  start.state.userId = userId;
  start.state.provider = std::string(provider.segment);
  // 32 random bytes give a 43-character verifier, the shortest PKCE allows.
  start.state.codeVerifier = digest::base64URL(crypto::randomBytes(32));
  start.state.createdAt = now;

  std::string scope;
  for (const std::string& item : settings.scopes) {
    if (!scope.empty()) scope += provider.scopeSeparator;
    scope += item;
  }
  std::vector<std::pair<std::string, std::string>> parameters = {
      {"response_type", "code"},
      {"client_id", settings.clientID},
      {"redirect_uri", callbackUrl(config, provider)},
  };
  if (!scope.empty()) parameters.emplace_back("scope", scope);
  parameters.emplace_back("state", start.state.state);
  parameters.emplace_back("code_challenge", digest::pkceChallenge(start.state.codeVerifier));
  parameters.emplace_back("code_challenge_method", "S256");
  for (const auto& [name, value] : provider.extraAuthorizationParameters) {
    parameters.emplace_back(name, value);
  }

  std::string url = settings.authorizationURL;
  char separator = url.find('?') == std::string::npos ? '?' : '&';
  for (const auto& [name, value] : parameters) {
    url += separator;
    url += name + "=" + httplib::detail::encode_query_param(value);
    separator = '&';
  }
  start.authorizationUrl = url;
  return start;
}

}  // namespace talewick::server
