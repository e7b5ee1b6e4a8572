// The server's log: one JSON object per line on a stream (standard error in the program), for
// the service manager's journal. Lines carry what happened, never a request's headers or body:
// no secret, key or token ever reaches them.
#pragma once

#include <httplib.h>

#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>

namespace talewick::server {

class Log {
 public:
  explicit Log(std::ostream& out) : out_(out) {}

  // Writes {"time", "level", "message", ...fields} as one line; safe from any thread.
  void write(std::string_view level, std::string_view message,
             const nlohmann::ordered_json& fields = nlohmann::ordered_json::object());

  // Logs every request `server` answers: method, path (without its query), status and duration
  // in milliseconds.
  void attach(httplib::Server& server);

 private:
  std::mutex mutex_;
  std::ostream& out_;
};

}  // namespace talewick::server
