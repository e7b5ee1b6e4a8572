// Open reminders as side quests, and their completion. Call from one thread at a time (the main
// one); each call waits for the port.
#pragma once

#include <string>
#include <vector>

#include "core/reminders_port.hpp"
#include "game/side_quest.hpp"
#include "support/date.hpp"

namespace talewick {

class RemindersService {
 public:
  explicit RemindersService(RemindersStorePort& port) : port_(port) {}

  // Every incomplete reminder as a side quest, sorted (SideQuests::sort). Without full access the
  // list is empty: access is asked for only when `requestIfNeeded`, and reminders are read only
  // once it is granted. Never an error.
  std::vector<SideQuest> openSideQuests(bool requestIfNeeded);

  // Marks the reminder `id` completed at `now`; false for an unknown id or a failed save (the
  // side quest then stays open).
  bool complete(const std::string& id, Date now);

  // Asks for access to the reminders; whether it is granted.
  bool requestAccess();

  // One reminder as the game sees it: the title trimmed, "Quête sans nom" when nothing is left;
  // the priority number mapped by SideQuests::priorityFromReminder.
  static SideQuest sideQuest(const ReminderItem& item);

 private:
  RemindersStorePort& port_;
};

}  // namespace talewick
