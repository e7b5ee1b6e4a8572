// The program's own OAuth with Linear (authorization code with PKCE S256): `beginOAuth` keeps a
// fresh state and verifier in the keychain file until the browser comes back, the callback
// trades the code for a token on the store's queue. The client is the deployment's, set in the
// preferences; no part of the round trip goes through the backend.
#include "core/uuid.hpp"
#include "linear/linear_oauth.hpp"
#include "services/backend/backend_error.hpp"
#include "services/backend/backend_url.hpp"
#include "services/backend/oauth_callback.hpp"
#include "services/linear/linear_auth_store.hpp"
#include "services/linear/linear_graphql_http.hpp"
#include "support/digest.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::linear {
namespace {

constexpr const char* DEFAULT_AUTHORIZE_ENDPOINT = "https://linear.app/oauth/authorize";
constexpr const char* DEFAULT_TOKEN_ENDPOINT = "https://api.linear.app/oauth/token";
// Reading the issues and writing their state and comments.
constexpr const char* SCOPES = "read,write";

std::string setting(const Preferences& preferences, const char* key) {
  return std::string(text::trim(preferences.string(key).value_or("")));
}

// 32 random bytes: a 43-character text, the shortest verifier PKCE allows.
std::string randomSecret() { return digest::base64URL(randomBytes(32)); }

std::string refusedLine(const std::string& why) {
  return Loc::string("linear.oauth.refused", "OAuth Linear refusé : ") + why;
}

}  // namespace

std::optional<std::string> LinearAuthStore::beginOAuth() {
  const std::string clientID = setting(preferences_, CLIENT_ID_KEY);
  const std::string authorize =
      preferences_.string(AUTHORIZE_ENDPOINT_KEY).value_or(DEFAULT_AUTHORIZE_ENDPOINT);
  failed_ = true;
  if (clientID.empty() || setting(preferences_, CLIENT_SECRET_KEY).empty()) {
    statusLine_ = oauthNotConfiguredLine();
    return std::nullopt;
  }
  // The browser is given only an http(s) address, which xdg-open cannot take for an option.
  if (!backend::isHttpURL(authorize) || authorize.find('?') != std::string::npos) {
    statusLine_ = Loc::format(Loc::string("linear.oauth.badEndpoint",
                                          "OAuth Linear : adresse d'autorisation invalide : %@"),
                              {text::terminalSafe(authorize)});
    return std::nullopt;
  }
  const std::string state = randomSecret();
  const std::string verifier = randomSecret();
  secrets_.set(PENDING_STATE_ITEM, state);
  secrets_.set(PENDING_VERIFIER_ITEM, verifier);
  failed_ = false;
  statusLine_ = Loc::string("linear.oauth.opened", "OAuth Linear ouvert dans le navigateur.");
  return authorize + "?" +
         backend::formEncoded({{"client_id", clientID},
                               {"redirect_uri", OAUTH_REDIRECT},
                               {"response_type", "code"},
                               {"scope", SCOPES},
                               {"state", state},
                               {"code_challenge", digest::pkceChallenge(verifier)},
                               {"code_challenge_method", "S256"}});
}

std::string LinearAuthStore::oauthNotConfiguredLine() {
  return Loc::format(
      Loc::string("linear.oauth.notConfigured",
                  "OAuth Linear non configuré : mets l'identifiant et le secret de ton "
                  "application OAuth Linear dans les préférences « %@ » et « %@ » (defaults.json), "
                  "ou utilise talewick linear key."),
      {CLIENT_ID_KEY, CLIENT_SECRET_KEY});
}

void LinearAuthStore::handleOAuthCallback(const std::string& url, std::function<void(bool)> done) {
  const auto refuse = [this, &done](const std::string& why) {
    failed_ = true;
    statusLine_ = refusedLine(why);
    done(false);
  };
  const backend::TalewickURL parts = backend::splitTalewickURL(url);
  const auto item = [&parts](const char* name) { return backend::queryItem(parts.query, name); };
  if (const std::optional<std::string> error = item("error")) {
    const std::string why = text::terminalSafe(item("error_description").value_or(*error));
    return refuse(text::trim(why).empty() ? Loc::string("backend.url.noReason", "sans précision")
                                          : why);
  }
  const std::optional<std::string> pending = secrets_.get(PENDING_STATE_ITEM);
  const std::optional<std::string> verifier = secrets_.get(PENDING_VERIFIER_ITEM);
  // Only the round trip this program started may leave a token: any other return is forged or
  // stale.
  if (!pending || !verifier || pending->empty() || item("state") != *pending) {
    return refuse(Loc::string("linear.oauth.badState",
                              "retour inattendu (état différent), relance talewick linear login."));
  }
  const std::optional<std::string> code = item("code");
  if (!code || code->empty()) {
    return refuse(Loc::string("linear.oauth.noCode", "aucun code d'autorisation reçu."));
  }
  const std::string clientID = setting(preferences_, CLIENT_ID_KEY);
  const std::string clientSecret = setting(preferences_, CLIENT_SECRET_KEY);
  const std::string endpoint =
      preferences_.string(TOKEN_ENDPOINT_KEY).value_or(DEFAULT_TOKEN_ENDPOINT);
  if (clientID.empty() || clientSecret.empty()) {
    failed_ = true;
    statusLine_ = oauthNotConfiguredLine();
    return done(false);
  }
  if (!backend::isHttpURL(endpoint)) {
    return refuse(Loc::string("linear.oauth.badTokenEndpoint", "adresse de jeton invalide."));
  }
  HttpRequest request;
  request.method = "POST";
  request.url = endpoint;
  request.headers = {{"content-type", "application/x-www-form-urlencoded"},
                     {"accept", "application/json"}};
  request.body = backend::formEncoded({{"grant_type", "authorization_code"},
                                       {"code", *code},
                                       {"redirect_uri", OAUTH_REDIRECT},
                                       {"client_id", clientID},
                                       {"client_secret", clientSecret},
                                       {"code_verifier", *verifier}});
  request.timeout = GRAPHQL_TIMEOUT;
  offMainLoop<std::string>(
      loop_,
      [&http = http_, request] {
        const HttpResponse answer = http.send(request);
        return LinearOAuth::accessToken(answer.status, answer.body);
      },
      [this, done](backend::Outcome<std::string> outcome) {
        try {
          const std::string token = outcome.get();
          secrets_.set(OAUTH_TOKEN_ITEM, token);
          preferences_.set(MODE_KEY, "oauth");
          secrets_.remove(PENDING_STATE_ITEM);
          secrets_.remove(PENDING_VERIFIER_ITEM);
        } catch (...) {
          failed_ = true;
          statusLine_ = refusedLine(backend::failureText(std::current_exception()));
          return done(false);
        }
        failed_ = false;
        statusLine_ = Loc::string("linear.oauth.connected", "Linear connecté en OAuth.");
        refresh(true, [done] { done(true); });
      });
}

}  // namespace talewick::linear
