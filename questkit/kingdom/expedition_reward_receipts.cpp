#include "kingdom/expedition_reward_receipts.hpp"

#include <algorithm>
#include <unordered_set>

namespace talewick {

using json_coding::Field;

static const auto kExpeditionRewardFields =
    std::tuple{Field{"xp", &ExpeditionReward::xp}, Field{"gold", &ExpeditionReward::gold}};
TALEWICK_JSON_CODING(ExpeditionReward, kExpeditionRewardFields)

namespace ExpeditionRewardReceipts {

std::vector<std::string> merged(const std::vector<std::string>& local,
                                const std::vector<std::string>& remote, int64_t limit) {
  if (limit < 1) return {};
  std::vector<std::string> out;
  std::unordered_set<std::string> seen;
  for (const auto* list : {&local, &remote}) {
    for (const std::string& receipt : *list) {
      if (!receipt.empty() && seen.insert(receipt).second) out.push_back(receipt);
    }
  }
  if (out.size() > static_cast<uint64_t>(limit)) out.erase(out.begin(), out.end() - limit);
  return out;
}

std::vector<std::string> appending(const std::string& id, const std::vector<std::string>& receipts,
                                   int64_t limit) {
  if (std::find(receipts.begin(), receipts.end(), id) != receipts.end()) return receipts;
  return merged(receipts, {id}, limit);
}

}  // namespace ExpeditionRewardReceipts
}  // namespace talewick
