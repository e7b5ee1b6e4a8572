#include "services/backend/json_request.hpp"

#include "services/backend/backend_connection.hpp"
#include "services/backend/backend_url.hpp"

namespace talewick::backend {

HttpRequest jsonRequest(const std::string& root, std::string method, std::string_view path,
                        HttpHeaders headers, const std::optional<Json>& body,
                        std::chrono::milliseconds timeout) {
  HttpRequest request;
  request.method = std::move(method);
  request.url = callURL(root, path);
  request.headers = std::move(headers);
  if (body) {
    request.headers.emplace_back("content-type", "application/json");
    request.body = body->dump();
  }
  request.timeout = timeout;
  return request;
}

std::pair<std::string, std::string> bearer(const std::string& key) {
  return {"authorization", "Bearer " + key};
}

std::optional<HttpHeaders> credentialHeaders(const SecretsStore& secrets, bool withSignup,
                                             const std::optional<std::string>& key) {
  if (withSignup) {
    const std::optional<std::string> secret = secrets.get(BackendConnection::SIGNUP_SECRET_ITEM);
    if (!secret || secret->empty()) return std::nullopt;
    return HttpHeaders{{"x-signup-secret", *secret}};
  }
  if (!key || key->empty()) return std::nullopt;
  return HttpHeaders{bearer(*key)};
}

}  // namespace talewick::backend
