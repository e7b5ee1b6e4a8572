#include "services/vigil/tick_timer.hpp"

#include <chrono>

namespace talewick::together {

void LoopTickTimer::schedule(double seconds, std::function<void()> tick) {
  timer_.cancel();
  timer_.expires_after(std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000)));
  timer_.async_wait([tick = std::move(tick)](const std::error_code& error) {
    if (!error) tick();
  });
}

}  // namespace talewick::together
