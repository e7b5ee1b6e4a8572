// Running the server: the API on the configured address until the service manager asks it to
// stop.
#pragma once

#include <stdexcept>

#include "server/config.hpp"
#include "server/log.hpp"

namespace talewick::server {

// A server that could not start (its storage, its address); the message is one line.
struct StartError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Serves the API on `config.listen` until the process receives SIGTERM or SIGINT; then stops
// accepting, lets the requests under way finish and returns. Logs the address it listens on
// (the chosen port when the configured one is 0). Throws StartError or StorageError when it cannot
// start. Call it from the main thread before any other thread exists: it blocks the two signals
// for every thread, so that only its own waiter receives them.
void serve(const Config& config, Log& log);

}  // namespace talewick::server
