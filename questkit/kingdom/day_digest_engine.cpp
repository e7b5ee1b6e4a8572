#include "kingdom/day_digest_engine.hpp"

#include <algorithm>

namespace talewick::DayDigestEngine {

DayDigest compute(const std::vector<Quest>& quests, int64_t reminderCount) {
  DayDigest digest;
  digest.questCount = static_cast<int64_t>(quests.size());
  digest.reminderCount = std::max<int64_t>(0, reminderCount);
  for (TimeOfDay band : allCases<TimeOfDay>()) digest.byTimeOfDay[band] = 0;
  for (const Quest& q : quests) ++digest.byTimeOfDay[q.timeOfDay];
  if (quests.size() >= 2) {
    const Quest* boss = &quests.front();
    for (const Quest& q : quests) {
      if (q.threat.tier > boss->threat.tier ||
          (q.threat.tier == boss->threat.tier && q.baseXp >= boss->baseXp)) {
        boss = &q;
      }
    }
    digest.bossQuestId = boss->id;
  }
  return digest;
}

}  // namespace talewick::DayDigestEngine
