#include "server/log.hpp"

#include <chrono>
#include <optional>

#include "server/time_text.hpp"

namespace talewick::server {

namespace {

// When the request being answered on this thread arrived: httplib answers a request on one thread
// from its routing to its log line, and hands neither a place to keep it.
thread_local std::optional<std::chrono::steady_clock::time_point> requestStart;

}  // namespace

void Log::write(std::string_view level, std::string_view message,
                const nlohmann::ordered_json& fields) {
  nlohmann::ordered_json line = {{"time", isoMillis(std::chrono::system_clock::now())},
                                 {"level", level},
                                 {"message", message}};
  for (const auto& [key, value] : fields.items()) line[key] = value;
  // A path is whatever a client sent: replace what is not UTF-8 rather than fail.
  const std::string text =
      line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  const std::lock_guard lock(mutex_);
  out_ << text << '\n';
  out_.flush();
}

void Log::attach(httplib::Server& server) {
  server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
    requestStart = std::chrono::steady_clock::now();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    nlohmann::ordered_json fields = {{"method", request.method},
                                     {"path", request.path},
                                     {"status", response.status},
                                     {"duration", nullptr}};
    // A request refused before routing (a malformed request line) has no start.
    if (requestStart) {
      const std::chrono::duration<double, std::milli> elapsed =
          std::chrono::steady_clock::now() - *requestStart;
      fields["duration"] = elapsed.count();
      requestStart.reset();
    }
    write(response.status >= 500 ? "error" : "info", "request", fields);
  });
}

}  // namespace talewick::server
