#include "together/guild_contribution.hpp"

#include <algorithm>
#include <tuple>
#include <utility>

namespace talewick::GuildContribution {

using json_coding::Field;

int64_t capXp(int64_t xp) { return std::clamp<int64_t>(xp, 0, maxXpPerDay); }
int64_t capQuests(int64_t quests) { return std::clamp<int64_t>(quests, 0, maxQuestsPerDay); }
int64_t capStreak(int64_t streak) { return std::clamp<int64_t>(streak, 0, maxStreak); }

static const auto kAggregateFields = std::tuple{Field{"day", &DailyAggregate::day},
                                                Field{"xp", &DailyAggregate::xp},
                                                Field{"questsDone", &DailyAggregate::questsDone},
                                                Field{"streak", &DailyAggregate::streak},
                                                Field{"heroName", &DailyAggregate::heroName},
                                                Field{"mode", &DailyAggregate::mode},
                                                Field{"vocation", &DailyAggregate::vocation}};
TALEWICK_JSON_CODING(DailyAggregate, kAggregateFields)

DailyAggregate capped(DailyAggregate aggregate) {
  aggregate.xp = capXp(aggregate.xp);
  aggregate.questsDone = capQuests(aggregate.questsDone);
  aggregate.streak = capStreak(aggregate.streak);
  return aggregate;
}

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

Json networkBody(const DailyAggregate& aggregate, const Extras& extras) {
  Json body = json_coding::encode(capped(aggregate));
  body["totalXp"] = std::max<int64_t>(extras.totalXp, 0);
  body["level"] = extras.level;
  if (extras.avatar) body["avatar"] = *extras.avatar;
  if (extras.identityKeys) body["identityKeys"] = *extras.identityKeys;
  return sanitizedNetworkPayload(body);
}

}  // namespace talewick::GuildContribution
