// A single-slot queue for kingdom refreshes: one runs, at most one waits. A request arriving while
// another waits folds into it, asking for everything either asked for.
#pragma once

#include <optional>

namespace talewick {

class KingdomRefreshQueue {
 public:
  struct Request {
    bool requestReminders = false;
    bool forceExternal = false;
    bool operator==(const Request&) const = default;
  };

  bool isRunning() const { return isRunning_; }
  const std::optional<Request>& pending() const { return pending_; }

  // The request to run now, or nullopt when one is running (the request then waits).
  std::optional<Request> submit(Request request) {
    if (isRunning_) {
      pending_ = pending_ ? Request{pending_->requestReminders || request.requestReminders,
                                    pending_->forceExternal || request.forceExternal}
                          : request;
      return std::nullopt;
    }
    isRunning_ = true;
    return request;
  }

  // Ends the running refresh; the waiting request, if any, runs next.
  std::optional<Request> finish() {
    std::optional<Request> next = pending_;
    pending_.reset();
    isRunning_ = next.has_value();
    return next;
  }

 private:
  bool isRunning_ = false;
  std::optional<Request> pending_;
};

}  // namespace talewick
