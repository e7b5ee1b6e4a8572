#include "core/payment.hpp"

namespace talewick {

bool pay(HeroStore& hero, RewardKind kind, const std::string& receipt, int64_t xp, int64_t gold,
         std::string what, std::vector<Payment>& payments) {
  switch (hero.credit(kind, receipt, xp, gold)) {
    case HeroSync::Credit::refused:
      return false;
    case HeroSync::Credit::alreadyCredited:
      return true;
    case HeroSync::Credit::credited:
      payments.push_back({receipt, xp, gold, std::move(what)});
      return true;
  }
  return false;
}

}  // namespace talewick
