// The guild from a member's machine, against a fake backend whose answers each test chooses:
// what is sent (and what never is), the texts of the failures, and the daily push's bookkeeping.
#include "services/guild/guild_service.hpp"

#include <gtest/gtest.h>

#include "platform/curl_http_client.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/test_environment.hpp"
#include "tests/support/wire_privacy.hpp"

namespace talewick::together {
namespace {

using backend::BackendConnection;
using testing::FakeBackend;
using testing::localDate;

const std::string kSecret(64, 'b');

const char* kBoard = R"({"guild":{"domain":"acme.fr","name":"Acme","memberCount":2,
  "totalXpAllTime":900},"week":"2026-W49","totalXp":300,"lastWeekXp":0,"days":[],
  "board":[{"memberId":"m1","heroName":"Ana","mode":"comic","vocation":"sage","weekXp":300,
  "isYou":true,"todayXp":10,"weekQuests":2,"streak":3}],
  "season":{"week":"2026-W49","boss":{"key":"hydre_reunions","emoji":"🐉","nameFR":"Hydre",
  "nameEN":"Hydra","hp":2400,"hpLeft":2100},"dealt":300,"yourDealt":300,"daysLeft":3},
  "chronicle":[],"titles":{}})";

class GuildServiceTest : public ::testing::Test {
 protected:
  GuildServiceTest() {
    preferences.values[BackendConnection::BASE_URL_KEY] = fake.url();
    secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = kSecret;
    fake.answer("POST", "/api/guilds/stats", {200, "{}"});
    fake.answer("GET", "/api/guilds/board", {200, kBoard});
  }
  void TearDown() override {
    testing::expectOnlyAllowedBodies(fake, service.sharesIdentity(), testing::calendarTexts());
  }

  void becomeMember() {
    secrets.items[GuildService::API_KEY_ITEM] = "member-key";
    preferences.values[GuildService::EMAIL_KEY] = "ana@acme.fr";
    preferences.values[GuildService::DOMAIN_KEY] = "acme.fr";
  }

  template <class T>
  Outcome<T> wait(const std::function<void(std::function<void(Outcome<T>)>)>& start) {
    Outcome<T> result;
    start([&result](Outcome<T> outcome) { result = std::move(outcome); });
    loop.settle();
    return result;
  }
  Outcome<bool> push(int64_t totalXp, int64_t streak = 4, int64_t quests = 2) {
    GuildDailyStats stats{"Ana", "comic", "sage", "🧙", totalXp, 3, streak, quests};
    return wait<bool>([&](auto done) { service.pushDailyStatsIfNeeded(stats, std::move(done)); });
  }
  // The bodies of the pushes received, in order.
  std::vector<Json> pushes() const {
    std::vector<Json> bodies;
    for (const auto& r : fake.received()) {
      if (r.path == "/api/guilds/stats") bodies.push_back(Json::parse(r.body));
    }
    return bodies;
  }
  static std::string messageOf(const std::exception_ptr& failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const GuildFailure& f) {
      return f.what();
    } catch (const std::exception& e) {
      return std::string("not a GuildFailure: ") + e.what();
    }
  }

  FakeBackend fake;
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  CurlHttpClient http;
  RunLoop loop;
  BackendConnection backend{preferences, secrets, http, loop};
  Date now = localDate(2026, 12, 7, 10);
  std::vector<std::string> addresses{"Ana@Acme.fr ", "ana.perso@gmail.com", "ana@acme.fr"};
  GuildService service{backend,
                       http,
                       preferences,
                       secrets,
                       loop,
                       [this] { return now; },
                       [this] { return addresses; }};
};

TEST_F(GuildServiceTest, JoinThenVerifyStoresTheMembershipWithTheKeyInTheSecrets) {
  fake.answer("POST", "/api/guilds/join", {200, R"({"sent":true})"});
  fake.answer("POST", "/api/guilds/verify",
              {200, R"({"memberId":"m1","apiKey":"k-123","guild":{"domain":"acme.fr",
                       "name":"Acme","emblem":"🦊"}})"});
  ASSERT_TRUE(wait<bool>([&](auto done) { service.join(" ana@acme.fr ", std::move(done)); }).ok());
  EXPECT_FALSE(service.isMember());
  const Outcome<GuildMembership> member =
      wait<GuildMembership>([&](auto done) { service.verify("123456", std::move(done)); });
  ASSERT_TRUE(member.ok()) << messageOf(member.failure);
  EXPECT_EQ(secrets.items.at(GuildService::API_KEY_ITEM), "k-123");
  EXPECT_FALSE(preferences.values.count(GuildService::API_KEY_ITEM));
  EXPECT_EQ(member.value->name, "Acme");
  EXPECT_EQ(member.value->emblem, "🦊");
  EXPECT_EQ(preferences.string(GuildService::MEMBER_ID_KEY), "m1");

  const auto received = fake.received();
  ASSERT_EQ(received.size(), 2u);
  for (const auto& r : received) {
    EXPECT_EQ(r.headers.at("x-signup-secret"), kSecret);
    EXPECT_FALSE(r.headers.count("authorization")) << r.path;
  }
  EXPECT_EQ(Json::parse(received[1].body), (Json{{"email", "ana@acme.fr"}, {"code", "123456"}}));

  ASSERT_TRUE(wait<GuildWire::Board>([&](auto done) { service.fetchBoard(std::move(done)); }).ok());
  EXPECT_EQ(fake.received().back().headers.at("authorization"), "Bearer k-123");
  EXPECT_EQ(service.currentSeason()->boss.hpLeft, 2100);
}

