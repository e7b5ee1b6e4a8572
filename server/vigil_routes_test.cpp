// The vigil rooms' routes on loopback with a clock moved by hand: a whole session on both
// engines, its resolution kept across a restart, and the refusals.
#include "server/vigil_routes.hpp"

#include <gtest/gtest.h>

#include "server/together_testing.hpp"
#include "server/vigil_storage.hpp"
#include "server/world_boss_storage.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::Answer;
using testing::TogetherServer;

const std::string kSlot = "2026-12-07T12:30Z";
constexpr std::int64_t START = TogetherServer::MONDAY_NOON + 1800;

class VigilRoutesTest : public ::testing::TestWithParam<testing::Engine> {
 protected:
  std::string enlist(const std::string& name) {
    const Answer answer = server_.signedUp("/api/worldboss/enlist", {{"heroName", name}});
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.body.value("apiKey", "");
  }
  Answer post(const std::string& key, const std::string& route, json body) {
    if (!body.contains("slot")) body["slot"] = kSlot;
    return server_.as(key, "POST", "/api/vigil/" + route, body);
  }
  json room(const std::string& key) {
    const Answer answer = server_.as(key, "GET", "/api/vigil/room?slot=" + kSlot);
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.body;
  }
  static void expectError(const Answer& answer, int status, const std::string& error) {
    EXPECT_EQ(answer.status, status) << answer.body;
    EXPECT_EQ(answer.body.value("error", ""), error) << answer.body;
  }

  // Four heroes seated in room 1 with pledges 3, 0, 2, 3; the clock at the lobby's opening.
  std::vector<std::string> seatFour() {
    std::vector<std::string> keys;
    for (const char* name : {"Ana", "Bob", "Cyd", "Dan"}) keys.push_back(enlist(name));
    server_.setNow(START - 600);
    const int pledges[] = {3, 0, 2, 3};
    for (std::size_t i = 0; i < keys.size(); ++i) {
      json body = json::object();
      if (pledges[i] > 0) body["pledged"] = pledges[i];
      const Answer joined = post(keys[i], "join", body);
      EXPECT_EQ(joined.status, 200) << joined.body;
      EXPECT_EQ(joined.body.value("room", 0), 1);
    }
    return keys;
  }

  TogetherServer server_{GetParam(), false};
};

class VigilRefusals : public VigilRoutesTest {};

TEST_P(VigilRoutesTest, aSessionHeldByThreeOfFourPaysTheThreeOnceEvenAfterARestart) {
  const std::vector<std::string> keys = seatFour();
  json lobby = room(keys[0]);
  EXPECT_EQ(lobby["phase"], "lobby");
  EXPECT_EQ(lobby["startsInSec"], 600);
  EXPECT_EQ(lobby["endsInSec"], 2100);
  EXPECT_EQ(lobby["capacity"], 4);
  EXPECT_EQ(lobby["minToLight"], 3);
  EXPECT_EQ(lobby["roster"].size(), 4U);
  EXPECT_EQ(lobby["roster"][0]["candle"], "waiting");
  EXPECT_EQ(lobby["you"], json({{"candle", "waiting"}, {"pledged", 3}, {"done", 0}}));
  expectError(post(keys[0], "beat", json::object()), 409, "locked");

  // Ana, Bob and Cyd beat every minute of the session; Dan stops after ten.
  for (std::int64_t minute = 0; minute < 25; ++minute) {
    server_.setNow(START + minute * 60 + 5);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (i == 3 && minute >= 10) continue;
      ASSERT_EQ(post(keys[i], "beat", json::object()).status, 200);
    }
  }
  const json burning = room(keys[1]);
  EXPECT_EQ(burning["phase"], "burning");
  EXPECT_EQ(burning["fireLevel"], 3);
  EXPECT_EQ(burning["roster"][3]["candle"], "flickering");
  EXPECT_EQ(burning["endsInSec"], 55);
  EXPECT_FALSE(burning.contains("result"));

  EXPECT_EQ(post(keys[0], "done", {{"done", 7}}).body, json({{"done", 3}}));  // clamped
  EXPECT_EQ(post(keys[1], "done", {{"done", 1}}).body, json({{"done", 0}}));
  EXPECT_EQ(post(keys[2], "done", {{"done", 1}}).body, json({{"done", 1}}));
  EXPECT_EQ(post(keys[3], "done", {{"done", 3}}).body, json({{"done", 3}}));

  // The close: writes are locked out, the room is resolved.
  server_.setNow(START + 1800);
  expectError(post(keys[0], "beat", json::object()), 503, "locked");
  expectError(post(keys[0], "done", {{"done", 1}}), 503, "locked");
  expectError(post(keys[0], "cry", {{"key", "courage"}}), 503, "locked");
  const json expectedResult = {{"lit", true}, {"belfry", false}, {"members", 4}, {"fireLevel", 3}};
  const std::vector<std::int64_t> rewards = {100, 70, 80, 0};
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const json resolved = room(keys[i]);
    EXPECT_EQ(resolved["phase"], "resolved");
    EXPECT_EQ(resolved["result"], expectedResult);
    EXPECT_EQ(resolved["you"]["reward"], rewards[i]) << i;
    EXPECT_EQ(resolved["you"]["held"], i < 3) << i;
    EXPECT_EQ(resolved["you"]["receiptId"], "worldboss:vigil:" + kSlot + ":1");
    EXPECT_FALSE(resolved.contains("endsInSec"));
  }

  // Beats slipped into the database after the close, then a restart: the room keeps its result.
  const std::string dan = raiders::banner(server_.storage(), 0).at(3).id;
  for (std::int64_t window = 0; window < 25; ++window) {
    vigils::beat(server_.storage(), kSlot, dan, window);
  }
  server_.restart();
  server_.advance(3600);
  const json later = room(keys[3]);
  EXPECT_EQ(later["you"]["reward"], 0);
  EXPECT_EQ(later["you"]["held"], false);
  EXPECT_EQ(later["result"], expectedResult);
  EXPECT_EQ(room(keys[0])["you"]["reward"], 100);
}

