// The hero's pay for an item completed at its service (a tracker's task, a Linear issue): once
// per item under the receipt "pipeline:" + its pipeline id, whichever command, process or machine
// completes it, so that `pipeline done` and `linear done` on one issue pay once.
#pragma once

#include <cstdint>
#include <string>

#include "ui/command.hpp"

namespace talewick::ui {

// Credits and says it ("+25 XP, +12 or — title"), or says the item is done when it was paid.
void creditCompletion(Io& io, AppContext& app, const std::string& itemID, const std::string& title,
                      int64_t xp, int64_t gold);

}  // namespace talewick::ui
