// What a won expedition pays, and the hero's list of expeditions already paid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/json.hpp"

namespace talewick {

struct ExpeditionReward {
  int64_t xp = 0;
  int64_t gold = 0;
  static ExpeditionReward none() { return {}; }
  bool operator==(const ExpeditionReward&) const = default;
};

void to_json(Json& j, const ExpeditionReward& v);
void from_json(const Json& j, ExpeditionReward& v);

namespace ExpeditionRewardReceipts {

// `local` then `remote` without empty strings, each value at its first place, keeping the last
// `limit` entries (the most recent expeditions). limit < 1 gives [].
std::vector<std::string> merged(const std::vector<std::string>& local,
                                const std::vector<std::string>& remote, int64_t limit);

// `receipts` unchanged when it holds `id` already, else `id` merged in at the end.
std::vector<std::string> appending(const std::string& id, const std::vector<std::string>& receipts,
                                   int64_t limit);

}  // namespace ExpeditionRewardReceipts
}  // namespace talewick
