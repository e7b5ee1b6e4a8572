// Runs the `talewick` command line in process, as the tests of the commands need it.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "ui/command.hpp"

namespace talewick::testing {

struct CliResult {
  int status;
  std::string out, err;
};

inline CliResult runCli(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  ui::Io io{in, out, err};
  const int status = ui::run(args, io);
  return {status, out.str(), err.str()};
}

}  // namespace talewick::testing
