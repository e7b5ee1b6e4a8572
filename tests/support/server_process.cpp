#include "tests/support/server_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The next line the server logs; "" once it closed its standard error.
std::string nextLine(FILE* log) {
  std::string line;
  for (int c; (c = std::fgetc(log)) != EOF && c != '\n';) line += static_cast<char>(c);
  return line;
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

  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  std::vector<std::string> words = {binary,          "serve",    "--config",
                                    config.string(), "--listen", "127.0.0.1:0"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  char* envp[] = {nullptr};
  const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  log_ = ::fdopen(pipeEnds[0], "r");
  if (failed != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + binary);
  }
  // Its first line says where it listens: {"message": "listening", "address": "127.0.0.1:PORT"}.
  const std::string line = nextLine(log_);
  const nlohmann::json listening = nlohmann::json::parse(line, nullptr, false);
  if (!listening.is_object() || listening.value("message", "") != "listening") {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    std::fclose(log_);
    throw std::runtime_error("talewick-server did not start: " + line);
  }
  url_ = "http://" + listening.value("address", "");
  drain_ = std::thread([log = log_] {
    while (std::fgetc(log) != EOF) {
    }
  });
}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  // The server's end of the pipe closed with it: the drain has read to the end.
  if (drain_.joinable()) drain_.join();
  if (log_) std::fclose(log_);
}

}  // namespace talewick::testing
