// Roles in the guild's week: who carried the guild, who crafted the most, who kept the steadiest
// flame. A guild whose members hold different roles plays in synergy.
//
// How roles are given (`assign`), so that every member can check it by hand:
// - each role goes to one member at most, and each member holds one role at most;
// - the roles are given in this order, each to the member not yet holding one whose share of the
//   guild's week is largest in the role's own measure:
//     champion — weekly experience ("porte l'élan de la guilde"),
//     artisan  — weekly quests done,
//     gardien  — streak ("la série la plus régulière de la guilde");
// - a member whose measure is 0 (or below) never wins the role: a role is earned by play;
// - a tie goes to the member ahead on the role's other two measures, in the order of the roles
//   above (experience, quests, streak, skipping the role's own), then to the smaller member id
//   (byte order), so that the answer never depends on the roster's order;
// - a member listed twice counts once, with the first profile given.
// A roster of one gives at most one role; an empty roster gives none.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {

enum class GuildRole { champion, artisan, gardien };

template <>
struct EnumTraits<GuildRole> {
  static constexpr std::array<std::string_view, 3> names{"champion", "artisan", "gardien"};
};

namespace GuildRoles {

struct MemberProfile {
  std::string memberId;
  int64_t weekXp = 0;
  int64_t weekQuests = 0;
  int64_t streak = 0;
  bool operator==(const MemberProfile&) const = default;
};

void to_json(Json& j, const MemberProfile& v);
void from_json(const Json& j, MemberProfile& v);

// Written as its number: solo 0, emerging 1, balanced 2.
enum class Synergy : int64_t { solo = 0, emerging = 1, balanced = 2 };

using Assignment = std::map<std::string, GuildRole>;

// Member id → role, by the rule above; members without a role are left out.
Assignment assign(const std::vector<MemberProfile>& members);

// The distinct roles held: 0 or 1 → solo, 2 → emerging, 3 → balanced.
Synergy synergy(const Assignment& assignment);
Synergy synergy(const std::vector<MemberProfile>& members);

}  // namespace GuildRoles
}  // namespace talewick
