// The guild's routes on loopback with a clock moved by hand and an SMTP sink receiving the codes:
// the key paths on both engines, the refusals on SQLite.
#include "server/guild_routes.hpp"

#include <gtest/gtest.h>

#include <regex>

#include "server/together_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::Answer;
using testing::TogetherServer;

constexpr std::int64_t DAY = 86400;

class GuildRoutesTest : public ::testing::TestWithParam<testing::Engine> {
 protected:
  // The code of the latest mail the sink received for `email`.
  std::string lastCode(const std::string& email) {
    std::string code;
    for (const json& message : server_.sink().messages()) {
      if (message["rcptTos"] != json::array({email})) continue;
      std::smatch match;
      const std::string text = message["parts"][0]["text"].get<std::string>();
      if (std::regex_search(text, match, std::regex(R"(\b(\d{6})\b)"))) code = match[1];
    }
    return code;
  }

  Answer join(const std::string& email) {
    return server_.signedUp("/api/guilds/join", {{"email", email}});
  }

  // Joins and verifies `email`; the answer of verify.
  json member(const std::string& email) {
    const Answer joined = join(email);
    EXPECT_EQ(joined.status, 200) << joined.body;
    const Answer verified =
        server_.signedUp("/api/guilds/verify", {{"email", email}, {"code", lastCode(email)}});
    EXPECT_EQ(verified.status, 200) << verified.body;
    return verified.body;
  }

  json board(const std::string& key, const std::string& today = "2026-12-07") {
    const Answer answer = server_.as(key, "GET", "/api/guilds/board?today=" + today);
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.body;
  }

  Answer push(const std::string& key, json stats) {
    return server_.as(key, "POST", "/api/guilds/stats", stats);
  }

  static json day(const std::string& day, std::int64_t xp, std::int64_t quests = 1) {
    return {{"day", day},        {"xp", xp},        {"questsDone", quests}, {"streak", 4},
            {"heroName", "Ana"}, {"mode", "comic"}, {"vocation", "mage"}};
  }

  static json with(json body, const std::string& key, const json& value) {
    body[key] = value;
    return body;
  }

  static void expectError(const Answer& answer, int status, const std::string& error) {
    EXPECT_EQ(answer.status, status) << answer.body;
    EXPECT_EQ(answer.body.value("error", ""), error) << answer.body;
  }

  TogetherServer server_{GetParam(), true};
};

class GuildRefusals : public GuildRoutesTest {};

TEST_P(GuildRoutesTest, theMailedCodeMakesTheAddressAMemberOfItsDomainsGuild) {
  ASSERT_EQ(join("  Ana@ACME.com ").status, 200);
  const auto messages = server_.sink().messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0]["rcptTos"], json::array({"ana@acme.com"}));
  EXPECT_NE(messages[0]["parts"][0]["text"].get<std::string>().find("valable 15 minutes"),
            std::string::npos);
  const std::string code = lastCode("ana@acme.com");
  ASSERT_EQ(code.size(), 6U);

  const Answer verified =
      server_.signedUp("/api/guilds/verify", {{"email", "ana@acme.com"}, {"code", code}});
  ASSERT_EQ(verified.status, 200) << verified.body;
  EXPECT_EQ(verified.body["guild"],
            json({{"domain", "acme.com"}, {"name", "Guilde Acme"}, {"emblem", "🛡️"}}));
  const std::string anaKey = verified.body["apiKey"];
  EXPECT_EQ(anaKey.size(), 64U);
  // A code serves once.
  expectError(server_.signedUp("/api/guilds/verify", {{"email", "ana@acme.com"}, {"code", code}}),
              400, "bad_or_expired_code");

  const json bob = member("bob@acme.com");
  EXPECT_EQ(bob["guild"]["domain"], "acme.com");
  const json anaBoard = board(anaKey);
  const json bobBoard = board(bob["apiKey"]);
  EXPECT_EQ(anaBoard["guild"], bobBoard["guild"]);
  EXPECT_EQ(anaBoard["guild"]["memberCount"], 2);
  EXPECT_EQ(anaBoard["guild"]["founderMemberId"], verified.body["memberId"]);
  EXPECT_EQ(anaBoard["season"], bobBoard["season"]);
  EXPECT_EQ(anaBoard["season"]["boss"]["hp"], 1200);  // two members, no history
  EXPECT_EQ(anaBoard["week"], "2026-W50");

  // Verifying again is the same member with a new key; the first one still works.
  const json again = member("ana@acme.com");
  EXPECT_EQ(again["memberId"], verified.body["memberId"]);
  EXPECT_NE(again["apiKey"], anaKey);
  EXPECT_EQ(board(anaKey)["guild"]["memberCount"], 2);
}