TEST_F(GuildServiceTest, RefusalsShowTheirOwnTexts) {
  fake.answer("POST", "/api/guilds/join", {400, R"({"error":"public_domain"})"});
  fake.answer("POST", "/api/guilds/verify", {400, R"({"error":"bad_or_expired_code"})"});
  fake.answer("PATCH", "/api/guilds/name", {403, R"({"error":"founder_only"})"});
  fake.answer("DELETE", "/api/guilds/member", {500, "<html>oops</html>", "text/html"});
  preferences.values[GuildService::EMAIL_KEY] = "ana@acme.fr";

  auto join = wait<bool>([&](auto done) { service.join("ana@gmail.com", std::move(done)); });
  EXPECT_EQ(messageOf(join.failure),
            "Une guilde est une entreprise : utilise ton adresse email professionnelle (pas "
            "Gmail, iCloud…).");
  // A refused join keeps the address of the last one asked for.
  EXPECT_EQ(preferences.string(GuildService::EMAIL_KEY), "ana@acme.fr");
  auto verify =
      wait<GuildMembership>([&](auto done) { service.verify("000000", std::move(done)); });
  EXPECT_EQ(messageOf(verify.failure), "Code invalide ou expiré — redemande un code.");
  EXPECT_FALSE(secrets.items.count(GuildService::API_KEY_ITEM));

  becomeMember();
  auto rename = wait<std::string>([&](auto done) { service.rename("Nouveau", std::move(done)); });
  EXPECT_EQ(messageOf(rename.failure), "Seul le fondateur de la guilde peut la renommer.");
  auto leave = wait<bool>([&](auto done) { service.leave(std::move(done)); });
  EXPECT_EQ(messageOf(leave.failure), "Erreur serveur (HTTP 500).");
  // Leaving failed: still a member.
  EXPECT_TRUE(service.isMember());
}

TEST_F(GuildServiceTest, NothingIsSentWithoutASecretOrAKey) {
  secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = "";
  auto join = wait<bool>([&](auto done) { service.join("ana@acme.fr", std::move(done)); });
  EXPECT_EQ(messageOf(join.failure), "Backend non configuré.");
  auto board = wait<GuildWire::Board>([&](auto done) { service.fetchBoard(std::move(done)); });
  EXPECT_EQ(messageOf(board.failure), "Tu n'as pas encore rejoint de guilde.");
  auto pushed = push(1000);
  ASSERT_TRUE(pushed.ok());
  EXPECT_FALSE(*pushed.value);
  preferences.values[BackendConnection::BASE_URL_KEY] = "   ";
  becomeMember();
  board = wait<GuildWire::Board>([&](auto done) { service.fetchBoard(std::move(done)); });
  EXPECT_EQ(messageOf(board.failure), "Backend non configuré.");
  EXPECT_TRUE(fake.received().empty());
}

