// The HttpClient of the program, over libcurl: one easy handle per call, so that calls from
// several threads share nothing. Certificates are always verified, redirects are never followed
// (a backend that moved must be configured anew, not trusted blindly), only http and https are
// spoken, and an answer larger than the limit is cut off as a transport error.
#pragma once

#include <cstddef>

#include "core/http_port.hpp"

namespace talewick {

class CurlHttpClient : public HttpClient {
 public:
  static constexpr std::size_t DEFAULT_MAX_RESPONSE_BYTES = 8 * 1024 * 1024;

  // Make the first one on the main thread, before other threads start: libcurl's global set-up
  // happens then, once for the process.
  explicit CurlHttpClient(std::size_t maxResponseBytes = DEFAULT_MAX_RESPONSE_BYTES);

  HttpResponse send(const HttpRequest& request) override;

 private:
  std::size_t maxResponseBytes_;
};

}  // namespace talewick
