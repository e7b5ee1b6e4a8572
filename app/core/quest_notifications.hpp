// What the quest store tells the notification scheduler after each load. The program wires the
// desktop notifier when there is one; until then, and in tests, nothing is scheduled.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "game/day_event.hpp"
#include "game/enums.hpp"
#include "game/quest.hpp"

namespace talewick {

class QuestNotifications {
 public:
  virtual ~QuestNotifications() = default;
  // Occurrences awaiting the user's answer, each announced once over the program's life.
  virtual void announcePendingInvitations(const std::vector<DayEvent>&, RPGMode) {}
  // The loaded quests, with the meeting link of each quest that has one (by quest id).
  virtual void scheduleEpicNotifications(const std::vector<Quest>&,
                                         const std::map<std::string, std::string>&) {}
};

}  // namespace talewick
