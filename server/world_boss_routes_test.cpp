// The world boss's routes on loopback with a clock moved by hand: the key paths on both engines.
#include "server/world_boss_routes.hpp"

#include <gtest/gtest.h>

#include "server/together_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::Answer;
using testing::TogetherServer;

constexpr std::int64_t DAY = 86400;

class WorldBossRoutesTest : public ::testing::TestWithParam<testing::Engine> {
 protected:
  Answer enlist(const json& heroName) {
    return server_.signedUp("/api/worldboss/enlist",
                            {{"heroName", heroName}, {"avatar", "🦊"}, {"vocation", "mage"}});
  }
  std::string key(const std::string& heroName) {
    const Answer answer = enlist(heroName);
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.body.value("apiKey", "");
  }
  Answer push(const std::string& key, const std::string& day, std::int64_t xp, std::int64_t quests,
              std::int64_t streak) {
    return server_.as(key, "POST", "/api/worldboss/stats",
                      {{"day", day},
                       {"xp", xp},
                       {"questsDone", quests},
                       {"streak", streak},
                       {"heroName", "Ana"},
                       {"avatar", "🦊"}});
  }
  json board(const std::string& key, const std::string& today) {
    const Answer answer = server_.as(key, "GET", "/api/worldboss/board?today=" + today);
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.body;
  }
  static void expectError(const Answer& answer, int status, const std::string& error) {
    EXPECT_EQ(answer.status, status) << answer.body;
    EXPECT_EQ(answer.body.value("error", ""), error) << answer.body;
  }

  TogetherServer server_{GetParam(), false};
};

TEST_P(WorldBossRoutesTest, enlistingChecksTheNameAndRaisesTheFirstBanner) {
  expectError(server_.call("POST", "/api/worldboss/enlist", {{"heroName", "Ana"}}), 401,
              "Secret d'inscription refusé.");
  for (const json& bad : {json(" A "), json("Ana\u0007"), json(std::string(33, 'a')), json(3)}) {
    expectError(enlist(bad), 400, "invalid_hero_name");
  }
  const Answer ana = enlist("  Ana  ");
  ASSERT_EQ(ana.status, 200) << ana.body;
  EXPECT_EQ(ana.body["banner"],
            json({{"nameFR", "La Bannière du Loup"}, {"nameEN", "The Wolf Banner"}}));
  EXPECT_EQ(ana.body["apiKey"].get<std::string>().size(), 64U);
  const json seen = board(ana.body["apiKey"], "2026-12-07");
  EXPECT_EQ(seen["banner"]["roster"], json::array({{{"heroName", "Ana"},
                                                    {"avatar", "🦊"},
                                                    {"vocation", "mage"},
                                                    {"dealt", 0},
                                                    {"isYou", true}}}));
  EXPECT_EQ(WorldBossRoutes::bannerName(9).second, "The Phoenix Banner 2");
}

