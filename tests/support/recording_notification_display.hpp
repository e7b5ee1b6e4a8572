// A notification display that shows nothing and remembers everything: what was shown, with
// which buttons, and what was closed. A test plays the user by pressing a button.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/notification_centre.hpp"

namespace talewick::testing {

class RecordingNotificationDisplay : public NotificationDisplay {
 public:
  struct Shown {
    NotificationRequest request;
    std::vector<NotificationAction> actions;
    std::function<void(std::string)> onAction;
  };

  void show(const NotificationRequest& request, const std::vector<NotificationAction>& actions,
            std::function<void(std::string)> onAction) override {
    shown.push_back({request, actions, std::move(onAction)});
  }
  void close(const std::string& identifier) override { closed.push_back(identifier); }

  std::vector<std::string> shownIdentifiers() const {
    std::vector<std::string> ids;
    for (const Shown& s : shown) ids.push_back(s.request.identifier);
    return ids;
  }
  // The last notification shown under `identifier`; null when none was.
  const Shown* find(const std::string& identifier) const {
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
      if (it->request.identifier == identifier) return &*it;
    }
    return nullptr;
  }

  std::vector<Shown> shown;
  std::vector<std::string> closed;
};

}  // namespace talewick::testing
