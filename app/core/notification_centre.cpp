#include "core/notification_centre.hpp"

#include <algorithm>
#include <asio/post.hpp>
#include <chrono>

namespace talewick {
namespace {

// A suspended machine does not count its sleep on the steady clock: look at the wall clock at
// least this often so that nothing due is shown late by the length of a nap.
constexpr double kLongestWaitSeconds = 60;
// Shown notifications are remembered this long: long enough to know a quest's reminders went
// out, short enough that the list stays small in a daemon that runs for months.
constexpr double kDeliveredMemorySeconds = 2 * 86400;

}  // namespace

NotificationCentre::NotificationCentre(asio::io_context& main, Clock clock,
                                       NotificationDisplay& display)
    : main_(main), clock_(std::move(clock)), display_(display), timer_(main) {}

void NotificationCentre::setCategories(std::vector<NotificationCategory> categories) {
  categories_ = std::move(categories);
}

void NotificationCentre::setResponder(std::function<void(const NotificationResponse&)> responder) {
  responder_ = std::move(responder);
}

void NotificationCentre::add(NotificationRequest request) {
  const std::string id = request.identifier;
  if (!request.fireDate) request.fireDate = clock_();
  if (*request.fireDate <= clock_() && !held(request)) {
    pending_.erase(id);
    deliver(request);
  } else {
    pending_.insert_or_assign(id, std::move(request));
  }
  arm();
}

std::vector<NotificationRequest> NotificationCentre::pendingRequests() const {
  std::vector<NotificationRequest> requests;
  for (const auto& [id, request] : pending_) requests.push_back(request);
  std::stable_sort(requests.begin(), requests.end(),
                   [](const auto& a, const auto& b) { return a.fireDate < b.fireDate; });
  return requests;
}

std::vector<std::string> NotificationCentre::deliveredIdentifiers() const {
  std::vector<std::string> ids;
  for (const auto& [id, when] : delivered_) ids.push_back(id);
  return ids;
}

bool NotificationCentre::wasDelivered(const std::string& identifier) const {
  return delivered_.contains(identifier);
}

void NotificationCentre::removePending(const std::vector<std::string>& identifiers) {
  for (const std::string& id : identifiers) pending_.erase(id);
  arm();
}

void NotificationCentre::removeDelivered(const std::vector<std::string>& identifiers) {
  for (const std::string& id : identifiers) {
    if (delivered_.erase(id)) display_.close(id);
  }
}

bool NotificationCentre::held(const NotificationRequest& request) const {
  return exemptPrefix_ && request.identifier.rfind(*exemptPrefix_, 0) != 0;
}

void NotificationCentre::hold(std::optional<std::string> exemptPrefix) {
  const bool released = exemptPrefix_ && !exemptPrefix;
  exemptPrefix_ = std::move(exemptPrefix);
  if (released) deliverDue();
}

void NotificationCentre::deliverDue() {
  const Date now = clock_();
  std::erase_if(delivered_,
                [&](const auto& entry) { return now - entry.second > kDeliveredMemorySeconds; });
  std::vector<NotificationRequest> due;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (*it->second.fireDate <= now && !held(it->second)) {
      due.push_back(std::move(it->second));
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
  std::stable_sort(due.begin(), due.end(),
                   [](const auto& a, const auto& b) { return a.fireDate < b.fireDate; });
  for (const NotificationRequest& request : due) deliver(request);
  arm();
}

void NotificationCentre::deliver(const NotificationRequest& request) {
  delivered_.insert_or_assign(request.identifier, clock_());
  std::vector<NotificationAction> actions;
  for (const NotificationCategory& category : categories_) {
    if (category.identifier == request.categoryIdentifier) actions = category.actions;
  }
  // The display may answer from its own thread, and after this centre is gone.
  std::weak_ptr<bool> alive = alive_;
  display_.show(request, actions, [this, alive, request](std::string action) {
    asio::post(main_, [this, alive, request, action = std::move(action)] {
      if (!alive.expired() && responder_) responder_({action, request});
    });
  });
}

void NotificationCentre::arm() {
  timer_.cancel();
  // Held requests wait for the hold's end, not for a timer.
  std::optional<Date> next;
  for (const auto& [id, request] : pending_) {
    if (!held(request)) next = std::min(next.value_or(*request.fireDate), *request.fireDate);
  }
  if (!next) return;
  const double wait = std::clamp(*next - clock_(), 0.0, kLongestWaitSeconds);
  timer_.expires_after(std::chrono::milliseconds(static_cast<int64_t>(wait * 1000) + 1));
  timer_.async_wait([this](const std::error_code& error) {
    if (!error) deliverDue();
  });
}

}  // namespace talewick
