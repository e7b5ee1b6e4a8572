// A reward the kingdom pays the hero (an objective, a chest, a chapter, a boss…) and the one way
// every kingdom store pays it: through the hero's receipts, so that it is paid once whatever the
// refreshes, restarts and machines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/hero_store.hpp"

namespace talewick {

// A payment made by one refresh (not one another machine made first).
struct Payment {
  std::string receiptID;
  int64_t xp = 0;
  int64_t gold = 0;
  std::string what;  // what was won, as the user reads it; empty: the caller names it
  bool operator==(const Payment&) const = default;
};

// Credits `xp` and `gold` under `receipt` in the list of `kind`. True when the receipt is paid
// (now or before): the caller marks its record credited. Only a credit made now joins
// `payments`. Throws FileError like HeroStore::credit.
bool pay(HeroStore& hero, RewardKind kind, const std::string& receipt, int64_t xp, int64_t gold,
         std::string what, std::vector<Payment>& payments);

}  // namespace talewick
