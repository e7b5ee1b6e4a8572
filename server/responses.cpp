#include "server/responses.hpp"

namespace talewick::server {

void sendJson(httplib::Response& response, int status, const nlohmann::json& body) {
  response.status = status;
  // Text that is not UTF-8 (a provider's message, say) is replaced rather than refused.
  response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                       "application/json");
}

void sendRecord(httplib::Response& response, int status, const nlohmann::ordered_json& record) {
  response.status = status;
  response.set_content(
      record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace),
      "application/json");
}

void sendError(httplib::Response& response, int status, const std::string& message) {
  sendJson(response, status, {{"error", message}});
}

void sendPage(httplib::Response& response, int status, const std::string& page) {
  response.status = status;
  // A page runs nothing, loads nothing, posts only to itself and is framed by nobody.
  response.set_header("Content-Security-Policy",
                      "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                      "frame-ancestors 'none'; base-uri 'none'");
  response.set_header("X-Content-Type-Options", "nosniff");
  response.set_header("Referrer-Policy", "no-referrer");
  response.set_header("Cache-Control", "no-store");
  response.set_content(page, "text/html; charset=utf-8");
}

}  // namespace talewick::server
