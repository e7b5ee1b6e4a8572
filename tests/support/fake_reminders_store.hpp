// A reminders store held in memory, counting what is asked of it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/reminders_port.hpp"

namespace talewick::testing {

class FakeReminders : public RemindersStorePort {
 public:
  bool access = true;
  bool grantOnRequest = false;
  bool saveSucceeds = true;
  std::vector<ReminderItem> items;
  int requests = 0;
  int fetches = 0;
  std::vector<std::pair<std::string, Date>> completed;

  bool hasFullAccess() override { return access; }
  bool requestAccess() override {
    ++requests;
    if (grantOnRequest) access = true;
    return access;
  }
  std::vector<ReminderItem> incompleteReminders() override {
    ++fetches;
    return items;
  }
  bool complete(const std::string& identifier, Date now) override {
    for (auto it = items.begin(); it != items.end(); ++it) {
      if (it->identifier != identifier) continue;
      if (!saveSucceeds) return false;
      completed.emplace_back(identifier, now);
      items.erase(it);
      return true;
    }
    return false;
  }
  bool isClosed(const std::string& identifier) override {
    for (const auto& [id, when] : completed) {
      if (id == identifier) return true;
    }
    return false;
  }
};

}  // namespace talewick::testing
