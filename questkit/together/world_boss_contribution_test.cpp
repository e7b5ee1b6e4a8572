// What an enlisted player's day looks like on the wire.
#include "together/world_boss_contribution.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using WorldBossContribution::DailyAggregate;

TEST(WorldBossContribution, TheBodyIsCappedAtTheDamageRulesLimits) {
  const Json body =
      WorldBossContribution::networkBody("2026-12-04", 2000, 20, 40, "Aube", "🦊", std::nullopt);
  EXPECT_EQ(body, (Json{{"day", "2026-12-04"},
                        {"xp", 1500},
                        {"questsDone", 12},
                        {"streak", 30},
                        {"heroName", "Aube"},
                        {"avatar", "🦊"}}));
  // The capped day is worth exactly the most damage a day can deal.
  EXPECT_EQ(WorldBoss::damage(body["xp"].get<int64_t>(), body["questsDone"].get<int64_t>(),
                              body["streak"].get<int64_t>()),
            1950);
  EXPECT_EQ(WorldBossContribution::networkBody("2026-12-04", -1, -1, -1, "A", "", "archer"),
            (Json{{"day", "2026-12-04"},
                  {"xp", 0},
                  {"questsDone", 0},
                  {"streak", 0},
                  {"heroName", "A"},
                  {"avatar", ""},
                  {"vocation", "archer"}}));
}

TEST(WorldBossContribution, SanitisingKeepsOnlyTheAggregate) {
  EXPECT_EQ(WorldBossContribution::sanitizedNetworkPayload(
                Json{{"xp", 4}, {"identityKeys", {"email:a@b.fr"}}, {"totalXp", 9}}),
            (Json{{"xp", 4}}));
  EXPECT_EQ(WorldBossContribution::sanitizedNetworkPayload("xp"), Json::object());
}

TEST(WorldBossContribution, TheAggregateRoundTripsAndRefusesDamage) {
  const DailyAggregate a{"2026-12-04", 10, 1, 2, "Aube", "🦊", "archer"};
  EXPECT_EQ(decodeJsonText<DailyAggregate>(json_coding::encode(a).dump()), a);
  EXPECT_THROW(decodeJsonText<DailyAggregate>(
                   R"({"day":"2026-12-04","xp":1,"questsDone":1,"streak":1,"heroName":"A"})"),
               DecodeError);
  EXPECT_THROW(decodeJsonText<DailyAggregate>(R"({"day":"2026-12-04","xp":1.5,"questsDone":1,
      "streak":1,"heroName":"A","avatar":""})"),
               DecodeError);
}

}  // namespace
}  // namespace talewick
