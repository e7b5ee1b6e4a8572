#include "platform/loop_watch.hpp"

#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <utility>

namespace talewick {

// Pending handlers hold it weakly: cancelled operations still complete (with an error), possibly
// after the LoopWatch is gone, and must then find nothing to call.
struct LoopWatch::State : std::enable_shared_from_this<State> {
  State(asio::io_context& loop, std::chrono::milliseconds every, std::function<void()> onChange)
      : descriptor(loop), timer(loop), every(every), onChange(std::move(onChange)) {}

  void waitForDescriptor() {
    descriptor.async_wait(asio::posix::descriptor_base::wait_read,
                          [weak = weak_from_this()](const asio::error_code& error) {
                            // An error: cancelled, or a descriptor that cannot be polled (the
                            // owner closed it); the timer, if any, goes on alone.
                            if (error) return;
                            if (const auto self = weak.lock()) {
                              self->run(&State::waitForDescriptor);
                            }
                          });
  }

  void waitForTimer() {
    // From now rather than from the last deadline: after a stall the loop catches up with one
    // look, not a burst of them.
    timer.expires_after(every);
    timer.async_wait([weak = weak_from_this()](const asio::error_code& error) {
      if (error) return;
      if (const auto self = weak.lock()) self->run(&State::waitForTimer);
    });
  }

  // Calls onChange, then waits again unless the LoopWatch was destroyed meanwhile. The caller's
  // reference keeps this state alive throughout, even when onChange destroys the LoopWatch.
  void run(void (State::*waitAgain)()) {
    if (stopped) return;
    try {
      onChange();
    } catch (...) {
      if (!stopped) (this->*waitAgain)();
      throw;
    }
    if (!stopped) (this->*waitAgain)();
  }

  asio::posix::stream_descriptor descriptor;
  asio::steady_timer timer;
  const std::chrono::milliseconds every;
  const std::function<void()> onChange;
  bool stopped = false;  // set by the destructor, possibly from within onChange
};

LoopWatch::LoopWatch(asio::io_context& loop, int fd, std::chrono::milliseconds fallbackEvery,
                     std::function<void()> onChange)
    : state_(std::make_shared<State>(loop, fallbackEvery, std::move(onChange))) {
  if (fd >= 0) {
    state_->descriptor.assign(fd);
    state_->waitForDescriptor();
  }
  if (fallbackEvery.count() > 0) state_->waitForTimer();
}

LoopWatch::~LoopWatch() {
  state_->stopped = true;
  // release() cancels the pending wait and hands the descriptor back unclosed: it is its owner's.
  if (state_->descriptor.is_open()) state_->descriptor.release();
  state_->timer.cancel();
}

}  // namespace talewick
