#include "core/reminders_service.hpp"

#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick {

std::vector<SideQuest> RemindersService::openSideQuests(bool requestIfNeeded) {
  const bool allowed = port_.hasFullAccess() || (requestIfNeeded && port_.requestAccess());
  if (!allowed) return {};
  std::vector<SideQuest> quests;
  for (const ReminderItem& item : port_.incompleteReminders()) quests.push_back(sideQuest(item));
  SideQuests::sort(quests);
  return quests;
}

bool RemindersService::complete(const std::string& id, Date now) { return port_.complete(id, now); }

bool RemindersService::requestAccess() { return port_.requestAccess(); }

SideQuest RemindersService::sideQuest(const ReminderItem& item) {
  SideQuest quest;
  quest.id = item.identifier;
  quest.title = item.title ? std::string(text::trim(*item.title)) : std::string();
  if (quest.title.empty()) quest.title = Loc::string("sidequest.untitled", "Quête sans nom");
  if (item.start) quest.start = item.start->date;
  if (item.due) {
    quest.due = item.due->date;
    quest.dueHasTime = item.due->hasTime;
  }
  quest.priority = SideQuests::priorityFromReminder(item.priority);
  quest.location = item.location;
  quest.notes = item.notes;
  quest.url = item.url;
  quest.listTitle = item.listTitle;
  quest.alarmCount = item.alarmCount;
  quest.recurrenceRuleCount = item.recurrenceRuleCount;
  quest.createdAt = item.createdAt;
  quest.modifiedAt = item.modifiedAt;
  return quest;
}

}  // namespace talewick