TEST_F(GuildServiceTest, ThePushIsCappedAndCarriesTheHerosExtras) {
  becomeMember();
  ASSERT_TRUE(push(10'000).ok());  // the day's baseline
  ASSERT_TRUE(push(17'000, -3, 250).ok());
  const std::vector<Json> bodies = pushes();
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(bodies[0]["xp"], 0);
  EXPECT_EQ(bodies[1]["day"], "2026-12-07");
  EXPECT_EQ(bodies[1]["xp"], 5000);
  EXPECT_EQ(bodies[1]["streak"], 0);
  EXPECT_EQ(bodies[1]["questsDone"], 100);
  EXPECT_EQ(bodies[1]["totalXp"], 17'000);
  EXPECT_EQ(bodies[1]["level"], 3);
  EXPECT_EQ(bodies[1]["avatar"], "🧙");
  EXPECT_EQ(bodies[1]["mode"], "comic");
  EXPECT_FALSE(bodies[1].contains("identityKeys"));
  EXPECT_EQ(fake.received().back().headers.at("authorization"), "Bearer member-key");
  EXPECT_EQ(preferences.string("guild.lastPushDay"), "2026-12-07");
  EXPECT_EQ(preferences.value("guild.pushedXp"), Json(5000));
}

TEST_F(GuildServiceTest, IdentityKeysLeaveOnlyWhenSharedAndOnlyOfTheGuildsDomain) {
  becomeMember();
  ASSERT_TRUE(push(100).ok());
  service.setShareIdentity(true);
  ASSERT_TRUE(push(400).ok());
  const std::vector<Json> bodies = pushes();
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_FALSE(bodies[0].contains("identityKeys"));
  EXPECT_EQ(bodies[1]["identityKeys"], Json::array({"ana@acme.fr"}));
  for (const auto& r : fake.received()) {
    EXPECT_EQ(r.body.find("gmail"), std::string::npos);
  }
}

TEST_F(GuildServiceTest, TheSameDayIsPushedAgainOnlyWhenItsExperienceChanged) {
  becomeMember();
  ASSERT_TRUE(push(1000).ok());
  now = localDate(2026, 12, 7, 12);
  auto again = push(1000);
  ASSERT_TRUE(again.ok());
  EXPECT_FALSE(*again.value);
  ASSERT_TRUE(push(1250).ok());
  ASSERT_EQ(pushes().size(), 2u);
  EXPECT_EQ(pushes()[1]["xp"], 250);
  // A failed push is not recorded: the next call sends it.
  fake.answer("POST", "/api/guilds/stats", {503, ""});
  EXPECT_FALSE(push(1400).ok());
  fake.answer("POST", "/api/guilds/stats", {200, "{}"});
  auto retried = push(1400);
  ASSERT_TRUE(retried.ok());
  EXPECT_TRUE(*retried.value);
  EXPECT_EQ(pushes().back()["xp"], 400);
}

TEST_F(GuildServiceTest, AnEveningFirstLookCountsTheReplayAlreadyInTheTotal) {
  becomeMember();
  ASSERT_TRUE(push(1000).ok());
  now = localDate(2026, 12, 7, 17);
  ASSERT_TRUE(push(1300).ok());
  // Next day, first seen at 20:00 with the day's replay (600) already credited.
  now = localDate(2026, 12, 8, 20);
  ASSERT_TRUE(push(1900).ok());
  EXPECT_EQ(pushes().back()["xp"], 600);
  EXPECT_EQ(pushes().back()["day"], "2026-12-08");
  // First seen in the morning: the total is the day's start.
  now = localDate(2026, 12, 9, 9);
  ASSERT_TRUE(push(2500).ok());
  EXPECT_EQ(pushes().back()["xp"], 0);
  // An evening look after a day without any: the baseline is the total as it stands.
  now = localDate(2026, 12, 11, 19);
  ASSERT_TRUE(push(4000).ok());
  EXPECT_EQ(pushes().back()["xp"], 0);
}

TEST_F(GuildServiceTest, TheSeasonIsRefreshedAtMostEveryHalfHour) {
  becomeMember();
  auto first = wait<bool>([&](auto done) { service.refreshSeasonIfStale(std::move(done)); });
  ASSERT_TRUE(first.ok()) << messageOf(first.failure);
  EXPECT_TRUE(*first.value);
  now = now.adding(1799);
  EXPECT_FALSE(*wait<bool>([&](auto d) { service.refreshSeasonIfStale(std::move(d)); }).value);
  now = now.adding(1);
  EXPECT_TRUE(*wait<bool>([&](auto d) { service.refreshSeasonIfStale(std::move(d)); }).value);
  EXPECT_EQ(fake.count("GET", "/api/guilds/board"), 2);
}

TEST_F(GuildServiceTest, LeavingForgetsEverythingAndRenameKeepsTheNewName) {
  becomeMember();
  preferences.values[GuildService::NAME_KEY] = "Acme";
  fake.answer("PATCH", "/api/guilds/name", {200, R"({"name":"Acme Guild"})"});
  fake.answer("DELETE", "/api/guilds/member", {200, "{}"});
  ASSERT_TRUE(push(100).ok());
  auto renamed = wait<std::string>([&](auto d) { service.rename(" Acme Guild ", std::move(d)); });
  ASSERT_TRUE(renamed.ok());
  EXPECT_EQ(preferences.string(GuildService::NAME_KEY), "Acme Guild");
  ASSERT_TRUE(wait<bool>([&](auto done) { service.leave(std::move(done)); }).ok());
  EXPECT_FALSE(service.isMember());
  EXPECT_FALSE(secrets.items.count(GuildService::API_KEY_ITEM));
  for (const char* key : {GuildService::EMAIL_KEY, GuildService::DOMAIN_KEY, GuildService::NAME_KEY,
                          "guild.lastPushDay", "guild.xpBaseline"}) {
    EXPECT_FALSE(preferences.values.count(key)) << key;
  }
}

}  // namespace
}  // namespace talewick::together
