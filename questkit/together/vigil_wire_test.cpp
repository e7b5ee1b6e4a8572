// Vigil rooms as the backend writes them, the join body, the pledge and the failure texts.
#include "together/vigil_wire.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using VigilWire::Err;

std::string shown(std::string_view body, int64_t status) {
  return VigilWire::description(VigilWire::error(body, status));
}

TEST(VigilWire, FailuresBecomeTheUsersTexts) {
  // 503 is the room being sealed, whatever the body says.
  EXPECT_EQ(shown(R"({"error":"rate_limited"})", 503),
            "La veillée se scelle — réessaie dans un instant.");
  EXPECT_EQ(shown("", 503), "La veillée se scelle — réessaie dans un instant.");
  EXPECT_EQ(shown(R"({"error":"locked"})", 409),
            "La veillée se scelle — réessaie dans un instant.");
  EXPECT_EQ(shown(R"({"error":"rate_limited"})", 429), "Trop d'appels — on ralentit un instant.");
  EXPECT_EQ(shown(R"({"error":"room_full"})", 409), "Erreur serveur (room_full).");
  EXPECT_EQ(shown("not json", 500), "Erreur serveur (HTTP 500).");
  EXPECT_EQ(VigilWire::error("", 404), Err::server("HTTP 404"));
  EXPECT_EQ(VigilWire::description({Err::Kind::notEnlisted, {}}),
            "Hisse d'abord ta bannière du Fléau.");
  EXPECT_EQ(VigilWire::description({Err::Kind::notConfigured, {}}), "Backend non configuré.");
}

TEST(VigilWire, OnlyFilledLinesArePledgedAndThreeAtMost) {
  EXPECT_EQ(VigilWire::pledgeCount({"Rapport", "  ", "Appeler Léa", "Relire"}), 3);
  EXPECT_EQ(VigilWire::pledgeCount({"a", "b", "c", "d", "e"}), 3);
  EXPECT_EQ(VigilWire::pledgeCount({"", " \t", "\n", "\u00A0"}), 0);
  EXPECT_EQ(VigilWire::pledgeCount({}), 0);
  EXPECT_EQ(VigilWire::pledgeCount({" x "}), 1);
}

TEST(VigilWire, AJoinSendsThePledgeOnlyWhenThereIsOne) {
  EXPECT_EQ(VigilWire::joinBody("2026-12-04T10:00Z", 0), (Json{{"slot", "2026-12-04T10:00Z"}}));
  EXPECT_EQ(VigilWire::joinBody("2026-12-04T10:00Z", 2),
            (Json{{"slot", "2026-12-04T10:00Z"}, {"pledged", 2}}));
}

constexpr const char* kRoom = R"({
  "slot": "2026-12-04T10:00Z", "room": 2, "phase": "resolved", "capacity": 4, "minToLight": 3,
  "fireLevel": 3,
  "roster": [{"heroName": "Aube", "candle": "held", "pledged": 3, "done": 2},
             {"heroName": "Brume", "avatar": "🦉", "candle": "out", "pledged": 0, "done": 0}],
  "you": {"held": true, "reward": 65, "receiptId": "worldboss:vigil:2026-12-04T10:00Z:2"},
  "result": {"lit": true, "belfry": false, "members": 3, "fireLevel": 3},
  "cries": [{"heroName": "Brume", "key": "courage", "at": 1796378400.5}]
})";

TEST(VigilWire, TheRoomDecodesAndRoundTrips) {
  const auto room = decodeJsonText<VigilWire::Room>(kRoom);
  ASSERT_TRUE(room.you);
  EXPECT_EQ(room.you->reward, 65);
  EXPECT_EQ(room.you->candle, std::nullopt);
  EXPECT_EQ(room.startsInSec, std::nullopt);
  EXPECT_DOUBLE_EQ(room.cries.at(0).at, 1796378400.5);
  EXPECT_EQ(decodeJsonText<VigilWire::Room>(json_coding::encode(room).dump()), room);
  // A lobby answers with no `you`, no result and no cries yet.
  const auto lobby = decodeJsonText<VigilWire::Room>(
      R"({"slot":"s","room":1,"phase":"lobby","capacity":4,"minToLight":3,"fireLevel":0,
          "roster":[],"startsInSec":300,"cries":[]})");
  EXPECT_EQ(lobby.startsInSec, 300);
  EXPECT_EQ(lobby.you, std::nullopt);
}

TEST(VigilWire, ADamagedRoomIsRefused) {
  Json room = Json::parse(kRoom);
  room["roster"][1].erase("candle");
  EXPECT_THROW(decodeJsonText<VigilWire::Room>(room.dump()), DecodeError);
  room = Json::parse(kRoom);
  room["you"]["held"] = 1;
  EXPECT_THROW(decodeJsonText<VigilWire::Room>(room.dump()), DecodeError);
  room = Json::parse(kRoom);
  room["cries"][0]["at"] = "yesterday";
  EXPECT_THROW(decodeJsonText<VigilWire::Room>(room.dump()), DecodeError);
  EXPECT_THROW(decodeJsonText<VigilWire::Room>("[]"), DecodeError);
}

}  // namespace
}  // namespace talewick
