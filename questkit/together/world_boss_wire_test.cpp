// The world boss's board as the backend writes it, and the texts a failed call shows.
#include "together/world_boss_wire.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using WorldBossWire::Err;

std::string shown(std::string_view body, int64_t status) {
  return WorldBossWire::description(WorldBossWire::error(body, status));
}

TEST(WorldBossWire, BackendErrorsBecomeTheUsersTexts) {
  EXPECT_EQ(shown(R"({"error":"invalid_hero_name"})", 400),
            "Choisis un pseudo d'au moins 2 caractères.");
  EXPECT_EQ(shown(R"({"error":"rate_limited"})", 429),
            "Trop de tentatives — réessaie dans une heure.");
  EXPECT_EQ(shown(R"({"error":"no_such_raider"})", 404), "Erreur serveur (no_such_raider).");
  EXPECT_EQ(shown("Service Unavailable", 503), "Erreur serveur (HTTP 503).");
  EXPECT_EQ(WorldBossWire::description({Err::Kind::notEnlisted, {}}),
            "Tu n'as pas encore hissé ta bannière.");
  EXPECT_EQ(WorldBossWire::description({Err::Kind::notConfigured, {}}), "Backend non configuré.");
}

TEST(WorldBossWire, APseudonymNeedsTwoCharacters) {
  EXPECT_EQ(WorldBossWire::checkPseudo("A"), (Err{Err::Kind::invalidPseudo, {}}));
  EXPECT_EQ(WorldBossWire::description(*WorldBossWire::checkPseudo("")),
            "Choisis un pseudo d'au moins 2 caractères.");
  EXPECT_TRUE(WorldBossWire::checkPseudo("  Z \n"));
  // Characters as a reader counts them: one accented letter written with two code points is one.
  EXPECT_TRUE(WorldBossWire::checkPseudo("e\xCC\x81"));
  EXPECT_TRUE(WorldBossWire::checkPseudo("👩‍🚀"));
  EXPECT_EQ(WorldBossWire::checkPseudo("Al"), std::nullopt);
  EXPECT_EQ(WorldBossWire::checkPseudo("🦊🔥"), std::nullopt);
}

constexpr const char* kBoard = R"({
  "week": "2026-W49",
  "boss": {"key": "sandworm", "emoji": "🪱", "nameFR": "Le Ver", "nameEN": "The Worm",
           "hp": 7800, "dealt": 2400, "rage": 25, "enlisted": 3, "status": "alive"},
  "banner": {"nameFR": "Les Veilleurs",
             "roster": [{"heroName": "Aube", "dealt": 1950, "isYou": true},
                        {"heroName": "Brume", "avatar": "🦉", "vocation": "archer",
                         "dealt": 450, "isYou": false}]},
  "chronicle": [{"key": "market", "threshold": 25, "day": "2026-12-02"}],
  "prevResult": {"week": "2026-W48", "victory": true, "dealt": 12345}
})";

TEST(WorldBossWire, TheBoardDecodesAndRoundTrips) {
  const auto board = decodeJsonText<WorldBossWire::Board>(kBoard);
  EXPECT_EQ(board.boss.rage, 25);
  ASSERT_TRUE(board.banner);
  EXPECT_EQ(board.banner->nameEN, std::nullopt);
  EXPECT_EQ(board.banner->roster.at(1).avatar, "🦉");
  EXPECT_EQ(board.chronicle.at(0).messageFR, std::nullopt);
  EXPECT_EQ(decodeJsonText<WorldBossWire::Board>(json_coding::encode(board).dump()), board);
  // The least a board can be: a boss and an empty chronicle.
  const auto bare = decodeJsonText<WorldBossWire::Board>(
      Json{{"boss", Json::parse(kBoard)["boss"]}, {"chronicle", Json::array()}}.dump());
  EXPECT_EQ(bare.week, std::nullopt);
  EXPECT_EQ(bare.prevResult, std::nullopt);
}

TEST(WorldBossWire, ADamagedBoardIsRefused) {
  Json board = Json::parse(kBoard);
  board["boss"].erase("status");
  EXPECT_THROW(decodeJsonText<WorldBossWire::Board>(board.dump()), DecodeError);
  board = Json::parse(kBoard);
  board["banner"]["roster"][0]["isYou"] = "yes";
  EXPECT_THROW(decodeJsonText<WorldBossWire::Board>(board.dump()), DecodeError);
  board = Json::parse(kBoard);
  board.erase("chronicle");
  EXPECT_THROW(decodeJsonText<WorldBossWire::Board>(board.dump()), DecodeError);
}

}  // namespace
}  // namespace talewick
