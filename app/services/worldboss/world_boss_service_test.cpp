// The world boss from an enlisted player's machine, against a fake backend whose answers each
// test chooses: enlistment, the enrolment shared through the cloud, the capped daily push and the
// weekly victory paid once.
#include "services/worldboss/world_boss_service.hpp"

#include <gtest/gtest.h>

#include "game/achievements.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/linux_files.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/test_environment.hpp"
#include "tests/support/wire_privacy.hpp"
#include "together/world_boss_sync.hpp"

namespace talewick::together {
namespace {

using backend::BackendConnection;
using testing::FakeBackend;
using testing::localDate;

std::string boardWith(const std::string& prevResult) {
  return R"({"week":"2026-W50","boss":{"key":"kraken","emoji":"🐙","nameFR":"Kraken",
    "nameEN":"Kraken","hp":7800,"dealt":1200,"rage":25,"enlisted":3,"status":"alive"},
    "banner":{"nameFR":"Bannière","roster":[{"heroName":"Ana","dealt":1200,"isYou":true}]},
    "chronicle":[])" +
         (prevResult.empty() ? "" : ",\"prevResult\":" + prevResult) + "}";
}

class WorldBossServiceTest : public ::testing::Test {
 protected:
  WorldBossServiceTest() {
    preferences.values[BackendConnection::BASE_URL_KEY] = fake.url();
    secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = std::string(64, 'c');
    fake.answer("POST", "/api/worldboss/stats", {200, "{}"});
    fake.answer("GET", "/api/worldboss/board", {200, boardWith("")});
    hero.start();
    loop.settle();
  }
  void TearDown() override {
    testing::expectOnlyAllowedBodies(fake, false, testing::calendarTexts());
  }

  void enlistHere() {
    secrets.items[WorldBossService::API_KEY_ITEM] = "raider-key";
    preferences.values[WorldBossService::RAIDER_ID_KEY] = "r1";
  }
  template <class T>
  Outcome<T> wait(const std::function<void(std::function<void(Outcome<T>)>)>& start) {
    Outcome<T> result;
    start([&result](Outcome<T> outcome) { result = std::move(outcome); });
    loop.settle();
    return result;
  }
  Outcome<bool> push(int64_t totalXp, int64_t quests = 2, int64_t streak = 4) {
    WorldBossDailyStats stats{"Ana", "🧙", "sage", totalXp, streak, quests};
    return wait<bool>([&](auto done) { service.pushDailyStatsIfNeeded(stats, std::move(done)); });
  }
  Outcome<WorldBossWire::Board> board() {
    return wait<WorldBossWire::Board>([&](auto done) { service.fetchBoard(std::move(done)); });
  }
  std::vector<Json> pushes() const {
    std::vector<Json> bodies;
    for (const auto& r : fake.received()) {
      if (r.path == "/api/worldboss/stats") bodies.push_back(Json::parse(r.body));
    }
    return bodies;
  }
  static std::string messageOf(const std::exception_ptr& failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& e) {
      return e.what();
    }
  }

  FakeBackend fake;
  testing::TempFolder home{"worldboss"};
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  testing::MemoryCloudStore cloud;
  CurlHttpClient http;
  RunLoop loop;
  BackendConnection backend{preferences, secrets, http, loop};
  HeroStore hero{linuxFiles(), home / HeroStore::FILE_NAME, cloud, loop.main(),
                 loop.serialQueue(HeroStore::CLOUD_QUEUE)};
  Date now = localDate(2026, 12, 7, 10);
  WorldBossService service{backend, http, preferences, secrets,
                           cloud,   hero, loop,        [this] { return now; }};
};

TEST_F(WorldBossServiceTest, AOneCharacterPseudoIsRefusedBeforeAnythingIsSent) {
  const WorldBossDailyStats stats{"Ana", "🧙", std::nullopt, 0, 0, 0};
  auto refused = wait<std::string>([&](auto d) { service.enlist(" A ", stats, std::move(d)); });
  EXPECT_EQ(messageOf(refused.failure), "Choisis un pseudo d'au moins 2 caractères.");
  EXPECT_TRUE(fake.received().empty());
  fake.answer("POST", "/api/worldboss/enlist", {400, R"({"error":"invalid_hero_name"})"});
  refused = wait<std::string>([&](auto d) { service.enlist("Zz", stats, std::move(d)); });
  EXPECT_EQ(messageOf(refused.failure), "Choisis un pseudo d'au moins 2 caractères.");
  EXPECT_FALSE(service.isEnlisted());
}

TEST_F(WorldBossServiceTest, EnlistingStoresTheRaiderAndSharesItWithTheOtherMachines) {
  fake.answer("POST", "/api/worldboss/enlist",
              {200, R"({"apiKey":"k-9","raiderId":"r-9","banner":{"nameFR":"Les Vigilants",
                       "nameEN":"The Watchful"}})"});
  const WorldBossDailyStats stats{"Ana", "🧙", "sage", 0, 0, 0};
  auto banner = wait<std::string>([&](auto d) { service.enlist("Anaïs", stats, std::move(d)); });
  ASSERT_TRUE(banner.ok()) << messageOf(banner.failure);
  EXPECT_EQ(*banner.value, "Les Vigilants");
  EXPECT_EQ(secrets.items.at(WorldBossService::API_KEY_ITEM), "k-9");
  EXPECT_EQ(preferences.string(WorldBossService::RAIDER_ID_KEY), "r-9");
  EXPECT_EQ(preferences.string(WorldBossService::BANNER_NAME_KEY), "Les Vigilants");
  const auto shared = WorldBossSync::decodeEnrollment(
      cloud.data(std::string(WorldBossSync::enrollmentKey)).value_or(""));
  EXPECT_EQ(shared, (WorldBossSync::Enrollment{"r-9", "k-9"}));
  const auto sent = fake.received().at(0);
  EXPECT_EQ(Json::parse(sent.body),
            (Json{{"heroName", "Anaïs"}, {"avatar", "🧙"}, {"vocation", "sage"}}));
  EXPECT_EQ(sent.headers.at("x-signup-secret"), std::string(64, 'c'));
  EXPECT_FALSE(sent.headers.count("authorization"));
}

