#include "server/api.hpp"

#include <cctype>
#include <chrono>

#include "server/crypto.hpp"
#include "server/html_text.hpp"
#include "server/invite_routes.hpp"
#include "server/notion_adapter.hpp"
#include "server/oauth_start.hpp"
#include "server/provider_status.hpp"
#include "server/request_parts.hpp"
#include "server/responses.hpp"
#include "server/time_text.hpp"

namespace talewick::server {

namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

// The body of a refusal that no route wrote (no route matched, the body was too large…).
std::string statusMessage(int status) {
  switch (status) {
    case 400:
      return "Requête mal formée.";
    case 404:
      return "Adresse inconnue sur ce serveur.";
    case 413:
      return "Requête trop grande : 1 Mio au plus.";
    case 500:
      return "Erreur interne du serveur.";
    default:
      return "Erreur HTTP " + std::to_string(status) + ".";
  }
}

constexpr const char* PROVIDER_ROUTE = R"(/api/([^/]+)/)";

}  // namespace

Api::Api(const Config& config, Storage& storage, Log& log, FormPoster post, Clock now,
         RetryWait wait)
    : config_(config),
      storage_(storage),
      log_(log),
      post_(std::move(post)),
      now_(std::move(now)),
      pipeline_(SessionContext{config_, storage_, post_, now_, std::move(wait)}, log_) {}

void Api::mount(httplib::Server& server) const {
  server.set_payload_max_length(MAX_BODY_BYTES);
  server.Get("/health", [this](const Request&, Response& response) { health(response); });
  server.Post("/api/register", [this](const Request& request, Response& response) {
    registerUser(request, response);
  });
  const std::string route = PROVIDER_ROUTE;
  server.Get(route + "connections", forProvider(&Api::connectionStatus));
  server.Delete(route + "connections", forProvider(&Api::disconnect));
  server.Post(route + "oauth/start", forProvider(&Api::startOAuth));
  server.Get(route + "oauth/callback", [this](const Request& request, Response& response) {
    finishOAuth(request, response);
  });

  openings_.mount(server, [this](OpeningsRoutes::OwnerHandler handler) {
    return authenticated([handler = std::move(handler)](const Api&, Call& call) {
      handler({call.request, call.response, call.userId, call.body});
    });
  });

  // The invitation relay. Reading answers needs no key: the invitation's token stands for it.
  const InviteRoutes invites(config_, storage_, log_);
  server.Post("/api/send-invite", authenticated([invites](const Api&, Call& call) {
                invites.send(call.userId, call.body, call.response);
              }));
  server.Get("/api/rsvp", [invites](const Request& request, Response& response) {
    invites.answers(request, response);
  });
  server.Get(InviteRoutes::PAGE_ROUTE, [invites](const Request& request, Response& response) {
    invites.answerPage(request, response, false);
  });
  server.Post(InviteRoutes::PAGE_ROUTE, [invites](const Request& request, Response& response) {
    invites.answerPage(request, response, true);
  });

  const auto guard = [this](PipelineRoutes::Handler handler) {
    return authenticated([handler = std::move(handler)](const Api&, Call& call) {
      handler({call.request, call.response, call.userId});
    });
  };
  pipelineRoutes_.mount(server, guard);
  providerItemRoutes_.mount(server, guard);
  linearRoutes_.mount(server, guard);
  googleCalendarRoutes_.mount(server, guard);

  guilds_.mount(server);
  worldBoss_.mount(server);
  vigils_.mount(server);

  // Any other call under /api/ is refused like the known ones when its key is not known, so that
  // a caller without a key learns nothing of which routes exist.
  const auto unknown = authenticated(
      [](const Api&, Call& call) { sendError(call.response, 404, statusMessage(404)); });
  const std::string anyApiPath = "/api/.*";
  server.Get(anyApiPath, unknown);
  server.Post(anyApiPath, unknown);
  server.Put(anyApiPath, unknown);
  server.Patch(anyApiPath, unknown);
  server.Delete(anyApiPath, unknown);
  server.Options(anyApiPath, unknown);

  server.set_error_handler(
      httplib::Server::HandlerWithResponse([](const Request&, Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        sendError(response, response.status, statusMessage(response.status));
        return httplib::Server::HandlerResponse::Handled;
      }));
  server.set_exception_handler(
      [this](const Request& request, Response& response, std::exception_ptr failure) {
        std::string what = "unknown exception";
        try {
          std::rethrow_exception(failure);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        log_.write("error", "request failed", {{"path", request.path}, {"error", what}});
        sendError(response, 500, statusMessage(500));
      });
}

httplib::Server::Handler Api::authenticated(CallHandler handler) const {
  return [this, handler = std::move(handler)](const Request& request, Response& response) {
    std::optional<std::string> userId = callerOf(request);
    if (!userId) {
      return sendError(response, 401,
                       "Clé API manquante ou inconnue : envoyer « authorization: Bearer » suivi "
                       "de la clé reçue à l'inscription.");
    }
    std::optional<json> body = jsonBody(request);
    if (!body) return sendError(response, 400, "Le corps de la requête n'est pas du JSON valide.");
    Call call{request, response, std::move(*userId), std::move(*body)};
    handler(*this, call);
  };
}

httplib::Server::Handler Api::forProvider(
    std::function<void(const Api&, Call&, const Provider&)> handler) const {
  return authenticated([handler = std::move(handler)](const Api& api, Call& call) {
    const Provider* provider = findProvider(call.request.matches[1].str());
    if (!provider) return sendError(call.response, 404, "Fournisseur inconnu sur ce serveur.");
    handler(api, call, *provider);
  });
}

std::optional<std::string> Api::callerOf(const Request& request) const {
  const std::optional<std::string> key = bearerKey(request);
  if (!key) return std::nullopt;
  return storage_.userWithKeyHash(keyHash(*key));
}

void Api::health(Response& response) const { sendJson(response, 200, {{"status", "ok"}}); }

void Api::registerUser(const Request& request, Response& response) const {
  if (!crypto::sameSecret(request.get_header_value("x-signup-secret"), config_.signupSecret)) {
    return sendError(response, 401, "Secret d'inscription refusé.");
  }
  if (!jsonBody(request)) {
    return sendError(response, 400, "Le corps de la requête n'est pas du JSON valide.");
  }
  const std::string userId = crypto::randomUuid();
  const std::string apiKey = crypto::randomHex(32);
  storage_.addUser(userId, keyHash(apiKey), now_());
  sendJson(response, 200, {{"userId", userId}, {"apiKey", apiKey}});
}

void Api::connectionStatus(Call& call, const Provider& provider) const {
  const std::vector<ProviderConnection> connections =
      storage_.connections(call.userId, std::string(provider.segment));
  nlohmann::json record = statusRecord(config_, provider, connections);
  if (provider.shape == StatusShape::notion && !connections.empty() &&
      call.request.get_param_value("diagnostics") == "1") {
    // A failed reading is told in the record; the connection's status still answers.
    nlohmann::json diagnostics;
    try {
      pipeline_.withSession(call.userId, provider, false, [&](ProviderSession& session) {
        diagnostics = notionDiagnostics(session);
      });
      diagnostics["syncedAt"] = isoSeconds(now_());
    } catch (const ProviderFailure& e) {
      diagnostics = {{"error", e.what()}};
    }
    record["diagnostics"] = std::move(diagnostics);
  }
  sendJson(call.response, 200, record);
}

void Api::disconnect(Call& call, const Provider& provider) const {
  storage_.removeConnections(call.userId, std::string(provider.segment));
  pipeline_.forget(call.userId);
  sendJson(call.response, 200, json::object());
}

void Api::startOAuth(Call& call, const Provider& provider) const {
  const std::vector<std::string> missing = missingSettings(config_, provider);
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    return sendError(call.response, 409,
                     std::string(provider.name) +
                         " n'est pas configuré sur ce serveur ; réglages manquants : " + names +
                         ".");
  }
  const AuthorizationStart start = startAuthorization(config_, provider, call.userId, now_());
  storage_.saveOAuthState(start.state);
  sendJson(call.response, 200, {{"authorizationUrl", start.authorizationUrl}});
}

