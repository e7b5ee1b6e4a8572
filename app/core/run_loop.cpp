#include "core/run_loop.hpp"

#include <asio/post.hpp>
#include <exception>
#include <future>
#include <iostream>

namespace talewick {

SerialQueue::SerialQueue(asio::thread_pool& pool, std::string label)
    : label_(std::move(label)), strand_(asio::make_strand(pool.get_executor())) {}

void SerialQueue::async(std::function<void()> job) {
  asio::post(strand_, [label = label_, job = std::move(job)] {
    try {
      job();
    } catch (const std::exception& e) {
      std::cerr << "talewick : " << label << " : " << e.what() << '\n';
    }
  });
}

void SerialQueue::waitUntilIdle() {
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  asio::post(strand_, [&done] { done.set_value(); });
  finished.wait();
}

RunLoop::RunLoop() = default;

RunLoop::~RunLoop() {
  for (auto& [label, queue] : queues_) queue->waitUntilIdle();
  pool_.join();
}

SerialQueue& RunLoop::serialQueue(const std::string& label) {
  auto& queue = queues_[label];
  if (!queue) queue = std::make_unique<SerialQueue>(pool_, label);
  return *queue;
}

void RunLoop::settle() {
  for (;;) {
    main_.restart();
    std::size_t ran = main_.poll();
    for (auto& [label, queue] : queues_) queue->waitUntilIdle();
    main_.restart();
    ran += main_.poll();
    if (ran == 0) return;
  }
}

}  // namespace talewick
