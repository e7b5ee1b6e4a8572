// Running the program (or a test tool) as a separate process, the way a user or a second machine
// would, with an environment of the test's choosing.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace talewick::testing {

struct ProcessResult {
  int status = -1;  // the exit status; -1 when killed by a signal or not started
  std::string out, err;
};

// Starts `argv` with only PATH (the test's own unless `environment` gives one) and `environment`
// set; standard output and error go to files in `scratch`. Returns the process id (-1 when it
// could not start).
pid_t startProcess(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& environment,
                   const std::filesystem::path& scratch);

// Waits for a process started by startProcess and collects what it printed.
ProcessResult finishProcess(pid_t pid, const std::filesystem::path& scratch);

// Waits, boundedly, until the file `output` (a started process's) holds `text` `times` times. The
// bound is generous: under a full parallel test run a sanitised program may take seconds a step.
bool waitForText(const std::filesystem::path& output, const std::string& text, size_t times = 1);

// The first executable called `name` in the folders of PATH (a test tool such as khal).
std::optional<std::filesystem::path> onPath(const std::string& name);

// Both in one.
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment,
                         const std::filesystem::path& scratch);

// A long-running program (a server) started with an empty environment, whose standard error the
// test reads line by line as it comes; killed if still running when the object goes.
class LoggingProcess {
 public:
  // Throws std::runtime_error when `argv` cannot be started.
  explicit LoggingProcess(std::vector<std::string> argv);
  ~LoggingProcess();
  LoggingProcess(const LoggingProcess&) = delete;
  LoggingProcess& operator=(const LoggingProcess&) = delete;

  pid_t pid() const { return pid_; }
  // The next line of standard error (without its end); nullopt once the process closed it.
  std::optional<std::string> nextLine();
  // Sends `signal`, waits, and returns the exit status (-1 when the process died of a signal).
  int stopWith(int signal);

 private:
  pid_t pid_ = -1;
  FILE* errors_ = nullptr;
};

}  // namespace talewick::testing
