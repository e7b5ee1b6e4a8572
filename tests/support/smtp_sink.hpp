// A real SMTP server on a free loopback port for one test (tests/support/smtp_sink.py over the
// system's python3 with aiosmtpd): it keeps the messages it receives, started here and stopped
// and reaped when the object goes.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace talewick::testing {

class SmtpSink {
 public:
  // Serves from now on, keeping messages in `folder` (created). Throws std::runtime_error when
  // it does not start.
  explicit SmtpSink(const std::filesystem::path& folder);
  ~SmtpSink();
  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  int port() const { return port_; }

  // The messages received so far, in order, as the sink's Python mail parser read them:
  // {"mailFrom", "rcptTos", "headers" (decoded, lower-case names), "rawHeaderLines",
  // "parts": [{"contentType", "text"}]}.
  std::vector<nlohmann::json> messages() const;
  // The bytes of the message `index` (0 first) as received.
  std::string raw(std::size_t index) const;

 private:
  std::filesystem::path folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace talewick::testing
