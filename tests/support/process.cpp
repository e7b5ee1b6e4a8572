#include "tests/support/process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace talewick::testing {

namespace fs = std::filesystem;

namespace {

fs::path outputFile(const fs::path& scratch, pid_t pid, const char* stream) {
  return scratch / (std::to_string(pid) + "." + stream);
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

pid_t startProcess(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& environment, const fs::path& scratch) {
  fs::create_directories(scratch);
  // The output files are named after the child, which does not exist yet: write to names of our
  // own first and rename them once the child's id is known.
  static int counter = 0;
  const std::string tag = "spawn-" + std::to_string(++counter);
  const fs::path out = scratch / (tag + ".out"), err = scratch / (tag + ".err");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

  std::vector<std::string> env;
  const char* path = std::getenv("PATH");
  if (!environment.contains("PATH"))
    env.push_back(std::string("PATH=") + (path ? path : "/usr/bin:/bin"));
  for (const auto& [name, value] : environment) env.push_back(name + "=" + value);
  std::vector<char*> envp, args;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvCopy = argv;
  for (std::string& word : argvCopy) args.push_back(word.data());
  args.push_back(nullptr);

  pid_t pid = -1;
  const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return -1;
  std::error_code ec;
  fs::rename(out, outputFile(scratch, pid, "out"), ec);
  fs::rename(err, outputFile(scratch, pid, "err"), ec);
  return pid;
}

ProcessResult finishProcess(pid_t pid, const fs::path& scratch) {
  ProcessResult result;
  if (pid < 0) return result;
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = slurp(outputFile(scratch, pid, "out"));
  result.err = slurp(outputFile(scratch, pid, "err"));
  return result;
}

ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment,
                         const fs::path& scratch) {
  return finishProcess(startProcess(argv, environment, scratch), scratch);
}

bool waitForText(const fs::path& output, const std::string& text, size_t times) {
  for (int i = 0; i < 3000; ++i) {
    std::ifstream in(output, std::ios::binary);
    const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t count = 0;
    for (size_t at = read.find(text); at != std::string::npos; at = read.find(text, at + 1))
      ++count;
    if (count >= times) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::optional<fs::path> onPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return std::nullopt;
}

LoggingProcess::LoggingProcess(std::vector<std::string> words) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  char* envp[] = {nullptr};
  const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (failed != 0) {
    ::close(pipeEnds[0]);
    pid_ = -1;
    throw std::runtime_error("cannot start " + words.front());
  }
  errors_ = ::fdopen(pipeEnds[0], "r");
}

LoggingProcess::~LoggingProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (errors_) std::fclose(errors_);
}

std::optional<std::string> LoggingProcess::nextLine() {
  std::string line;
  for (int c; (c = std::fgetc(errors_)) != EOF;) {
    if (c == '\n') return line;
    line += static_cast<char>(c);
  }
  if (line.empty()) return std::nullopt;
  return line;
}

int LoggingProcess::stopWith(int signal) {
  ::kill(pid_, signal);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace talewick::testing
