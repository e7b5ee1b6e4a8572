// What a guild member's day looks like on the wire: capped, and only the allowed keys.
#include "together/guild_contribution.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using GuildContribution::DailyAggregate;

DailyAggregate day(int64_t xp, int64_t quests, int64_t streak) {
  return DailyAggregate{"2026-12-04", xp, quests, streak, "Aube", "heroicPapa", std::nullopt};
}

TEST(GuildContribution, CountsAreClampedToTheirCaps) {
  EXPECT_EQ(GuildContribution::capXp(7000), 5000);
  EXPECT_EQ(GuildContribution::capXp(5000), 5000);
  EXPECT_EQ(GuildContribution::capXp(-1), 0);
  EXPECT_EQ(GuildContribution::capQuests(101), 100);
  EXPECT_EQ(GuildContribution::capStreak(3651), 3650);
  EXPECT_EQ(GuildContribution::capStreak(-4), 0);
  EXPECT_EQ(GuildContribution::capStreak(INT64_MIN), 0);
}

TEST(GuildContribution, TheDailyBodyIsCappedAndCarriesTheHerosExtras) {
  GuildContribution::Extras extras{12000, 7, "🦊", std::nullopt};
  const Json body = GuildContribution::networkBody(day(7000, 140, -3), extras);
  EXPECT_EQ(body, (Json{{"day", "2026-12-04"},
                        {"xp", 5000},
                        {"questsDone", 100},
                        {"streak", 0},
                        {"heroName", "Aube"},
                        {"mode", "heroicPapa"},
                        {"totalXp", 12000},
                        {"level", 7},
                        {"avatar", "🦊"}}));
  // Identity keys leave only when the member shares them.
  EXPECT_FALSE(body.contains("identityKeys"));
  extras.identityKeys = std::vector<std::string>{"email:claire@acme.fr"};
  EXPECT_EQ(GuildContribution::networkBody(day(10, 1, 1), extras)["identityKeys"],
            (Json{"email:claire@acme.fr"}));
}

TEST(GuildContribution, SanitisingDropsEveryKeyOutsideTheNetworkList) {
  const Json sent =
      GuildContribution::sanitizedNetworkPayload(Json{{"day", "2026-12-04"},
                                                      {"calendarTitles", {"Dentiste"}},
                                                      {"xp", 3},
                                                      {"identityKeys", Json::array()},
                                                      {"email", "claire@acme.fr"}});
  EXPECT_EQ(sent, (Json{{"day", "2026-12-04"}, {"xp", 3}, {"identityKeys", Json::array()}}));
  EXPECT_EQ(GuildContribution::sanitizedNetworkPayload(Json::array({1, 2})), Json::object());
  for (const auto key : GuildContribution::allowedPayloadKeys) {
    EXPECT_NE(std::ranges::find(GuildContribution::allowedNetworkPayloadKeys, key),
              GuildContribution::allowedNetworkPayloadKeys.end())
        << key;
  }
}

TEST(GuildContribution, TheAggregateRoundTripsAndRefusesDamage) {
  DailyAggregate a = day(120, 3, 9);
  a.vocation = "forgeron";
  EXPECT_EQ(decodeJsonText<DailyAggregate>(json_coding::encode(a).dump()), a);
  EXPECT_EQ(decodeJsonText<DailyAggregate>(json_coding::encode(day(1, 1, 1)).dump()).vocation,
            std::nullopt);
  EXPECT_THROW(decodeJsonText<DailyAggregate>(R"({"day":"2026-12-04","xp":"12"})"), DecodeError);
  EXPECT_THROW(decodeJsonText<DailyAggregate>(R"({"day":"2026-12-04","xp":1,"questsDone":1,
      "streak":1,"heroName":"A"})"),
               DecodeError);
  EXPECT_THROW(decodeJsonText<DailyAggregate>(R"({"day":)"), DecodeError);
}

}  // namespace
}  // namespace talewick
