#include "together/world_boss_contribution.hpp"

#include <algorithm>
#include <tuple>

namespace talewick::WorldBossContribution {

using json_coding::Field;

static const auto kAggregateFields = std::tuple{Field{"day", &DailyAggregate::day},
                                                Field{"xp", &DailyAggregate::xp},
                                                Field{"questsDone", &DailyAggregate::questsDone},
                                                Field{"streak", &DailyAggregate::streak},
                                                Field{"heroName", &DailyAggregate::heroName},
                                                Field{"avatar", &DailyAggregate::avatar},
                                                Field{"vocation", &DailyAggregate::vocation}};
TALEWICK_JSON_CODING(DailyAggregate, kAggregateFields)

int64_t capXp(int64_t xp) { return std::clamp<int64_t>(xp, 0, maxXpPerDay); }
int64_t capQuests(int64_t quests) { return std::clamp<int64_t>(quests, 0, maxQuestsPerDay); }
int64_t capStreak(int64_t streak) { return std::clamp<int64_t>(streak, 0, maxStreak); }

Json sanitizedNetworkPayload(const Json& payload) {
  Json out = Json::object();
  if (!payload.is_object()) return out;
  for (auto it = payload.begin(); it != payload.end(); ++it) {
    if (std::ranges::find(allowedNetworkPayloadKeys, it.key()) != allowedNetworkPayloadKeys.end()) {
      out[it.key()] = it.value();
    }
  }
  return out;
}

Json networkBody(const std::string& day, int64_t xp, int64_t questsDone, int64_t streak,
                 const std::string& heroName, const std::string& avatar,
                 const std::optional<std::string>& vocation) {
  const DailyAggregate aggregate{
      day, capXp(xp), capQuests(questsDone), capStreak(streak), heroName, avatar, vocation};
  return sanitizedNetworkPayload(json_coding::encode(aggregate));
}

}  // namespace talewick::WorldBossContribution
