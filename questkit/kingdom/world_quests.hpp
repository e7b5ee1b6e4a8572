// The daily board of world quests: objectives drawn from the day's real work, paid once each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talewick::WorldQuests {

// The receipt under which the hero is paid for one objective ("wq:" + id) and for the day's chest.
std::string objectiveReceiptID(const std::string& objectiveID);
std::string chestReceiptID(const std::string& dayKey);

// The union of two receipt lists without duplicates and without empty strings, sorted by the text
// after the first ":" (the whole text when there is none), then by the whole text, keeping the
// last `limit` entries. So a full list forgets the oldest days first. limit < 1 gives [].
std::vector<std::string> mergeReceipts(const std::vector<std::string>& local,
                                       const std::vector<std::string>& remote, int64_t limit);

}  // namespace talewick::WorldQuests
