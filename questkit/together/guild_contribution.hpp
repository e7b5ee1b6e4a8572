// What a guild member sends of their day: one small aggregate, capped, and nothing of the
// calendar. The payload is filtered through a list of allowed keys before it leaves, so that a
// field added to the hero one day never reaches the backend by accident.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/json.hpp"

namespace talewick::GuildContribution {

inline constexpr int64_t maxXpPerDay = 5000;
inline constexpr int64_t maxQuestsPerDay = 100;
inline constexpr int64_t maxStreak = 3650;

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
  std::string mode;  // the narrative mode's raw value
  std::optional<std::string> vocation;
  bool operator==(const DailyAggregate&) const = default;
};

void to_json(Json& j, const DailyAggregate& v);
void from_json(const Json& j, DailyAggregate& v);

// The aggregate with its three counts capped.
DailyAggregate capped(DailyAggregate aggregate);

inline constexpr std::array<std::string_view, 7> allowedPayloadKeys{
    "day", "xp", "questsDone", "streak", "heroName", "mode", "vocation"};
inline constexpr std::array<std::string_view, 11> allowedNetworkPayloadKeys{
    "day",      "xp",      "questsDone", "streak", "heroName",    "mode",
    "vocation", "totalXp", "level",      "avatar", "identityKeys"};

// `payload` without the keys outside allowedNetworkPayloadKeys; an empty object for anything but
// an object.
Json sanitizedNetworkPayload(const Json& payload);

// What the hero adds to the day's aggregate on the wire.
struct Extras {
  int64_t totalXp = 0;
  int64_t level = 1;
  std::optional<std::string> avatar;
  // Only when the member shares their identity with colleagues; absent, no key is sent.
  std::optional<std::vector<std::string>> identityKeys;
  bool operator==(const Extras&) const = default;
};

// The body of the daily push: the capped aggregate and the extras, sanitised.
Json networkBody(const DailyAggregate& aggregate, const Extras& extras);

}  // namespace talewick::GuildContribution
