#include "tests/support/smtp_sink.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/process.hpp"

namespace talewick::testing {
namespace {

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The Debian python3 holds aiosmtpd; a python3 earlier on PATH (a version manager's) may not.
std::string python() {
  if (std::filesystem::exists("/usr/bin/python3")) return "/usr/bin/python3";
  const auto found = onPath("python3");
  if (!found) throw std::runtime_error("python3 not found");
  return found->string();
}

}  // namespace

SmtpSink::SmtpSink(const std::filesystem::path& folder) : folder_(folder) {
  std::filesystem::create_directories(folder_);
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  std::vector<std::string> words = {python(), TALEWICK_SMTP_SINK_SCRIPT, folder_.string()};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  char* envp[] = {nullptr};
  const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  FILE* out = ::fdopen(pipeEnds[0], "r");
  if (failed != 0) {
    pid_ = -1;
    std::fclose(out);
    throw std::runtime_error("cannot start the SMTP sink");
  }
  // Its first line is the port, printed once it listens.
  std::string line;
  for (int c; (c = std::fgetc(out)) != EOF && c != '\n';) line += static_cast<char>(c);
  std::fclose(out);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    throw std::runtime_error("the SMTP sink did not start (is python3-aiosmtpd installed?)");
  }
}

SmtpSink::~SmtpSink() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

std::vector<nlohmann::json> SmtpSink::messages() const {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    if (entry.path().extension() == ".json") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<nlohmann::json> found;
  for (const auto& file : files) found.push_back(nlohmann::json::parse(fileText(file)));
  return found;
}

std::string SmtpSink::raw(std::size_t index) const {
  char stem[16];
  std::snprintf(stem, sizeof stem, "%04zu.eml", index + 1);
  return fileText(folder_ / stem);
}

}  // namespace talewick::testing
