#include "core/clock.hpp"

#include <chrono>

namespace talewick {

Date systemNow() {
  using namespace std::chrono;
  return Date::fromUnix(duration<double>(system_clock::now().time_since_epoch()).count());
}

}  // namespace talewick
