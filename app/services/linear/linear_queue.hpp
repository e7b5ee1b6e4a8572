// The Linear store's blocking exchanges (GraphQL, the OAuth token) run on its own serial queue,
// never on the main loop, and come back to the main loop with their outcome.
#pragma once

#include <asio/post.hpp>
#include <exception>
#include <functional>

#include "core/run_loop.hpp"
#include "services/backend/backend_connection.hpp"

namespace talewick::linear {

inline constexpr const char* LINEAR_QUEUE = "linear.graphql";

// Runs `work` on the queue and hands its outcome to `done` on the main loop.
template <class T>
void offMainLoop(RunLoop& loop, std::function<T()> work,
                 std::function<void(backend::Outcome<T>)> done) {
  asio::io_context& main = loop.main();
  loop.serialQueue(LINEAR_QUEUE)
      .async([&main, work = std::move(work), done = std::move(done)]() mutable {
        backend::Outcome<T> outcome;
        try {
          outcome.value = work();
        } catch (...) {
          outcome.failure = std::current_exception();
        }
        asio::post(main, [done = std::move(done), outcome = std::move(outcome)] { done(outcome); });
      });
}

}  // namespace talewick::linear
