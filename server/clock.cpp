#include "server/clock.hpp"

#include <chrono>

#include "server/time_text.hpp"

namespace talewick::server {

Clock systemClock() {
  return [] { return unixSeconds(std::chrono::system_clock::now()); };
}

}  // namespace talewick::server
