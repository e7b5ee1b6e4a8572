// The six realms (territories) of the kingdom map, and which of them the user may pin a quest or a
// calendar to.
#pragma once

#include <array>
#include <string_view>

#include "support/enum_traits.hpp"

namespace talewick {

// Raw value = case name; declaration order is the order of allCases and of the map.
enum class KingdomRealm { family, personal, factions, reminders, tickets, deadlines };
template <>
struct EnumTraits<KingdomRealm> {
  static constexpr std::array<std::string_view, 6> names{"family",    "personal", "factions",
                                                         "reminders", "tickets",  "deadlines"};
};

namespace KingdomRealms {

// The realms a territory override may force: family, personal, tickets, deadlines. Factions and
// reminders are filled from other sources than calendar quests, so a pin to them has no effect.
inline constexpr std::array<KingdomRealm, 4> forcible{
    KingdomRealm::family, KingdomRealm::personal, KingdomRealm::tickets, KingdomRealm::deadlines};

constexpr bool isForcible(KingdomRealm realm) {
  for (KingdomRealm r : forcible) {
    if (r == realm) return true;
  }
  return false;
}

}  // namespace KingdomRealms
}  // namespace talewick
