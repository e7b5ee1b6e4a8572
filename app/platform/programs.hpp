// Running the desktop's helper programs (notify-send, gdbus, gsettings): finding them, starting
// them with their output on a pipe, and knowing whether there is a desktop session at all.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talewick::programs {

// The first executable called `name` in the folders of PATH.
std::optional<std::filesystem::path> findOnPath(const std::string& name);

// Whether a D-Bus session bus is reachable (a desktop session).
bool hasSessionBus();

// Starts `argv` with the program's environment, standard input from /dev/null and standard error
// dropped; standard output goes to a pipe whose reading end is returned in `out` when asked for.
// -1 when it cannot be started.
pid_t spawn(const std::vector<std::string>& argv, int* out);

// Runs `argv` to its end: its standard output, or nullopt when it could not run or failed.
std::optional<std::string> runForOutput(const std::vector<std::string>& argv);

}  // namespace talewick::programs
