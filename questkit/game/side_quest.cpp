#include "game/side_quest.hpp"

#include <algorithm>

namespace talewick {

using json_coding::Field;

static const auto kSideQuestFields =
    std::tuple{Field{"id", &SideQuest::id},
               Field{"title", &SideQuest::title},
               Field{"start", &SideQuest::start},
               Field{"due", &SideQuest::due},
               Field{"dueHasTime", &SideQuest::dueHasTime},
               Field{"priority", &SideQuest::priority},
               Field{"location", &SideQuest::location},
               Field{"notes", &SideQuest::notes},
               Field{"url", &SideQuest::url},
               Field{"listTitle", &SideQuest::listTitle},
               Field{"alarmCount", &SideQuest::alarmCount},
               Field{"recurrenceRuleCount", &SideQuest::recurrenceRuleCount},
               Field{"createdAt", &SideQuest::createdAt},
               Field{"modifiedAt", &SideQuest::modifiedAt}};
TALEWICK_JSON_CODING(SideQuest, kSideQuestFields)

namespace SideQuests {

Reward reward(SideQuestPriority priority) {
  switch (priority) {
    case SideQuestPriority::haute:
      return {30, 15};
    case SideQuestPriority::moyenne:
      return {22, 11};
    case SideQuestPriority::basse:
      break;
  }
  return {15, 8};
}

SideQuestPriority priorityFromReminder(int reminderPriority) {
  if (reminderPriority >= 1 && reminderPriority <= 4) return SideQuestPriority::haute;
  if (reminderPriority == 5) return SideQuestPriority::moyenne;
  return SideQuestPriority::basse;
}

void sort(std::vector<SideQuest>& quests) {
  std::stable_sort(quests.begin(), quests.end(), [](const SideQuest& a, const SideQuest& b) {
    if (a.due.has_value() != b.due.has_value()) return a.due.has_value();
    if (a.due && *a.due != *b.due) return *a.due < *b.due;
    return a.title < b.title;
  });
}

}  // namespace SideQuests
}  // namespace talewick
