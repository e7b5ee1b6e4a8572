#include "together/world_boss.hpp"

#include <algorithm>
#include <limits>
#include <string>

#include "support/hashes.hpp"

namespace talewick::WorldBoss {

void to_json(Json& j, const Form& v) {
  j = Json{{"key", v.key}, {"nameFR", v.nameFR}, {"nameEN", v.nameEN}, {"emoji", v.emoji}};
}

void to_json(Json& j, const RageEvent& v) {
  j = Json{{"threshold", v.threshold},
           {"key", v.key},
           {"messageFR", v.messageFR},
           {"messageEN", v.messageEN}};
}

void to_json(Json& j, const Reward& v) {
  j = Json{{"gold", v.gold}};
  if (v.deed) j["deed"] = *v.deed;
}

int64_t damage(int64_t xp, int64_t questsDone, int64_t streak) {
  return std::clamp<int64_t>(xp, 0, maxXpPerDay) +
         damagePerQuest * std::clamp<int64_t>(questsDone, 0, maxQuestsPerDay) +
         damagePerStreakDay * std::clamp<int64_t>(streak, 0, maxStreak);
}

int64_t hp(int64_t enlisted, bool rivalry) {
  // Wide enough that no count of players overflows before the answer saturates.
  __int128 base = std::max<__int128>(
      static_cast<__int128>(std::max<int64_t>(enlisted, 0)) * hpPerEnlisted, floorHp);
  if (rivalry) base = base * rivalryPercent / 100;
  return static_cast<int64_t>(std::min<__int128>(base, std::numeric_limits<int64_t>::max()));
}

int64_t rage(int64_t pushersToday, int64_t activeEnlisted) {
  if (activeEnlisted < 1) return 0;
  const __int128 pushers = std::clamp<int64_t>(pushersToday, 0, activeEnlisted);
  const __int128 active = activeEnlisted;
  // round-half-up(pushers × 100 / active), in integers: floor((200 × pushers + active) / 2active).
  const auto share = static_cast<int64_t>((200 * pushers + active) / (2 * active));
  return std::clamp<int64_t>(100 - share, 0, 100);
}

int64_t effectiveRage(int64_t rage, int64_t activeEnlisted) {
  const int64_t cap = activeEnlisted < smallCohortThreshold ? smallCohortRageCap : 100;
  return std::min(cap, std::max<int64_t>(rage, 0));
}

int64_t rageLevel(int64_t share) {
  const int64_t value = std::clamp<int64_t>(share, 0, 100);
  return std::ranges::count_if(rageThresholds, [value](int64_t t) { return value >= t; });
}

std::vector<ScourgeEffect> scourgeEffects(int64_t rageLevel) {
  using enum ScourgeEffect;
  // How many effects of this order each level shows.
  constexpr std::array<ScourgeEffect, 7> kOrder{
      marketEmbers, buildingSmoke, darkenedWindows, bridgeCrack, vignette, horizonGlow, ashfall};
  constexpr std::array<size_t, 5> kShown{0, 1, 3, 6, 7};
  const size_t shown = kShown[static_cast<size_t>(std::clamp<int64_t>(rageLevel, 0, 4))];
  return std::vector<ScourgeEffect>(kOrder.begin(), kOrder.begin() + static_cast<long>(shown));
}

std::vector<RageEvent> triggeredRageEvents(int64_t rage) {
  std::vector<RageEvent> out;
  for (const RageEvent& e : rageEvents) {
    if (e.threshold <= rage) out.push_back(e);
  }
  return out;
}

Form form(std::string_view week) {
  return forms[hashes::fnv1a64("worldboss:" + std::string(week)) % forms.size()];
}

Reward reward(int64_t dealt, bool victory) {
  if (!victory || dealt <= 0) return {};
  Reward r;
  r.gold = rewardGoldBase + std::min<int64_t>(dealt / 100, rewardGoldCap - rewardGoldBase);
  if (const Deed* deed = Achievements::deed(Achievements::worldBossDeedID)) r.deed = *deed;
  return r;
}

std::string victoryReceiptID(std::string_view week) {
  return "worldboss:" + std::string(week) + ":victory";
}

}  // namespace talewick::WorldBoss
