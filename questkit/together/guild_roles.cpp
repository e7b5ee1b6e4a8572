#include "together/guild_roles.hpp"

#include <algorithm>
#include <set>
#include <tuple>

namespace talewick::GuildRoles {

using json_coding::Field;

static const auto kProfileFields = std::tuple{
    Field{"memberId", &MemberProfile::memberId}, Field{"weekXp", &MemberProfile::weekXp},
    Field{"weekQuests", &MemberProfile::weekQuests}, Field{"streak", &MemberProfile::streak}};
TALEWICK_JSON_CODING(MemberProfile, kProfileFields)

namespace {

// The role's own measure first, then the others in role order. A share of the guild's total
// ranks exactly as the value it is taken from, so the values are compared directly.
std::array<int64_t, 3> measures(const MemberProfile& m, GuildRole role) {
  const int64_t xp = std::max<int64_t>(m.weekXp, 0);
  const int64_t quests = std::max<int64_t>(m.weekQuests, 0);
  const int64_t streak = std::max<int64_t>(m.streak, 0);
  switch (role) {
    case GuildRole::champion:
      return {xp, quests, streak};
    case GuildRole::artisan:
      return {quests, xp, streak};
    case GuildRole::gardien:
      break;
  }
  return {streak, xp, quests};
}

bool ranksBefore(const MemberProfile& a, const MemberProfile& b, GuildRole role) {
  const auto ma = measures(a, role);
  const auto mb = measures(b, role);
  if (ma != mb) return ma > mb;
  return a.memberId < b.memberId;
}

}  // namespace

Assignment assign(const std::vector<MemberProfile>& members) {
  std::vector<MemberProfile> roster;
  std::set<std::string> seen;
  for (const MemberProfile& m : members) {
    if (seen.insert(m.memberId).second) roster.push_back(m);
  }
  Assignment roles;
  for (const GuildRole role : allCases<GuildRole>()) {
    const MemberProfile* winner = nullptr;
    for (const MemberProfile& m : roster) {
      if (roles.contains(m.memberId) || measures(m, role)[0] <= 0) continue;
      if (!winner || ranksBefore(m, *winner, role)) winner = &m;
    }
    if (winner) roles.emplace(winner->memberId, role);
  }
  return roles;
}

Synergy synergy(const Assignment& assignment) {
  std::set<GuildRole> distinct;
  for (const auto& [member, role] : assignment) distinct.insert(role);
  switch (distinct.size()) {
    case 0:
    case 1:
      return Synergy::solo;
    case 2:
      return Synergy::emerging;
    default:
      return Synergy::balanced;
  }
}

Synergy synergy(const std::vector<MemberProfile>& members) { return synergy(assign(members)); }

}  // namespace talewick::GuildRoles