TEST_P(VigilRoutesTest, criesWaitTenSecondsStopAtTwelveAndReachTheRoom) {
  const std::vector<std::string> keys = seatFour();
  server_.setNow(START + 60);
  expectError(post(keys[0], "cry", {{"key", "hourra"}}), 400, "unknown_cry");
  ASSERT_EQ(post(keys[0], "cry", {{"key", "courage"}}).status, 200);
  server_.advance(9);
  expectError(post(keys[0], "cry", {{"key", "courage"}}), 429, "rate_limited");
  EXPECT_EQ(post(keys[1], "cry", {{"key", "presque"}}).status, 200);  // each member's own pace
  for (int sent = 1; sent < 12; ++sent) {
    server_.advance(10);
    ASSERT_EQ(post(keys[0], "cry", {{"key", "tenez-bon"}}).status, 200) << sent;
  }
  server_.advance(60);
  expectError(post(keys[0], "cry", {{"key", "tenez-bon"}}), 429, "rate_limited");

  const json seen = room(keys[2]);
  ASSERT_EQ(seen["cries"].size(), 13U);
  EXPECT_EQ(seen["cries"][0], json({{"heroName", "Ana"}, {"key", "courage"}, {"at", START + 60}}));
  EXPECT_EQ(seen["cries"][1]["heroName"], "Bob");
}

TEST_P(VigilRefusals, joiningOnlyWhileTheLobbyIsOpenAndOnlyOnesOwnRoom) {
  std::vector<std::string> keys;
  for (const char* name : {"Ana", "Bob", "Cyd", "Dan", "Eve", "Fay"}) keys.push_back(enlist(name));
  server_.setNow(START - 601);
  expectError(post(keys[0], "join", json::object()), 409, "locked");
  expectError(post(keys[0], "join", {{"slot", "2026-12-07T12:31Z"}}), 400, "invalid_slot");
  expectError(post(keys[0], "join", {{"slot", 5}}), 400, "invalid_slot");
  server_.setNow(START - 600);
  for (std::size_t i = 0; i < 5; ++i) ASSERT_EQ(post(keys[i], "join", json::object()).status, 200);
  expectError(post(keys[0], "join", {{"pledged", "three"}}), 400, "invalid_pledged");

  // The fifth opened room 2 and sees only it.
  const json second = room(keys[4]);
  EXPECT_EQ(second["room"], 2);
  EXPECT_EQ(second["roster"].size(), 1U);
  EXPECT_EQ(second["roster"][0]["heroName"], "Eve");

  server_.setNow(START);
  expectError(post(keys[5], "join", json::object()), 409, "locked");
  expectError(server_.as(keys[5], "GET", "/api/vigil/room?slot=" + kSlot), 404, "not_in_room");
  expectError(post(keys[5], "beat", json::object()), 404, "not_in_room");
  // Joining again once the session burns answers the seat held.
  const Answer again = post(keys[0], "join", {{"pledged", 3}});
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.body["room"], 1);
  EXPECT_EQ(again.body["you"]["pledged"], 0);
  expectError(server_.as(std::string(64, '9'), "GET", "/api/vigil/room?slot=" + kSlot), 401,
              "not_enlisted");
}

INSTANTIATE_TEST_SUITE_P(Engines, VigilRoutesTest, testing::kEngines, testing::engineName);
INSTANTIATE_TEST_SUITE_P(Sqlite, VigilRefusals, ::testing::Values(testing::Engine::sqlite),
                         testing::engineName);

}  // namespace
}  // namespace talewick::server