TEST_P(GuildRoutesTest, aPushIsCappedReplacedBySameDayAndShownOnTheBoard) {
  const json ana = member("ana@acme.com");
  const json bob = member("bob@acme.com");
  expectError(push(ana["apiKey"], with(day("2026-12-07", 10), "calendar", "x")), 400,
              "unknown_key");
  json first = day("2026-12-07", 7000, 150);
  first["identityKeys"] = json::array({"ana@acme.com"});
  first["level"] = 9;
  ASSERT_EQ(push(ana["apiKey"], first).status, 200);
  json later = first;
  later["xp"] = 4200;
  ASSERT_EQ(push(ana["apiKey"], later).status, 200);
  ASSERT_EQ(push(bob["apiKey"], day("2026-12-07", 100, 0)).status, 200);

  const json seen = board(bob["apiKey"]);
  ASSERT_EQ(seen["board"].size(), 2U);
  const json& top = seen["board"][0];
  EXPECT_EQ(top["memberId"], ana["memberId"]);
  EXPECT_EQ(top["weekXp"], 4200);
  EXPECT_EQ(top["weekQuests"], 100);  // capped
  EXPECT_EQ(top["isYou"], false);
  EXPECT_EQ(top["level"], 9);
  EXPECT_EQ(top["identityKeys"], json::array({"ana@acme.com"}));
  EXPECT_FALSE(seen["board"][1].contains("identityKeys"));
  EXPECT_EQ(seen["board"][1]["isYou"], true);
  EXPECT_EQ(seen["season"]["dealt"], 4300);
  EXPECT_EQ(seen["season"]["yourDealt"], 100);
  EXPECT_EQ(seen["season"]["daysLeft"], 7);
  EXPECT_EQ(seen["days"].size(), 7U);
  EXPECT_EQ(seen["days"][0],
            json({{"day", "2026-12-07"}, {"xp", 4300}, {"quests", 100}, {"active", 2}}));
  EXPECT_EQ(seen["titles"]["champion"], json::array({ana["memberId"]}));
  EXPECT_EQ(seen["totalXp"], 4300);

  // 7000 experience in one push counts 5000.
  ASSERT_EQ(push(ana["apiKey"], first).status, 200);
  EXPECT_EQ(board(ana["apiKey"])["board"][0]["weekXp"], 5000);
}

TEST_P(GuildRoutesTest, aPastWeekIsSettledOnceIntoTheChronicle) {
  const json ana = member("ana@acme.com");
  member("bob@acme.com");
  ASSERT_EQ(push(ana["apiKey"], day("2026-12-07", 4000)).status, 200);
  EXPECT_EQ(board(ana["apiKey"])["season"]["boss"]["hpLeft"], 0);

  server_.advance(7 * DAY);
  const json next = board(ana["apiKey"], "2026-12-14");
  const json settled = {{"week", "2026-W50"},
                        {"boss", next["chronicle"][0]["boss"]},
                        {"hp", 1200},
                        {"dealt", 4000},
                        {"slain", true}};
  EXPECT_EQ(next["chronicle"], json::array({settled}));
  EXPECT_EQ(next["lastWeekXp"], 4000);
  EXPECT_EQ(next["season"]["boss"]["hp"], 4600);  // 4000 × 1.15

  // A late push for the settled week changes neither its line nor the new boss.
  ASSERT_EQ(push(ana["apiKey"], day("2026-12-13", 5000)).status, 200);
  const json later = board(ana["apiKey"], "2026-12-14");
  EXPECT_EQ(later["chronicle"], json::array({settled}));
  EXPECT_EQ(later["season"]["boss"]["hp"], 4600);
}

