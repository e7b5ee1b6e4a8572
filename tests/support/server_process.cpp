#include "tests/support/server_process.hpp"

#include <signal.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "tests/support/process.hpp"

namespace talewick::testing {
namespace {

nlohmann::json readJson(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return nlohmann::json::parse(text.str());
}

}  // namespace

ServerProcess::ServerProcess(const std::string& binary, const std::filesystem::path& folder,
                             const std::function<void(nlohmann::json& config)>& configure) {
  const std::filesystem::path config = folder / "server" / "config.json";
  const ProcessResult init = runProcess({binary, "init", config.string()}, {}, folder / "init");
  if (init.status != 0) throw std::runtime_error("talewick-server init: " + init.err);
  nlohmann::json settings = readJson(config);
  signupSecret_ = settings.at("signupSecret").get<std::string>();
  if (configure) {
    configure(settings);
    std::ofstream(config, std::ios::trunc) << settings.dump(2);
  }

  process_ = std::make_unique<LoggingProcess>(std::vector<std::string>{
      binary, "serve", "--config", config.string(), "--listen", "127.0.0.1:0"});
  // Its first line says where it listens: {"message": "listening", "address": "127.0.0.1:PORT"}.
  const std::string line = process_->nextLine().value_or("");
  const nlohmann::json listening = nlohmann::json::parse(line, nullptr, false);
  if (!listening.is_object() || listening.value("message", "") != "listening") {
    throw std::runtime_error("talewick-server did not start: " + line);
  }
  url_ = "http://" + listening.value("address", "");
  drain_ = std::thread([process = process_.get()] {
    while (process->nextLine()) {
    }
  });
}

ServerProcess::~ServerProcess() {
  process_->stopWith(SIGTERM);
  // The server's end of the pipe closed with it: the drain has read to the end.
  drain_.join();
}

}  // namespace talewick::testing
