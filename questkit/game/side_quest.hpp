// Side quests: the user's open reminders as the game sees them, and what completing one earns.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/date.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {

enum class SideQuestPriority { basse, moyenne, haute };
template <>
struct EnumTraits<SideQuestPriority> {
  static constexpr std::array<std::string_view, 3> names{"basse", "moyenne", "haute"};
};

struct SideQuest {
  std::string id;  // the reminder's identifier, used to complete it
  std::string title;
  std::optional<Date> start;
  std::optional<Date> due;
  bool dueHasTime = false;  // false for a due day without a time of day (local midnight)
  SideQuestPriority priority = SideQuestPriority::basse;
  std::optional<std::string> location;
  std::optional<std::string> notes;
  std::optional<std::string> url;
  std::optional<std::string> listTitle;  // the reminder list holding it
  int64_t alarmCount = 0;
  int64_t recurrenceRuleCount = 0;
  std::optional<Date> createdAt;
  std::optional<Date> modifiedAt;
  bool operator==(const SideQuest&) const = default;
};

void to_json(Json& j, const SideQuest& v);
void from_json(const Json& j, SideQuest& v);

namespace SideQuests {

using Priority = SideQuestPriority;

// What a completed side quest earns.
struct Reward {
  int64_t xp;
  int64_t gold;
  bool operator==(const Reward&) const = default;
};

// basse 15 XP and 8 gold, moyenne 22 and 11, haute 30 and 15.
Reward reward(SideQuestPriority priority);

// A reminder's priority number (1 most urgent … 9 least, 0 none): 1–4 haute, 5 moyenne, anything
// else — none, 6–9 and numbers out of range — basse.
SideQuestPriority priorityFromReminder(int reminderPriority);

// Stable: side quests with a due date first, earliest due first; then those without one. Equal
// due dates (or none) are ordered by title (byte order of the UTF-8 text, that is code point
// order); equal titles keep their order.
void sort(std::vector<SideQuest>& quests);

}  // namespace SideQuests
}  // namespace talewick
