#include "server/provider_session.hpp"

#include "server/token_box.hpp"

namespace talewick::server {

namespace {

std::optional<ProviderTokens> openTokens(const Config& config, const std::string& sealed) {
  const std::optional<std::string> plain = tokens::open(config.tokenKey, sealed);
  if (!plain) return std::nullopt;
  const nlohmann::json kept = nlohmann::json::parse(*plain, nullptr, false);
  if (!kept.is_object() || !kept.contains("accessToken") || !kept["accessToken"].is_string()) {
    return std::nullopt;
  }
  ProviderTokens tokens;
  tokens.accessToken = kept["accessToken"].get<std::string>();
  if (kept.contains("refreshToken") && kept["refreshToken"].is_string()) {
    tokens.refreshToken = kept["refreshToken"].get<std::string>();
  }
  if (kept.contains("expiresAt") && kept["expiresAt"].is_number_integer()) {
    tokens.expiresAt = kept["expiresAt"].get<std::int64_t>();
  }
  return tokens;
}

std::string sealTokens(const Config& config, const ProviderTokens& tokens) {
  nlohmann::json kept = {{"accessToken", tokens.accessToken}};
  if (!tokens.refreshToken.empty()) kept["refreshToken"] = tokens.refreshToken;
  if (tokens.expiresAt) kept["expiresAt"] = *tokens.expiresAt;
  return tokens::seal(config.tokenKey, kept.dump());
}

}  // namespace

ProviderSession::ProviderSession(const SessionContext& context, const Provider& provider,
                                 std::string userId, ProviderConnection connection)
    : context_(context),
      provider_(provider),
      userId_(std::move(userId)),
      connection_(std::move(connection)),
      http_(std::string(provider.name),
            apiBaseURL(context.config.providerSettings(provider.segment), provider), context.wait) {
  std::optional<ProviderTokens> opened = openTokens(context_.config, connection_.sealedTokens);
  if (!opened) {
    const std::string name(provider_.name);
    throw ProviderFailure("Accès " + name + " illisible sur ce serveur : reconnecte " + name +
                          " (talewick connect).");
  }
  tokens_ = std::move(*opened);
}

nlohmann::json ProviderSession::call(const ProviderRequest& request) {
  nlohmann::json answer;
  authorized([&](const std::string& token) { answer = http_.send(token, request); });
  return answer;
}

ProviderBytes ProviderSession::fetch(const std::string& baseURL, const ProviderRequest& request,
                                     std::size_t maxBytes) {
  const ProviderHttp host(std::string(provider_.name), baseURL, context_.wait);
  ProviderBytes answer;
  authorized([&](const std::string& token) { answer = host.fetch(token, request, maxBytes); });
  return answer;
}

void ProviderSession::authorized(const std::function<void(const std::string&)>& send) {
  if (tokens_.expiresAt && *tokens_.expiresAt <= context_.now()) renew();
  try {
    send(tokens_.accessToken);
  } catch (const ProviderUnauthorized&) {
    if (tokens_.refreshToken.empty()) throw;
    renew();
    send(tokens_.accessToken);
  }
}

void ProviderSession::renew() {
  const std::string name(provider_.name);
  const std::string failed = "Le renouvellement de l'accès " + name + " a échoué";
  const std::string reconnect = " ; reconnecte " + name + " (talewick connect).";
  if (tokens_.refreshToken.empty())
    throw ProviderFailure(failed + " : aucun jeton de renouvellement" + reconnect);
  const ProviderSettings& settings = context_.config.providerSettings(provider_.segment);
  const FormAnswer answer =
      context_.post(settings.tokenURL, {{"grant_type", "refresh_token"},
                                        {"refresh_token", tokens_.refreshToken},
                                        {"client_id", settings.clientID},
                                        {"client_secret", settings.clientSecret}});
  if (!answer.failure.empty()) throw ProviderFailure(failed + " : " + answer.failure + reconnect);
  const nlohmann::json body = nlohmann::json::parse(answer.body, nullptr, false);
  if (answer.status < 200 || answer.status > 299 || !body.is_object() ||
      !body.contains("access_token") || !body["access_token"].is_string() ||
      body["access_token"].get<std::string>().empty()) {
    throw ProviderFailure(failed + " (HTTP " + std::to_string(answer.status) + ")" + reconnect);
  }
  tokens_.accessToken = body["access_token"].get<std::string>();
  // Providers that rotate refresh tokens send a new one; the others keep the old one valid.
  if (body.contains("refresh_token") && body["refresh_token"].is_string()) {
    tokens_.refreshToken = body["refresh_token"].get<std::string>();
  }
  tokens_.expiresAt.reset();
  if (body.contains("expires_in") && body["expires_in"].is_number_integer()) {
    tokens_.expiresAt = context_.now() + body["expires_in"].get<std::int64_t>();
  }
  connection_.sealedTokens = sealTokens(context_.config, tokens_);
  context_.storage.saveConnection(userId_, connection_);
}

}  // namespace talewick::server
