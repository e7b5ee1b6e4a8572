#include "kingdom/world_quests.hpp"

#include <algorithm>
#include <string_view>

namespace talewick::WorldQuests {

std::string objectiveReceiptID(const std::string& objectiveID) { return "wq:" + objectiveID; }

std::string chestReceiptID(const std::string& dayKey) { return "wq-chest:" + dayKey; }

namespace {

std::string_view afterFirstColon(std::string_view receipt) {
  const size_t colon = receipt.find(':');
  return colon == std::string_view::npos ? receipt : receipt.substr(colon + 1);
}

}  // namespace

std::vector<std::string> mergeReceipts(const std::vector<std::string>& local,
                                       const std::vector<std::string>& remote, int64_t limit) {
  if (limit < 1) return {};
  std::vector<std::string> all;
  all.reserve(local.size() + remote.size());
  for (const auto* list : {&local, &remote}) {
    for (const std::string& receipt : *list) {
      if (!receipt.empty()) all.push_back(receipt);
    }
  }
  std::sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) {
    const auto ka = afterFirstColon(a), kb = afterFirstColon(b);
    return ka != kb ? ka < kb : a < b;
  });
  all.erase(std::unique(all.begin(), all.end()), all.end());
  if (all.size() > static_cast<uint64_t>(limit)) {
    all.erase(all.begin(), all.end() - limit);
  }
  return all;
}

}  // namespace talewick::WorldQuests
