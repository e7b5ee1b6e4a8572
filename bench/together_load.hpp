// The load of playing together on a talewick-server: guild members pushing their day and reading
// their board, and vigil heroes beating every second. See server_load.cpp for the program.
#pragma once

#include <string>

namespace talewick::bench {

struct TogetherOptions {
  std::string engine;  // "sqlite" or "postgresql"
  std::string server;  // the talewick-server binary
  int seconds = 20;
  // How often each member pushes a day and reads the board, in seconds; 0: as fast as the
  // server answers, which measures how much the machine can take rather than how long one
  // request waits.
  int memberPeriod = 5;
};

// Runs the load and prints its report; 0 when every request succeeded and every vigil reward was
// paid exactly once, 1 otherwise.
int runTogetherLoad(const TogetherOptions& options);

}  // namespace talewick::bench