TEST_P(GuildRoutesTest, aMemberSeesOnlyTheirGuildAndLeavingForgetsThem) {
  const json ana = member("ana@acme.com");
  const json bob = member("bob@acme.com");
  const json zoe = member("zoe@other.org");
  ASSERT_EQ(push(ana["apiKey"], day("2026-12-07", 500)).status, 200);
  ASSERT_EQ(push(zoe["apiKey"], day("2026-12-07", 700)).status, 200);
  EXPECT_EQ(board(bob["apiKey"])["totalXp"], 500);  // Zoe's day stays in her guild
  const json zoeBoard = board(zoe["apiKey"]);
  EXPECT_EQ(zoeBoard["guild"]["domain"], "other.org");
  EXPECT_EQ(zoeBoard["board"].size(), 1U);
  EXPECT_EQ(zoeBoard["totalXp"], 700);

  // Keys of one service open nothing of another.
  expectError(server_.as(ana["apiKey"], "GET", "/api/worldboss/board?today=2026-12-07"), 401,
              "not_enlisted");
  expectError(server_.as(std::string(64, 'e'), "GET", "/api/guilds/board?today=2026-12-07"), 401,
              "not_member");

  ASSERT_EQ(server_.as(ana["apiKey"], "DELETE", "/api/guilds/member").status, 200);
  expectError(server_.as(ana["apiKey"], "GET", "/api/guilds/board?today=2026-12-07"), 401,
              "not_member");
  const json left = board(bob["apiKey"]);
  EXPECT_EQ(left["guild"]["memberCount"], 1);
  EXPECT_EQ(left["guild"]["totalXpAllTime"], 0);
  EXPECT_EQ(left["guild"]["founderMemberId"], bob["memberId"]);
}

TEST_P(GuildRefusals, consumerMalformedAndTooFrequentJoinsAreRefused) {
  expectError(server_.call("POST", "/api/guilds/join", {{"email", "ana@acme.com"}}), 401,
              "Secret d'inscription refusé.");
  expectError(join("ana@gmail.com"), 400, "public_domain");
  expectError(join("ana@hotmail.fr"), 400, "public_domain");
  expectError(join("ana@"), 400, "invalid_email");
  expectError(join("ana@acme.com\r\nBcc: x@y.org"), 400, "invalid_email");
  expectError(server_.signedUp("/api/guilds/join", {{"email", 42}}), 400, "invalid_email");

  for (int i = 0; i < GuildRoutes::JOINS_PER_ADDRESS_PER_HOUR; ++i) {
    ASSERT_EQ(join("ana@acme.com").status, 200);
  }
  expectError(join("ana@acme.com"), 429, "rate_limited");
  server_.advance(3600);
  EXPECT_EQ(join("ana@acme.com").status, 200);
  // The code of the last mail is the one that verifies.
  EXPECT_EQ(server_
                .signedUp("/api/guilds/verify",
                          {{"email", "ana@acme.com"}, {"code", lastCode("ana@acme.com")}})
                .status,
            200);
}

TEST_P(GuildRefusals, aClientAddressMayJoinThirtyTimesAnHour) {
  // Refused joins count too: a client cannot probe addresses without limit.
  for (int i = 0; i < GuildRoutes::JOINS_PER_CLIENT_PER_HOUR; ++i) {
    ASSERT_EQ(join("someone@gmail.com").status, 400);
  }
  expectError(join("ana@acme.com"), 429, "rate_limited");
  EXPECT_TRUE(server_.sink().messages().empty());
}

