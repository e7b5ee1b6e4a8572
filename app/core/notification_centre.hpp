// The desktop's notifications as the program sees them. A notification is asked for as a request
// (an identifier, texts, a category naming its action buttons, and an optional instant); the
// centre holds it until that instant and then hands it to the display, which shows it and reports
// the button the user picked.
#pragma once

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.hpp"
#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick {

struct NotificationAction {
  std::string identifier;  // "COMBAT", "INVITE_ACCEPT", …
  std::string title;
  bool operator==(const NotificationAction&) const = default;
};

struct NotificationCategory {
  std::string identifier;  // "QUEST_COMBAT", "QUEST_INVITE"
  std::vector<NotificationAction> actions;
  bool operator==(const NotificationCategory&) const = default;
};

struct NotificationRequest {
  std::string identifier;  // a later request with the same identifier replaces this one
  std::string title;
  std::string body;
  std::string categoryIdentifier;  // empty: no buttons
  Json userInfo = Json::object();
  std::optional<Date> fireDate;  // absent: now
  bool operator==(const NotificationRequest&) const = default;
};

// What the user did with a notification that was shown.
struct NotificationResponse {
  std::string actionIdentifier;  // one of the category's actions, or defaultAction
  NotificationRequest request;
  static constexpr const char* defaultAction = "default";  // a click on the notification itself
};

// Shows notifications now: the desktop's notification server, or a recorder in tests.
class NotificationDisplay {
 public:
  virtual ~NotificationDisplay() = default;
  // Shows `request` (replacing what is shown under the same identifier) with `actions` as
  // buttons. `onAction` may run on any thread, once, when the user picks a button.
  virtual void show(const NotificationRequest& request,
                    const std::vector<NotificationAction>& actions,
                    std::function<void(std::string actionIdentifier)> onAction) = 0;
  // Takes a shown notification off the screen; unknown identifiers are ignored.
  virtual void close(const std::string& identifier) = 0;
};

// Holds the requests until their instant, on the main loop. The desktop has no schedule of its
// own: notifications are due only while the program runs (`talewick daemon`).
class NotificationCentre {
 public:
  NotificationCentre(asio::io_context& main, Clock clock, NotificationDisplay& display);
  NotificationCentre(const NotificationCentre&) = delete;
  NotificationCentre& operator=(const NotificationCentre&) = delete;

  void setCategories(std::vector<NotificationCategory> categories);
  // Receives what the user did with a shown notification, on the main loop.
  void setResponder(std::function<void(const NotificationResponse&)> responder);

  // Holds `request` until its instant, or shows it now when that instant has come. Replaces a
  // pending request with the same identifier.
  void add(NotificationRequest request);
  // The requests not shown yet, by instant.
  std::vector<NotificationRequest> pendingRequests() const;
  // The identifiers of the requests shown over the last two days.
  std::vector<std::string> deliveredIdentifiers() const;
  bool wasDelivered(const std::string& identifier) const;
  void removePending(const std::vector<std::string>& identifiers);
  // Forgets shown notifications and takes them off the screen.
  void removeDelivered(const std::vector<std::string>& identifiers);

  // Shows every pending request whose instant has come. The timer calls it.
  void deliverDue();

  // While the user must not be disturbed (a focused expedition), only requests whose identifier
  // begins with `exemptPrefix` are shown; the others wait until hold(nullopt) and are shown then.
  void hold(std::optional<std::string> exemptPrefix);

 private:
  void deliver(const NotificationRequest& request);
  bool held(const NotificationRequest& request) const;
  void arm();

  asio::io_context& main_;
  Clock clock_;
  NotificationDisplay& display_;
  asio::steady_timer timer_;
  std::vector<NotificationCategory> categories_;
  std::function<void(const NotificationResponse&)> responder_;
  std::map<std::string, NotificationRequest> pending_;
  std::map<std::string, Date> delivered_;    // identifier → when it was shown
  std::optional<std::string> exemptPrefix_;  // set while held
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talewick
