// What the quest store tells the notification scheduler after each load. The daemon wires the
// desktop notifier when there is a desktop; one-shot commands and most tests schedule nothing.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "game/day_event.hpp"
#include "game/enums.hpp"
#include "game/quest.hpp"
#include "support/date.hpp"

namespace talewick {

class QuestNotifications {
 public:
  // Lead time of the reminder of a quest whose event has no alarm of its own.
  static constexpr int defaultLeadMinutes = 10;

  virtual ~QuestNotifications() = default;
  // Occurrences awaiting the user's answer, each announced once over the program's life.
  virtual void announcePendingInvitations(const std::vector<DayEvent>&, RPGMode) {}
  // The invitations still awaiting an answer among the occurrences of `coverage`, by key.
  virtual void purgeStaleInvites(const std::set<std::string>& /*validKeys*/,
                                 DateInterval /*coverage*/) {}
  // The quests starting in `coverage`, with the meeting link of each quest that has one and the
  // lead times, in minutes, of its reminders (both by quest id).
  virtual void scheduleEpicNotifications(const std::vector<Quest>& /*quests*/,
                                         const std::map<std::string, std::string>& /*joinURLs*/,
                                         const std::map<std::string, std::vector<int>>& /*offsets*/,
                                         DateInterval /*coverage*/) {}
};

}  // namespace talewick
