// "Now" as the routes read it: seconds since 1970 (UTC). The server runs on the system clock; a
// test hands its routes a clock it moves by hand. Nothing in the configuration or the
// environment can replace the system clock of a running server.
#pragma once

#include <cstdint>
#include <functional>

namespace talewick::server {

using Clock = std::function<std::int64_t()>;

Clock systemClock();

}  // namespace talewick::server
