#include "server/linear_routes.hpp"

#include <algorithm>
#include <cctype>

#include "server/linear_adapter.hpp"
#include "server/provider_json.hpp"
#include "server/request_parts.hpp"
#include "server/responses.hpp"

namespace talewick::server {

namespace {

using Call = PipelineRoutes::Call;
namespace client = LinearGraphQLClient;

std::string workspaceOf(const Call& call) { return call.request.get_param_value("workspaceId"); }

}  // namespace

void LinearRoutes::mount(httplib::Server& server,
                         const PipelineRoutes::Guard& authenticated) const {
  server.Get("/api/linear/issues", authenticated([this](const Call& call) { issues(call); }));
  server.Get("/api/linear/teams", authenticated([this](const Call& call) {
               answer(call, workspaceOf(call), false, [](ProviderSession& session) {
                 return withLinear(session, false, [](const auto& send) {
                   return Json(client::teamContexts(send));
                 });
               });
             }));
  server.Get(R"(/api/linear/issues/([^/]+))", authenticated([this](const Call& call) {
               const std::string id = call.request.matches[1].str();
               answer(call, workspaceOf(call), false, [&id](ProviderSession& session) {
                 return withLinear(session, false, [&id](const auto& send) {
                   return Json(client::issueDetail(send, id));
                 });
               });
             }));
  server.Patch(R"(/api/linear/issues/([^/]+))",
               authenticated([this](const Call& call) { update(call); }));
  server.Post(R"(/api/linear/issues/([^/]+)/comments)",
              authenticated([this](const Call& call) { comment(call); }));
  server.Get("/api/linear/image", authenticated([this](const Call& call) { image(call); }));
}

void LinearRoutes::answer(const Call& call, const std::string& workspaceId, bool changes,
                          const Work& work, int status) const {
  const Provider& linear = *findProvider("linear");
  Json result;
  try {
    const bool connected = pipeline_.withSession(
        call.userId, linear, changes, [&](ProviderSession& session) { result = work(session); },
        workspaceId);
    if (!connected) return sendError(call.response, 409, "Linear n'est pas connecté.");
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  if (result.is_null()) {
    call.response.status = status;
    return;
  }
  sendRecord(call.response, status, result);
}

void LinearRoutes::issues(const Call& call) const {
  const std::string workspaceId = workspaceOf(call);
  const std::string key = "linear.issues|" + workspaceId;
  if (!isTrueParameter(call.request.get_param_value("force"))) {
    if (std::optional<nlohmann::json> kept = pipeline_.kept(call.userId, key)) {
      return sendJson(call.response, 200, *kept);
    }
  }
  Json answered;
  answer(call, workspaceId, false, [&](ProviderSession& session) {
    Linear::FetchResult result =
        withLinear(session, false, [](const auto& send) { return client::assignedIssues(send); });
    const ProviderConnection& connection = session.connection();
    result.workspaceID = connection.id;
    result.workspaceName = pjson::text(connection.profile, "name");
    if (!result.viewerName) result.viewerName = pjson::text(connection.profile, "viewerName");
    answered = Json(result);
    return answered;
  });
  if (!answered.is_null()) pipeline_.keep(call.userId, key, nlohmann::json(answered));
}

void LinearRoutes::update(const Call& call) const {
  const std::string id = call.request.matches[1].str();
  const std::optional<nlohmann::json> body = jsonBody(call.request);
  const nlohmann::json* input = body ? pjson::at(*body, "input") : nullptr;
  const std::optional<std::string> stateId = input ? pjson::text(*input, "stateId") : std::nullopt;
  const bool assigns = input && input->contains("assigneeId") &&
                       ((*input)["assigneeId"].is_string() || (*input)["assigneeId"].is_null());
  if (!stateId && !assigns) {
    return sendError(call.response, 400,
                     "Il faut « input » avec « stateId » ou « assigneeId » (null le retire).");
  }
  const std::optional<std::string> assigneeId =
      assigns ? pjson::text(*input, "assigneeId") : std::nullopt;
  const std::string workspaceId = pjson::string(*body, "workspaceId").value_or("");
  answer(call, workspaceId, true, [&](ProviderSession& session) {
    return withLinear(session, true, [&](const auto& send) {
      return Json(stateId ? client::updateIssueState(send, id, *stateId)
                          : client::updateIssueAssignee(send, id, assigneeId));
    });
  });
}

void LinearRoutes::comment(const Call& call) const {
  const std::string id = call.request.matches[1].str();
  const std::optional<nlohmann::json> body = jsonBody(call.request);
  const std::optional<std::string> text = body ? pjson::text(*body, "body") : std::nullopt;
  if (!text) return sendError(call.response, 400, "Il faut le texte du commentaire (« body »).");
  const std::string workspaceId = pjson::string(*body, "workspaceId").value_or("");
  answer(
      call, workspaceId, true,
      [&](ProviderSession& session) {
        withLinear(session, true, [&](const auto& send) {
          client::addComment(send, id, *text);
          return 0;
        });
        return Json(nullptr);
      },
      204);
}

void LinearRoutes::image(const Call& call) const {
  const std::string url = call.request.get_param_value("url");
  const std::string& configured = config_.providerSettings("linear").uploadsBaseURL;
  const std::string uploads = configured.empty() ? std::string(LINEAR_UPLOADS_URL) : configured;
  if (!isLinearUpload(url, uploads)) {
    return sendError(call.response, 400,
                     "Adresse d'image refusée : seules les images déposées chez Linear (" +
                         uploads + "/…) sont lues.");
  }
  ProviderBytes image;
  try {
    const bool connected = pipeline_.withSession(
        call.userId, *findProvider("linear"), false,
        [&](ProviderSession& session) {
          image = session.fetch(uploads, {"GET", url, {}, std::nullopt, {{"accept", "image/*"}}},
                                MAX_IMAGE_BYTES);
        },
        workspaceOf(call));
    if (!connected) return sendError(call.response, 409, "Linear n'est pas connecté.");
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  std::string type = image.contentType.substr(0, image.contentType.find(';'));
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (!type.starts_with("image/") || type.size() > 100) {
    return sendError(call.response, 502, "Linear n'a pas renvoyé une image.");
  }
  call.response.status = 200;
  // The bytes are Linear's user's: never guessed as another type, never run (an SVG may script).
  call.response.set_header("X-Content-Type-Options", "nosniff");
  call.response.set_header("Content-Security-Policy", "default-src 'none'; sandbox");
  call.response.set_header("Cache-Control", "private, max-age=300");
  call.response.set_content(image.body, type);
}

}  // namespace talewick::server
