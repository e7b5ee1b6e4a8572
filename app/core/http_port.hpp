// HTTP calls to the outside world (the backend, later the providers' own services). The program
// wires libcurl; tests point a real client at a loopback server they start themselves.
#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talewick {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
  std::string method = "GET";  // GET, POST, PATCH, DELETE…
  std::string url;             // absolute http:// or https:// URL
  HttpHeaders headers;
  std::string body;
  std::chrono::milliseconds timeout{60'000};  // the whole call, connection included
};

struct HttpResponse {
  int status = 0;
  HttpHeaders headers;  // names lower-cased, in the order received
  std::string body;

  // The first header called `name` (lower-case); nullopt when absent.
  std::optional<std::string> header(std::string_view name) const;
};

// The call did not get an answer: no connection, a timeout, a refused certificate, an answer
// too large. The message is the platform's own.
struct HttpTransportError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;

  // Sends `request` and waits for the whole answer. Any status is an answer; only a call without
  // one throws HttpTransportError. Blocks: call it from the worker pool, never from the main
  // loop. Safe to call from several threads at once.
  virtual HttpResponse send(const HttpRequest& request) = 0;
};

}  // namespace talewick
