// The one repeating timer of a vigil session: each tick schedules the next. Scheduling replaces
// whatever was scheduled before. The program runs it on the main loop; tests fire it by hand
// after moving their clock.
#pragma once

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <functional>
#include <memory>

namespace talewick::together {

class TickTimer {
 public:
  virtual ~TickTimer() = default;
  virtual void schedule(double seconds, std::function<void()> tick) = 0;
  virtual void cancel() = 0;
};

// On the main loop.
class LoopTickTimer : public TickTimer {
 public:
  explicit LoopTickTimer(asio::io_context& main) : timer_(main) {}
  void schedule(double seconds, std::function<void()> tick) override;
  void cancel() override { timer_.cancel(); }

 private:
  asio::steady_timer timer_;
};

// Never ticks: for a process that reads and acts on a session another process drives.
class NoTickTimer : public TickTimer {
 public:
  void schedule(double, std::function<void()>) override {}
  void cancel() override {}
};

}  // namespace talewick::together