TEST_P(WorldBossRoutesTest, theServerComputesTheDamageAndTheBoardAddsItUp) {
  const std::string ana = key("Ana");
  const std::string bob = key("Bob");
  const std::string cyd = key("Cyd");
  expectError(server_.as(ana, "POST", "/api/worldboss/stats",
                         {{"day", "2026-12-07"},
                          {"xp", 10},
                          {"questsDone", 0},
                          {"streak", 0},
                          {"heroName", "Ana"},
                          {"avatar", "🦊"},
                          {"damage", 99999}}),
              400, "unknown_key");
  const Answer pushed = push(ana, "2026-12-07", 2000, 20, 40);
  ASSERT_EQ(pushed.status, 200);
  EXPECT_EQ(pushed.body["damage"], 1950);
  ASSERT_EQ(push(ana, "2026-12-07", 100, 0, 0).status, 200);  // the day's later push replaces
  ASSERT_EQ(push(bob, "2026-12-07", 1000, 0, 0).status, 200);

  json seen = board(cyd, "2026-12-07");
  EXPECT_EQ(seen["week"], "2026-W50");
  EXPECT_EQ(seen["boss"]["hp"], 7800);
  EXPECT_EQ(seen["boss"]["dealt"], 1100);
  EXPECT_EQ(seen["boss"]["enlisted"], 3);
  // Active raiders are those who pushed in the last seven days: both pushed today, no rage.
  EXPECT_EQ(seen["boss"]["rage"], 0);
  EXPECT_EQ(seen["boss"]["status"], "alive");
  EXPECT_TRUE(seen["chronicle"].empty());
  EXPECT_EQ(seen["banner"]["roster"][2]["isYou"], true);
  EXPECT_EQ(seen["banner"]["roster"][0]["dealt"], 100);
  EXPECT_FALSE(seen.contains("prevResult"));  // nobody enlisted before this week

  // Tuesday: one of the three active pushes. Rage 67, under the cap of 74 for a small cohort.
  server_.advance(DAY);
  ASSERT_EQ(push(cyd, "2026-12-08", 1500, 12, 30).status, 200);
  seen = board(ana, "2026-12-08");
  EXPECT_EQ(seen["boss"]["rage"], 67);
  ASSERT_EQ(seen["chronicle"].size(), 2U);
  EXPECT_EQ(seen["chronicle"][1],
            json({{"key", "lanterns"},
                  {"day", "2026-12-08"},
                  {"threshold", 50},
                  {"messageFR", "Les lanternes des ruelles s'éteignent une à une."},
                  {"messageEN", "The alley lanterns go dark, one by one."}}));
  for (const std::string& k : {ana, bob}) {
    ASSERT_EQ(push(k, "2026-12-08", 1500, 12, 30).status, 200);
  }
  ASSERT_EQ(push(ana, "2026-12-07", 1500, 12, 30).status, 200);
  seen = board(ana, "2026-12-08");
  EXPECT_EQ(seen["boss"]["dealt"], 1950 * 4 + 1000);
  EXPECT_EQ(seen["boss"]["status"], "defeated");
  EXPECT_EQ(seen["boss"]["rage"], 0);

  // Next week, last week's result and the caller's own damage in it.
  server_.advance(6 * DAY);
  seen = board(bob, "2026-12-14");
  EXPECT_EQ(seen["prevResult"], json({{"week", "2026-W50"}, {"victory", true}, {"dealt", 2950}}));
  EXPECT_EQ(seen["boss"]["dealt"], 0);
  // Nobody has pushed yet this Monday: full rage, held at 74 for fewer than five players.
  EXPECT_EQ(seen["boss"]["rage"], 74);
  ASSERT_EQ(seen["chronicle"].size(), 2U);
  EXPECT_EQ(seen["chronicle"][0]["day"], "2026-12-14");
}

TEST_P(WorldBossRoutesTest, badDaysAndBodiesAreRefusedAndKeysAreChecked) {
  const std::string ana = key("Ana");
  expectError(push(ana, "2026-10-01", 10, 0, 0), 400, "invalid_day");
  expectError(server_.as(ana, "GET", "/api/worldboss/board?today=2026-13-01"), 400, "invalid_day");
  expectError(server_.as(ana, "POST", "/api/worldboss/stats", {{"day", "2026-12-07"}}), 400,
              "invalid_stats");
  expectError(server_.as(std::string(64, 'f'), "GET", "/api/worldboss/board?today=2026-12-07"), 401,
              "not_enlisted");
  expectError(server_.as(ana, "GET", "/api/guilds/board?today=2026-12-07"), 401, "not_member");
  EXPECT_EQ(board(ana, "2026-12-07")["boss"]["dealt"], 0);
}

TEST_P(WorldBossRoutesTest, aClientEnlistsTenTimesAnHour) {
  for (int i = 0; i < WorldBossRoutes::ENLISTS_PER_CLIENT_PER_HOUR; ++i) {
    ASSERT_EQ(enlist("Hero " + std::to_string(i)).status, 200);
  }
  expectError(enlist("Hero again"), 429, "rate_limited");
  server_.advance(3600);
  EXPECT_EQ(enlist("Hero again").status, 200);
}

INSTANTIATE_TEST_SUITE_P(Engines, WorldBossRoutesTest, testing::kEngines, testing::engineName);

}  // namespace
}  // namespace talewick::server
