#include "core/reminders_service.hpp"

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
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

std::string RemindersService::sideQuestReceiptID(const std::string& dayKey, const std::string& id) {
  // The day first: receipt lists keep the greatest text after the first ":", so the oldest days
  // are the ones a full list forgets.
  return "reminder:" + dayKey + ":" + id;
}

RemindersService::Completion RemindersService::completeAndCredit(const std::string& id, Date now,
                                                                 HeroStore& hero) {
  using Outcome = Completion::Outcome;
  Completion result;
  for (SideQuest& quest : openSideQuests(false)) {
    if (quest.id == id) result.quest = std::move(quest);
  }
  if (!result.quest) {
    result.outcome = port_.isClosed(id) ? Outcome::alreadyDone : Outcome::unknown;
    return result;
  }
  if (!complete(id, now)) {
    result.outcome = Outcome::notSaved;
    return result;
  }
  result.outcome = Outcome::completed;
  const SideQuests::Reward reward = SideQuests::reward(result.quest->priority);
  const HeroSync::Credit credit =
      hero.credit(RewardKind::sideQuest, sideQuestReceiptID(LocalCalendar::dayKey(now), id),
                  reward.xp, reward.gold);
  if (credit == HeroSync::Credit::credited) result.credited = reward;
  return result;
}

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
