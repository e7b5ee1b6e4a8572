// The road to the user's reminders (to-do items). RemindersService turns them into side quests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/date.hpp"

namespace talewick {

// A date as a reminder carries it: a day, with a time of day or not.
struct ReminderDate {
  Date date;  // the instant; local midnight for a day without time
  bool hasTime = false;
  bool operator==(const ReminderDate&) const = default;
};

struct ReminderItem {
  std::string identifier;  // stable: the item's UID
  std::optional<std::string> title;
  std::optional<ReminderDate> start;
  std::optional<ReminderDate> due;
  int priority = 0;  // 0 none, 1 highest … 9 lowest
  std::optional<std::string> location;
  std::optional<std::string> notes;
  std::optional<std::string> url;
  std::optional<std::string> listTitle;
  int alarmCount = 0;
  int recurrenceRuleCount = 0;
  std::optional<Date> createdAt;
  std::optional<Date> modifiedAt;
  bool operator==(const ReminderItem&) const = default;
};

class RemindersStorePort {
 public:
  virtual ~RemindersStorePort() = default;
  virtual bool hasFullAccess() = 0;
  virtual bool requestAccess() = 0;
  // Every incomplete reminder of every list.
  virtual std::vector<ReminderItem> incompleteReminders() = 0;
  // Marks the reminder completed at `now` and saves it; false for an unknown id or a failed save.
  virtual bool complete(const std::string& identifier, Date now) = 0;
  // Whether the lists hold the reminder `identifier` and it is no longer open (ticked or
  // cancelled). A store that cannot tell answers false.
  virtual bool isClosed(const std::string& /*identifier*/) { return false; }
};

}  // namespace talewick
