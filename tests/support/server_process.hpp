// The built talewick-server, serving on a free loopback port for one test: configured by its own
// `init` in the test's folder, stopped and reaped when the object goes. A thread reads its log to
// the end, so that a server logging every request never blocks on a full pipe.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "tests/support/process.hpp"

namespace talewick::testing {

// The talewick-server built beside the program at `program` (both land in the build's root).
inline std::string serverBeside(const std::string& program) {
  return (std::filesystem::path(program).parent_path() / "talewick-server").string();
}

class ServerProcess {
 public:
  // Writes a fresh configuration in `folder` with `init`, lets `configure` change it (providers'
  // settings), then serves it on 127.0.0.1 with a port the server picks. Throws
  // std::runtime_error when the server does not start.
  ServerProcess(const std::string& binary, const std::filesystem::path& folder,
                const std::function<void(nlohmann::json& config)>& configure = {});
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // "http://127.0.0.1:PORT".
  const std::string& url() const { return url_; }
  // The sign-up secret of its configuration.
  const std::string& signupSecret() const { return signupSecret_; }
  // The process, for what a benchmark reads of it (its memory).
  pid_t pid() const { return process_->pid(); }

 private:
  std::unique_ptr<LoggingProcess> process_;
  std::thread drain_;
  std::string url_, signupSecret_;
};

}  // namespace talewick::testing