TEST_F(WorldBossServiceTest, AMachineWithoutARaiderAdoptsTheOneInTheCloud) {
  EXPECT_FALSE(service.isEnlisted());
  cloud.writeFromElsewhere(std::string(WorldBossSync::enrollmentKey),
                           WorldBossSync::encoded({"r-2", "k-2"}));
  ASSERT_TRUE(board().ok());
  EXPECT_EQ(fake.received().back().headers.at("authorization"), "Bearer k-2");
  EXPECT_EQ(secrets.items.at(WorldBossService::API_KEY_ITEM), "k-2");
  // A damaged enrolment is no enrolment.
  secrets.items.clear();
  cloud.writeFromElsewhere(std::string(WorldBossSync::enrollmentKey), "{\"raiderId\":\"r\"}");
  EXPECT_FALSE(service.isEnlisted());
}

TEST_F(WorldBossServiceTest, ThePushIsCappedAndRecordsTheDaysDamage) {
  enlistHere();
  ASSERT_TRUE(push(5000, 0, 0).ok());  // the day's baseline
  ASSERT_TRUE(push(7000, 20, 40).ok());
  const std::vector<Json> bodies = pushes();
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(bodies[1], (Json{{"day", "2026-12-07"},
                             {"xp", 1500},
                             {"questsDone", 12},
                             {"streak", 30},
                             {"heroName", "Ana"},
                             {"avatar", "🧙"},
                             {"vocation", "sage"}}));
  EXPECT_EQ(service.myDealtToday(), 1950);
  EXPECT_EQ(preferences.value("worldboss.pushedQuests"), Json(12));
  // Nothing new: nothing sent. More quests alone: sent again.
  EXPECT_FALSE(*push(7000, 20, 40).value);
  EXPECT_TRUE(*push(7000, 1, 40).value);
  EXPECT_EQ(pushes().back()["questsDone"], 1);
  // Tomorrow the damage of today is not "today's" any more.
  now = localDate(2026, 12, 8, 9);
  EXPECT_EQ(service.myDealtToday(), 0);
}

TEST_F(WorldBossServiceTest, AVictoryIsPaidOnceHoweverOftenTheBoardIsRead) {
  enlistHere();
  fake.answer("GET", "/api/worldboss/board",
              {200, boardWith(R"({"week":"2026-W49","victory":true,"dealt":12345})")});
  const int64_t goldBefore = hero.payload()->gold;
  ASSERT_TRUE(board().ok());
  EXPECT_EQ(service.lastVictoryGold(), 173);
  ASSERT_TRUE(board().ok());
  EXPECT_EQ(service.lastVictoryGold(), 0);
  EXPECT_EQ(hero.payload()->gold, goldBefore + 173);
  const auto& receipts = hero.payload()->worldBossRewardReceiptIDs;
  EXPECT_EQ(std::count(receipts.begin(), receipts.end(), "worldboss:2026-W49:victory"), 1);
  const auto& titles = hero.payload()->unlockedTitleIDs;
  EXPECT_NE(std::find(titles.begin(), titles.end(), Achievements::worldBossDeedID), titles.end());
}

TEST_F(WorldBossServiceTest, ADefeatOrAnUnreadableBoardPaysNothing) {
  enlistHere();
  const int64_t goldBefore = hero.payload()->gold;
  fake.answer("GET", "/api/worldboss/board",
              {200, boardWith(R"({"week":"2026-W49","victory":false,"dealt":9000})")});
  ASSERT_TRUE(board().ok());
  fake.answer("GET", "/api/worldboss/board", {200, R"({"boss":"kraken"})"});
  EXPECT_EQ(messageOf(board().failure), "Erreur serveur (réponse illisible).");
  EXPECT_EQ(hero.payload()->gold, goldBefore);
  // The previous board stays.
  ASSERT_TRUE(service.latestBoard());
  EXPECT_EQ(service.latestBoard()->prevResult->dealt, 9000);
}

TEST_F(WorldBossServiceTest, TheBoardIsAskedAgainOnlyAfterFiveMinutes) {
  enlistHere();
  auto refresh = [&] {
    return *wait<bool>([&](auto d) { service.refreshBoardIfStale(std::move(d)); }).value;
  };
  EXPECT_TRUE(refresh());
  now = now.adding(299);
  EXPECT_FALSE(refresh());
  now = now.adding(1);
  EXPECT_TRUE(refresh());
  EXPECT_EQ(fake.count("GET", "/api/worldboss/board"), 2);
}

TEST_F(WorldBossServiceTest, NotEnlistedSendsNothing) {
  auto pushed = push(100);
  ASSERT_TRUE(pushed.ok());
  EXPECT_FALSE(*pushed.value);
  EXPECT_EQ(messageOf(board().failure), "Tu n'as pas encore hissé ta bannière.");
  EXPECT_TRUE(fake.received().empty());
}

}  // namespace
}  // namespace talewick::together
