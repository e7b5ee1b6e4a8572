// Runs the `talewick` command line in process, as the tests of the commands need it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/json.hpp"
#include "ui/command.hpp"

namespace talewick::testing {

struct CliResult {
  int status;
  std::string out, err;
};

// Points the program at `home` (TALEWICK_HOME) with its clock fixed at `now` (ISO-8601), no
// welcome, and no folder or calendar setting inherited from the environment.
inline void useCommandHome(const std::filesystem::path& home, const char* now) {
  ::setenv("TALEWICK_HOME", home.c_str(), 1);
  ::setenv("TALEWICK_NOW", now, 1);
  ::setenv("TALEWICK_SKIP_ONBOARDING", "1", 1);
  for (const char* name :
       {"TALEWICK_CALENDAR_DIR", "TALEWICK_CLOUD_DIR", "TALEWICK_DISABLE_EVENTKIT"}) {
    ::unsetenv(name);
  }
}

// Undoes useCommandHome (and whatever a test set among those variables).
inline void forgetCommandHome() {
  for (const char* name :
       {"TALEWICK_HOME", "TALEWICK_NOW", "TALEWICK_SKIP_ONBOARDING", "TALEWICK_CALENDAR_DIR",
        "TALEWICK_CLOUD_DIR", "TALEWICK_DISABLE_EVENTKIT"}) {
    ::unsetenv(name);
  }
}

// `terminal`: as if a person sat at the keyboard, answering `input`.
inline CliResult runCli(const std::vector<std::string>& args, const std::string& input = "",
                        bool terminal = false) {
  std::istringstream in(input);
  std::ostringstream out, err;
  ui::Io io{in, out, err, terminal};
  const int status = ui::run(args, io);
  return {status, out.str(), err.str()};
}

// The command with --json added: its output parsed, after checking it succeeded.
inline Json runCliJson(std::vector<std::string> args) {
  args.push_back("--json");
  const CliResult r = runCli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  return Json::parse(r.out);
}

}  // namespace talewick::testing