void Api::finishOAuth(const Request& request, Response& response) const {
  const Provider* provider = findProvider(request.matches[1].str());
  if (!provider) return sendError(response, 404, "Fournisseur inconnu sur ce serveur.");
  const std::string name(provider->name);
  // Taken first, whatever the answer: a state serves once.
  const std::optional<OAuthState> state = storage_.takeOAuthState(request.get_param_value("state"));
  std::string error;
  if (request.has_param("error")) {
    const std::string reason = request.has_param("error_description")
                                   ? request.get_param_value("error_description")
                                   : request.get_param_value("error");
    error = name + " a refusé l'accès : " + reason;
  } else if (!state) {
    error = "Autorisation " + name + " inconnue ou déjà utilisée.";
  } else {
    auto finished = finishAuthorization(config_, *provider, *state, request.get_param_value("code"),
                                        now_(), post_);
    if (auto* connection = std::get_if<ProviderConnection>(&finished)) {
      storage_.saveConnection(state->userId, *connection);
    } else {
      error = std::get<std::string>(finished);
    }
  }
  if (!error.empty()) {
    log_.write("warning", "oauth refused", {{"provider", std::string(provider->segment)}});
  }
  // The browser follows the redirect to the desktop program; the page is for one that does not.
  const std::string target = desktopCallbackUrl(*provider, error);
  response.status = 302;
  response.set_header("Location", target);
  response.set_content("<!doctype html><meta charset=\"utf-8\"><title>Talewick</title><p>" +
                           html::escaped(error.empty() ? name + " connecté." : error) +
                           "</p><p><a href=\"" + html::escaped(target) +
                           "\">Revenir à Talewick</a></p>",
                       "text/html; charset=utf-8");
}

}  // namespace talewick::server
