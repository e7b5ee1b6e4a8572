#include "server/oauth_finish.hpp"

#include <httplib.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "server/oauth_start.hpp"
#include "server/token_box.hpp"

namespace talewick::server {

namespace {

// The account's identifier at the provider, when the token answer names one; providers that
// do not (most: they want a call of their own API for it) get one account per user.
std::string accountId(const nlohmann::json& answer) {
  for (const char* key : {"account_id", "user_id", "workspace_id", "bot_id", "id"}) {
    const auto it = answer.find(key);
    if (it == answer.end()) continue;
    if (it->is_string() && !it->get<std::string>().empty()) return it->get<std::string>();
    if (it->is_number_integer()) return std::to_string(it->get<std::int64_t>());
  }
  return "default";
}

// What of the token answer the account's record shows the user.
nlohmann::json profileOf(const nlohmann::json& answer) {
  nlohmann::json profile = nlohmann::json::object();
  for (const char* key : {"workspace_name", "account_label"}) {
    const auto it = answer.find(key);
    if (it != answer.end() && it->is_string()) {
      profile[key == std::string("workspace_name") ? "name" : "accountLabel"] = *it;
    }
  }
  return profile;
}

}  // namespace

FormAnswer postForm(const std::string& url,
                    const std::vector<std::pair<std::string, std::string>>& form) {
  static const std::regex split(R"(^(https?://[^/?#]+)(/[^?#]*)?(\?[^#]*)?$)");
  std::smatch parts;
  if (!std::regex_match(url, parts, split)) return {0, "", "adresse invalide : " + url};
  httplib::Client client(parts[1].str());
  client.set_connection_timeout(20);
  client.set_read_timeout(20);
  client.set_write_timeout(20);
  client.set_follow_location(false);
  httplib::Params params;
  for (const auto& [name, value] : form) params.emplace(name, value);
  const std::string path = (parts[2].matched ? parts[2].str() : "/") + parts[3].str();
  httplib::Result result = client.Post(path, {{"accept", "application/json"}}, params);
  if (!result) return {0, "", httplib::to_string(result.error())};
  return {result->status, result->body, ""};
}

std::variant<ProviderConnection, std::string> finishAuthorization(
    const Config& config, const Provider& provider, const OAuthState& state,
    const std::string& code, std::int64_t now, const FormPoster& post) {
  const std::string name(provider.name);
  if (state.provider != provider.segment) return "Autorisation " + name + " inconnue.";
  if (now - state.createdAt > OAUTH_STATE_LIFETIME_SECONDS) {
    return "Autorisation " + name + " expirée : recommence la connexion.";
  }
  if (code.empty()) return "Autorisation " + name + " sans code.";
  const ProviderSettings& settings = config.providerSettings(provider.segment);
  const FormAnswer answer =
      post(settings.tokenURL, {{"grant_type", "authorization_code"},
                               {"code", code},
                               {"redirect_uri", callbackUrl(config, provider)},
                               {"client_id", settings.clientID},
                               {"client_secret", settings.clientSecret},
                               {"code_verifier", state.codeVerifier}});
  if (!answer.failure.empty()) return name + " injoignable : " + answer.failure;
  const nlohmann::json body = nlohmann::json::parse(answer.body, nullptr, false);
  if (answer.status < 200 || answer.status > 299) {
    std::string reason = "HTTP " + std::to_string(answer.status);
    if (body.is_object() && body.contains("error") && body["error"].is_string()) {
      reason = body["error"].get<std::string>();
    }
    return name + " a refusé l'échange : " + reason;
  }
  if (!body.is_object() || !body.contains("access_token") || !body["access_token"].is_string() ||
      body["access_token"].get<std::string>().empty()) {
    return name + " a répondu sans jeton d'accès.";
  }
  nlohmann::json kept = {{"accessToken", body["access_token"]}};
  if (body.contains("refresh_token") && body["refresh_token"].is_string()) {
    kept["refreshToken"] = body["refresh_token"];
  }
  if (body.contains("expires_in") && body["expires_in"].is_number_integer()) {
    kept["expiresAt"] = now + body["expires_in"].get<std::int64_t>();
  }
  ProviderConnection connection;
  connection.provider = std::string(provider.segment);
  connection.id = accountId(body);
  connection.profile = profileOf(body);
  connection.connectedAt = now;
  connection.sealedTokens = tokens::seal(config.tokenKey, kept.dump());
  return connection;
}

std::string desktopCallbackUrl(const Provider& provider, const std::string& error) {
  const std::string base = "talewick://" + std::string(provider.segment) + "/backend/callback";
  if (error.empty()) return base + "?connected=1";
  return base + "?error=" + httplib::detail::encode_query_param(error);
}

}  // namespace talewick::server
