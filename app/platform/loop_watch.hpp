// Hooks a change-notice descriptor and a periodic fallback onto the main loop.
//
// `onChange` runs on the loop whenever `fd` turns readable, and every `fallbackEvery` as well:
// inotify misses changes on network file systems and can run out of watches, and a periodic look
// catches those. The watch stays level-triggered: `onChange` must drain `fd` itself (for instance
// with CloudFolderStore::processExternalChanges or FileWatch::drain), or it runs again at once.
//
// The descriptor stays its owner's: LoopWatch never closes it, and the owner must keep it open as
// long as the LoopWatch lives. Destroying the LoopWatch (from the loop's thread, onChange included)
// cancels everything; `onChange` is not called afterwards. An exception thrown by `onChange`
// leaves the loop's run() as any handler's would, and the watch goes on.
//
// Not thread-safe: build, use and destroy it on the loop's thread (or while the loop is not
// running).
#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Declared, not included: a file including this header first would otherwise read Asio's
// configuration before the standard library's, and Asio would pick another allocator there than in
// the rest of the program (aligned_alloc on one side, operator delete on the other).
namespace asio {
class io_context;
}

namespace talewick {

class LoopWatch {
 public:
  // `fd` -1: the timer alone. `fallbackEvery` zero: the descriptor alone.
  LoopWatch(asio::io_context& loop, int fd, std::chrono::milliseconds fallbackEvery,
            std::function<void()> onChange);
  ~LoopWatch();
  LoopWatch(const LoopWatch&) = delete;
  LoopWatch& operator=(const LoopWatch&) = delete;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace talewick
