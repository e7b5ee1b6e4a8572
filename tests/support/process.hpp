// Running the program (or a test tool) as a separate process, the way a user or a second machine
// would, with an environment of the test's choosing.
#pragma once

#include <sys/types.h>

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

// The first executable called `name` in the folders of PATH (a test tool such as khal).
std::optional<std::filesystem::path> onPath(const std::string& name);

// Both in one.
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment,
                         const std::filesystem::path& scratch);

}  // namespace talewick::testing
