#include "services/worldboss/world_boss_credit.hpp"

#include <algorithm>

namespace talewick::together {

bool creditWorldBossReward(HeroStore& hero, const std::string& receipt, int64_t gold,
                           bool unlockTitle) {
  if (gold < 1 || receipt.empty() || !hero.payload()) return false;
  const std::vector<std::string>& paid = hero.payload()->worldBossRewardReceiptIDs;
  if (std::find(paid.begin(), paid.end(), receipt) != paid.end()) return false;
  if (!hero.applyWorldBossReward(receipt, gold, unlockTitle)) return false;
  const std::vector<std::string>& now = hero.payload()->worldBossRewardReceiptIDs;
  return std::find(now.begin(), now.end(), receipt) != now.end();
}

}  // namespace talewick::together
