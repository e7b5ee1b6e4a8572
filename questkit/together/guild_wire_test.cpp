// The guild's board as the backend writes it, and the texts a failed guild call shows.
#include "together/guild_wire.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using GuildWire::Err;

std::string shown(std::string_view body, int64_t status) {
  return GuildWire::description(GuildWire::error(body, status));
}

TEST(GuildWire, BackendErrorsBecomeTheUsersTexts) {
  EXPECT_EQ(shown(R"({"error":"bad_or_expired_code"})", 400),
            "Code invalide ou expiré — redemande un code.");
  EXPECT_EQ(shown(R"({"error":"public_domain"})", 400),
            "Une guilde est une entreprise : utilise ton adresse email professionnelle (pas "
            "Gmail, iCloud…).");
  EXPECT_EQ(shown(R"({"error":"invalid_email"})", 422),
            "Cette adresse email n'a pas l'air valide.");
  EXPECT_EQ(shown(R"({"error":"rate_limited"})", 429),
            "Trop de tentatives — réessaie dans une heure.");
  EXPECT_EQ(shown(R"({"error":"founder_only"})", 403),
            "Seul le fondateur de la guilde peut la renommer.");
  EXPECT_EQ(shown(R"({"error":"disk_full"})", 500), "Erreur serveur (disk_full).");
}

TEST(GuildWire, ABodyWithoutAnErrorStringNamesTheStatus) {
  EXPECT_EQ(shown("", 500), "Erreur serveur (HTTP 500).");
  EXPECT_EQ(shown("<html>Bad gateway</html>", 502), "Erreur serveur (HTTP 502).");
  EXPECT_EQ(shown(R"({"error":42})", 400), "Erreur serveur (HTTP 400).");
  EXPECT_EQ(shown(R"({"message":"nope"})", 401), "Erreur serveur (HTTP 401).");
  EXPECT_EQ(shown(R"(["error"])", 418), "Erreur serveur (HTTP 418).");
  EXPECT_EQ(GuildWire::error("", 500), Err::server("HTTP 500"));
}

TEST(GuildWire, TheLocalFailuresHaveTheirOwnTexts) {
  EXPECT_EQ(GuildWire::description({Err::Kind::notConfigured, {}}), "Backend non configuré.");
  EXPECT_EQ(GuildWire::description({Err::Kind::notMember, {}}),
            "Tu n'as pas encore rejoint de guilde.");
}

constexpr const char* kBoard = R"({
  "guild": {"domain": "acme.fr", "name": "Acme", "memberCount": 3, "totalXpAllTime": 15000},
  "week": "2026-W49", "totalXp": 4200, "lastWeekXp": 3900,
  "days": [{"day": "2026-12-01", "xp": 800, "quests": 6, "active": 2}],
  "board": [{"memberId": "m1", "heroName": "Aube", "mode": "comic", "vocation": "forgeron",
             "weekXp": 2100, "isYou": true, "todayXp": 300, "weekQuests": 11, "streak": 4,
             "identityKeys": ["email:claire@acme.fr"]}],
  "season": {"week": "2026-W49",
             "boss": {"key": "hydre_reunions", "emoji": "🐉", "nameFR": "L'Hydre",
                      "nameEN": "The Hydra", "hp": 5000, "hpLeft": 800},
             "dealt": 4200, "yourDealt": 2100, "daysLeft": 3},
  "chronicle": [{"week": "2026-W48",
                 "boss": {"key": "golem_procrastination", "emoji": "🗿", "nameFR": "Le Golem",
                          "nameEN": "The Golem"},
                 "hp": 3600, "dealt": 3900, "slain": true}],
  "titles": {"m1": ["Pilier"]}
})";

TEST(GuildWire, TheBoardDecodesAndRoundTrips) {
  const auto board = decodeJsonText<GuildWire::Board>(kBoard);
  EXPECT_EQ(board.guild.emblem, std::nullopt);
  EXPECT_EQ(board.board.at(0).level, std::nullopt);
  EXPECT_EQ(board.board.at(0).identityKeys, std::vector<std::string>{"email:claire@acme.fr"});
  ASSERT_TRUE(board.season);
  EXPECT_EQ(board.season->boss.hpLeft, 800);
  EXPECT_TRUE(board.chronicle.at(0).slain);
  EXPECT_EQ(board.titles.at("m1"), std::vector<std::string>{"Pilier"});
  const Json written = json_coding::encode(board);
  EXPECT_FALSE(written["guild"].contains("emblem"));  // absent stays absent
  EXPECT_EQ(decodeJsonText<GuildWire::Board>(written.dump()), board);
}

TEST(GuildWire, ADamagedBoardIsRefusedWithItsPlace) {
  Json board = Json::parse(kBoard);
  board["board"][0].erase("isYou");
  try {
    decodeJsonText<GuildWire::Board>(board.dump());
    FAIL() << "decoded a board entry without isYou";
  } catch (const DecodeError& e) {
    EXPECT_EQ(e.path(), "board[0].isYou");
  }
  board = Json::parse(kBoard);
  board["season"]["boss"]["hp"] = "5000";
  EXPECT_THROW(decodeJsonText<GuildWire::Board>(board.dump()), DecodeError);
  board = Json::parse(kBoard);
  board["season"] = nullptr;  // a week without a season is a board all the same
  EXPECT_EQ(decodeJsonText<GuildWire::Board>(board.dump()).season, std::nullopt);
  EXPECT_THROW(decodeJsonText<GuildWire::Board>(std::string(kBoard).substr(0, 80)), DecodeError);
}

}  // namespace
}  // namespace talewick
