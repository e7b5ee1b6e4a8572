// The digest of a day still to be played: how many quests and reminders, how they spread over the
// day, and which quest will be the boss.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game/enums.hpp"
#include "game/quest.hpp"

namespace talewick {

struct DayDigest {
  int64_t questCount = 0;
  int64_t reminderCount = 0;
  std::map<TimeOfDay, int64_t> byTimeOfDay;  // every band, 0 when empty
  std::optional<std::string> bossQuestId;
  bool operator==(const DayDigest&) const = default;
};

namespace DayDigestEngine {

// The digest of `quests` (in day order) and `reminderCount` reminders (a negative count counts as
// 0). The boss is the one the replay would pick if every quest is played: none with fewer than
// two quests; otherwise the highest threat tier, equal tiers going to the larger baseXp and a full
// tie to the later quest.
DayDigest compute(const std::vector<Quest>& quests, int64_t reminderCount);

}  // namespace DayDigestEngine
}  // namespace talewick
