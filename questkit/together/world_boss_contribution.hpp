// What an enlisted player sends of their day to the world boss: one capped aggregate, filtered
// through a list of allowed keys before it leaves. The caps are those of the damage rule, so a
// day pushed is never worth more than a day of damage.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/json.hpp"
#include "together/world_boss.hpp"

namespace talewick::WorldBossContribution {

inline constexpr int64_t maxXpPerDay = WorldBoss::maxXpPerDay;
inline constexpr int64_t maxQuestsPerDay = WorldBoss::maxQuestsPerDay;
inline constexpr int64_t maxStreak = WorldBoss::maxStreak;

// The value clamped to 0 … the cap.
int64_t capXp(int64_t xp);
int64_t capQuests(int64_t quests);
int64_t capStreak(int64_t streak);

struct DailyAggregate {
  std::string day;  // "yyyy-MM-dd"
  int64_t xp = 0;
  int64_t questsDone = 0;
  int64_t streak = 0;
  std::string heroName;
  std::string avatar;
  std::optional<std::string> vocation;
  bool operator==(const DailyAggregate&) const = default;
};

void to_json(Json& j, const DailyAggregate& v);
void from_json(const Json& j, DailyAggregate& v);

inline constexpr std::array<std::string_view, 7> allowedPayloadKeys{
    "day", "xp", "questsDone", "streak", "heroName", "avatar", "vocation"};
// The world boss needs nothing beyond the aggregate: the wire carries the same keys.
inline constexpr std::array<std::string_view, 7> allowedNetworkPayloadKeys = allowedPayloadKeys;

// `payload` without the keys outside allowedNetworkPayloadKeys; an empty object for anything but
// an object.
Json sanitizedNetworkPayload(const Json& payload);

// The body of the daily push: the aggregate with its counts capped, sanitised; no "vocation"
// key without a vocation.
Json networkBody(const std::string& day, int64_t xp, int64_t questsDone, int64_t streak,
                 const std::string& heroName, const std::string& avatar,
                 const std::optional<std::string>& vocation);

}  // namespace talewick::WorldBossContribution
