// The guild, world boss and room commands against a fake backend: what the terminal is shown of
// the network's text, what is asked before an irreversible step, and what is never sent.
#include <gtest/gtest.h>

#include "tests/support/fake_backend.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/wire_privacy.hpp"

namespace talewick::ui {
namespace {

using testing::runCli;

// Friday 4 December 2026, 10:55 in Paris: 09:55Z, five minutes before the 10:00Z vigil.
constexpr const char* kNow = "2026-12-04T10:55:00+01:00";
const std::string kSecret(64, 'd');

class TogetherCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), kNow);
    ASSERT_EQ(runCli({"backend", fake.url(), "--secret", kSecret}).status, 0);
  }
  void TearDown() override {
    testing::forgetCommandHome();
    testing::expectOnlyAllowedBodies(fake, false, testing::calendarTexts());
  }
  void becomeMember() {
    fake.answer("POST", "/api/guilds/join", {200, R"({"sent":true})"});
    fake.answer("POST", "/api/guilds/verify",
                {200, R"({"memberId":"m1","apiKey":"k1","guild":{"domain":"acme.fr",
                         "name":"Acme\u001b[31m","emblem":"🦊"}})"});
    ASSERT_EQ(runCli({"guild", "join", "ana@acme.fr"}).status, 0);
    const auto verified = runCli({"guild", "verify", "123456"});
    ASSERT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(verified.out.find('\x1b'), std::string::npos) << verified.out;
  }
  void enlist() {
    fake.answer("POST", "/api/worldboss/enlist",
                {200, R"({"apiKey":"rk","raiderId":"r1","banner":{"nameFR":"Les Veilleurs"}})"});
    const auto enlisted = runCli({"worldboss", "enlist", "Anaïs"});
    ASSERT_EQ(enlisted.status, 0) << enlisted.err;
  }

  testing::TempFolder home{"together-cli"};
  testing::FakeBackend fake;
};

TEST_F(TogetherCommands, VerifyUsesTheAddressOfTheJoinAndTheBoardIsCleanedForTheTerminal) {
  becomeMember();
  const auto received = fake.received();
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(Json::parse(received[1].body)["email"], "ana@acme.fr");
  fake.answer("GET", "/api/guilds/board",
              {200, R"({"guild":{"domain":"acme.fr","name":"Acme","memberCount":1,
               "totalXpAllTime":10},"week":"2026-W49","totalXp":10,"lastWeekXp":0,
               "days":[{"day":"2026-12-04","xp":10,"quests":1,"active":1}],
               "board":[{"memberId":"m1","heroName":"Ana\u001b]0;pwned\u0007","mode":"comic",
               "vocation":"sage","weekXp":10,"isYou":true,"todayXp":10,"weekQuests":1,
               "streak":2}],"season":{"week":"2026-W49","boss":{"key":"k","emoji":"🐉",
               "nameFR":"Hydre","nameEN":"Hydra","hp":2400,"hpLeft":1200},"dealt":1200,
               "yourDealt":10,"daysLeft":3},"chronicle":[],"titles":{"Champion":["Ana"]}})"});
  const auto board = runCli({"guild"});
  ASSERT_EQ(board.status, 0) << board.err;
  EXPECT_EQ(board.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(board.out.find('\x07'), std::string::npos);
  EXPECT_NE(board.out.find("1200/2400"), std::string::npos) << board.out;
  EXPECT_NE(board.out.find("Champion : Ana"), std::string::npos) << board.out;
  EXPECT_EQ(fake.received().back().headers.at("authorization"), "Bearer k1");
}

TEST_F(TogetherCommands, LeavingAsksFirstAndSendsNothingUntilConfirmed) {
  becomeMember();
  fake.answer("DELETE", "/api/guilds/member", {200, "{}"});
  const auto refused = runCli({"guild", "leave"});
  EXPECT_EQ(refused.status, 2);
  const auto declined = runCli({"guild", "leave"}, "n\n", true);
  EXPECT_EQ(declined.status, 0);
  EXPECT_NE(declined.out.find("Quitter la guilde ? Ton héros et tes stats sont effacés du roster "
                              "(irréversible)."),
            std::string::npos);
  EXPECT_EQ(fake.count("DELETE", "/api/guilds/member"), 0);
  EXPECT_EQ(runCli({"guild", "leave"}, "o\n", true).status, 0);
  EXPECT_EQ(fake.count("DELETE", "/api/guilds/member"), 1);
  const auto after = runCli({"guild"});
  EXPECT_EQ(after.status, 1);
  EXPECT_NE(after.err.find("Tu n'as pas encore rejoint de guilde."), std::string::npos);
}

TEST_F(TogetherCommands, AOneCharacterPseudoIsRefusedWithoutARequest) {
  const auto refused = runCli({"worldboss", "enlist", "A"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Choisis un pseudo d'au moins 2 caractères."), std::string::npos);
  EXPECT_TRUE(fake.received().empty());
}

TEST_F(TogetherCommands, TheRoomIsJoinedWithItsPledgeAndNeverSendsItsText) {
  enlist();
  EXPECT_EQ(runCli({"room", "join", "a", "b", "c", "d"}).status, 2);
  fake.answer("POST", "/api/vigil/join", {200, "{}"});
  fake.answer("GET", "/api/vigil/room",
              {200, R"({"slot":"2026-12-04T10:00Z","room":1,"phase":"lobby","capacity":4,
               "minToLight":3,"fireLevel":0,"roster":[{"heroName":"Léo\u001b[2J","candle":"lit",
               "pledged":1,"done":0}],"you":{"candle":"lit"},"cries":[]})"});
  const auto joined = runCli({"room", "join", "Réunion budget", " ", "Apporter le contrat"});
  ASSERT_EQ(joined.status, 0) << joined.err;
  EXPECT_NE(joined.out.find("2026-12-04T10:00Z"), std::string::npos) << joined.out;
  for (const auto& r : fake.received()) {
    if (r.path == "/api/vigil/join") {
      EXPECT_EQ(Json::parse(r.body), (Json{{"slot", "2026-12-04T10:00Z"}, {"pledged", 2}}));
    }
  }
  EXPECT_EQ(fake.count("POST", "/api/vigil/join"), 1);
  const auto shown = runCli({"room"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("Léo"), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(runCli({"room", "cry", "inconnu"}).status, 2);
  fake.answer("POST", "/api/vigil/cry", {200, "{}"});
  EXPECT_EQ(runCli({"room", "cry", "courage"}).status, 0);
  // Within ten seconds (the clock is fixed): refused, nothing sent.
  EXPECT_EQ(runCli({"room", "cry", "courage"}).status, 1);
  EXPECT_EQ(fake.count("POST", "/api/vigil/cry"), 1);
  EXPECT_EQ(runCli({"room", "leave"}).status, 0);
  EXPECT_NE(runCli({"room"}).out.find("Aucune veillée"), std::string::npos);
}

}  // namespace
}  // namespace talewick::ui
