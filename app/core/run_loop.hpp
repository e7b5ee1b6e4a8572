// The program's threads. One main loop (an Asio io_context run by the main thread) is where every
// store lives and changes; a small pool runs disk and network work; a serial queue runs its jobs
// one after another, in the order they were queued, on that pool.
#pragma once

#include <asio/io_context.hpp>
#include <asio/strand.hpp>
#include <asio/thread_pool.hpp>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace talewick {

class SerialQueue {
 public:
  SerialQueue(asio::thread_pool& pool, std::string label);

  const std::string& label() const { return label_; }
  // Queues `job`. A job that throws is reported on stderr and the queue goes on.
  void async(std::function<void()> job);
  // Blocks until every job queued before the call has run. Never call it from a job of this queue.
  void waitUntilIdle();

 private:
  std::string label_;
  asio::strand<asio::thread_pool::executor_type> strand_;
};

class RunLoop {
 public:
  RunLoop();
  // Waits for the queued jobs, then stops the pool.
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  asio::io_context& main() { return main_; }
  // The queue named `label`, made on first use and kept as long as the loop.
  SerialQueue& serialQueue(const std::string& label);

  // Runs the main-loop work that is ready and waits for the serial queues, again and again until
  // neither has anything left (timers not yet due stay pending). One-shot commands settle before
  // they exit so that no write is left half-way.
  void settle();

 private:
  asio::io_context main_;
  asio::thread_pool pool_{2};
  std::map<std::string, std::unique_ptr<SerialQueue>> queues_;
};

}  // namespace talewick