TEST_P(GuildRefusals, wrongExpiredAndMalformedCodesAreRefused) {
  ASSERT_EQ(join("ana@acme.com").status, 200);
  const std::string code = lastCode("ana@acme.com");
  const std::string wrong = code == "000000" ? "111111" : "000000";
  for (int i = 0; i < GuildRoutes::MAX_WRONG_TRIES; ++i) {
    expectError(
        server_.signedUp("/api/guilds/verify", {{"email", "ana@acme.com"}, {"code", wrong}}), 400,
        "bad_or_expired_code");
  }
  // Dead after five wrong tries, even with the right code.
  expectError(server_.signedUp("/api/guilds/verify", {{"email", "ana@acme.com"}, {"code", code}}),
              400, "bad_or_expired_code");

  ASSERT_EQ(join("ana@acme.com").status, 200);
  const std::string fresh = lastCode("ana@acme.com");
  server_.advance(15 * 60);
  expectError(server_.signedUp("/api/guilds/verify", {{"email", "ana@acme.com"}, {"code", fresh}}),
              400, "bad_or_expired_code");
  for (const json& bad : {json("12ab56"), json(123456), json("1234567")}) {
    expectError(server_.signedUp("/api/guilds/verify", {{"email", "ana@acme.com"}, {"code", bad}}),
                400, "bad_or_expired_code");
  }
}

TEST_P(GuildRefusals, onlyTheFounderRenamesAndNamesAreChecked) {
  const json ana = member("ana@acme.com");
  const json bob = member("bob@acme.com");
  expectError(server_.as(bob["apiKey"], "PATCH", "/api/guilds/name", {{"name", "Les Bobs"}}), 403,
              "founder_only");
  const Answer renamed =
      server_.as(ana["apiKey"], "PATCH", "/api/guilds/name", {{"name", "  Les Forgerons "}});
  ASSERT_EQ(renamed.status, 200);
  EXPECT_EQ(renamed.body, json({{"name", "Les Forgerons"}}));
  EXPECT_EQ(board(bob["apiKey"])["guild"]["name"], "Les Forgerons");
  for (const json& bad : {json("  "), json("a\nb"), json(std::string(41, 'x')), json(7)}) {
    expectError(server_.as(ana["apiKey"], "PATCH", "/api/guilds/name", {{"name", bad}}), 400,
                "invalid_name");
  }
  EXPECT_EQ(board(bob["apiKey"])["guild"]["name"], "Les Forgerons");
}

TEST_P(GuildRefusals, daysFarFromTodayAndDamagedPushesAreRefused) {
  const json ana = member("ana@acme.com");
  expectError(server_.as(ana["apiKey"], "GET", "/api/guilds/board?today=2026-12-20"), 400,
              "invalid_day");
  expectError(server_.as(ana["apiKey"], "GET", "/api/guilds/board?today=tomorrow"), 400,
              "invalid_day");
  expectError(push(ana["apiKey"], day("2026-11-01", 10)), 400, "invalid_day");
  expectError(push(ana["apiKey"], with(day("2026-12-07", 10), "xp", "many")), 400, "invalid_stats");
  expectError(push(ana["apiKey"], with(day("2026-12-07", 10), "heroName", "A\u001b[2J")), 400,
              "invalid_stats");
  const Answer notJson =
      server_.call("POST", "/api/guilds/stats", nullptr,
                   {{"authorization", "Bearer " + ana["apiKey"].get<std::string>()}});
  expectError(notJson, 400, "invalid_stats");
  EXPECT_EQ(board(ana["apiKey"])["totalXp"], 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, GuildRoutesTest, testing::kEngines, testing::engineName);
INSTANTIATE_TEST_SUITE_P(Sqlite, GuildRefusals, ::testing::Values(testing::Engine::sqlite),
                         testing::engineName);

}  // namespace
}  // namespace talewick::server
