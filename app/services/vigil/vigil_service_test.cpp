// A vigil session from a hero's machine, against a fake backend whose answers each test chooses,
// with a clock the test moves and a timer it fires by hand: the stages, what each call carries,
// the cries' limits, and the reward paid once.
#include "services/vigil/vigil_service.hpp"

#include <gtest/gtest.h>

#include "platform/curl_http_client.hpp"
#include "platform/linux_files.hpp"
#include "services/worldboss/world_boss_service.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/temp_folder.hpp"
#include "tests/support/wire_privacy.hpp"
#include "together/world_boss_vigil.hpp"

namespace talewick::together {
namespace {

using backend::BackendConnection;
using testing::FakeBackend;
using Kind = VigilStage::Kind;

const std::string kSlot = "2026-12-04T10:00Z";
const Date kStart = *WorldBossVigil::slotStart(kSlot);

// The timer the service schedules on, fired by the test.
struct ManualTimer : TickTimer {
  std::optional<double> delay;
  std::function<void()> pending;
  int scheduled = 0;
  void schedule(double seconds, std::function<void()> tick) override {
    delay = seconds;
    pending = std::move(tick);
    ++scheduled;
  }
  void cancel() override {
    delay.reset();
    pending = nullptr;
  }
};

std::string roomJson(const std::string& phase, const std::string& you = "",
                     const std::string& cries = "[]") {
  return R"({"slot":")" + kSlot + R"(","room":2,"phase":")" + phase +
         R"(","capacity":4,"minToLight":3,"fireLevel":1,"roster":[{"heroName":"Ana",
         "candle":"lit","pledged":3,"done":0}])" +
         (you.empty() ? "" : ",\"you\":" + you) + R"(,"cries":)" + cries + "}";
}

class VigilServiceTest : public ::testing::Test {
 protected:
  VigilServiceTest() {
    preferences.values[BackendConnection::BASE_URL_KEY] = fake.url();
    secrets.items[WorldBossService::API_KEY_ITEM] = "raider-key";
    fake.answer("POST", "/api/vigil/join", {200, R"({"ok":true})"});
    fake.answer("POST", "/api/vigil/beat", {200, "{}"});
    fake.answer("POST", "/api/vigil/done", {200, "{}"});
    fake.answer("POST", "/api/vigil/cry", {200, "{}"});
    fake.answer("GET", "/api/vigil/room", {200, roomJson("lobby", R"({"candle":"lit"})")});
    hero.start();
    loop.settle();
  }
  void TearDown() override {
    std::vector<std::string> privateTexts = testing::calendarTexts();
    privateTexts.insert(privateTexts.end(), {"Écrire le rapport", "Relire la thèse"});
    testing::expectOnlyAllowedBodies(fake, false, privateTexts);
  }

  void settle() { loop.settle(); }
  // Moves the clock to the pending tick and runs it.
  void fire() {
    ASSERT_TRUE(timer.pending) << "no tick scheduled";
    now = now.adding(*timer.delay);
    auto tick = std::move(timer.pending);
    timer.cancel();
    tick();
    settle();
  }
  // Joins the lobby of kSlot with `lines`, at 09:55Z.
  void joinLobby(std::vector<std::string> lines = {"Écrire le rapport", "Relire la thèse"}) {
    now = kStart.adding(-300);
    service.setPledgeLines(std::move(lines));
    service.joinNext();
    settle();
    ASSERT_EQ(service.stage(), (VigilStage{Kind::lobby, kSlot}));
  }
  // From the lobby into the burning session, at the slot's start.
  void startBurning() {
    joinLobby();
    fake.answer("GET", "/api/vigil/room", {200, roomJson("burning", R"({"candle":"lit"})")});
    now = kStart;
    service.tick();
    settle();
    ASSERT_EQ(service.stage().kind, Kind::burning);
  }
  std::vector<Json> bodiesOf(const std::string& path) const {
    std::vector<Json> bodies;
    for (const auto& r : fake.received()) {
      if (r.path == path) bodies.push_back(Json::parse(r.body));
    }
    return bodies;
  }

  FakeBackend fake;
  testing::TempFolder home{"vigil"};
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  testing::MemoryCloudStore cloud;
  CurlHttpClient http;
  RunLoop loop;
  BackendConnection backend{preferences, secrets, http, loop};
  HeroStore hero{linuxFiles(), home / HeroStore::FILE_NAME, cloud, loop.main(),
                 loop.serialQueue(HeroStore::CLOUD_QUEUE)};
  ManualTimer timer;
  Date now = kStart.adding(-900);
  VigilService service{backend, http, preferences, secrets,
                       hero,    loop, timer,       [this] { return now; }};
};

TEST_F(VigilServiceTest, TheLobbyOfTenOpensAtTenToTenExactly) {
  now = kStart.adding(-900);  // 09:45:00Z
  service.joinNext();
  settle();
  EXPECT_EQ(service.stage(), (VigilStage{Kind::arming, kSlot}));
  EXPECT_EQ(timer.delay, 20);
  now = kStart.adding(-601);  // 09:49:59Z
  service.tick();
  settle();
  EXPECT_EQ(service.stage().kind, Kind::arming);
  EXPECT_EQ(timer.delay, 1);
  EXPECT_EQ(fake.count("POST", "/api/vigil/join"), 0);
  fire();  // 09:50:00Z
  EXPECT_EQ(now, kStart.adding(-600));
  EXPECT_EQ(fake.count("POST", "/api/vigil/join"), 1);
  EXPECT_EQ(service.stage(), (VigilStage{Kind::lobby, kSlot}));
  EXPECT_EQ(fake.received().front().headers.at("authorization"), "Bearer raider-key");
}

TEST_F(VigilServiceTest, ThePledgeSendsOnlyItsCount) {
  joinLobby({"Écrire le rapport", "  ", "Relire la thèse", "Appeler Léa"});
  EXPECT_EQ(bodiesOf("/api/vigil/join").back(), (Json{{"slot", kSlot}, {"pledged", 3}}));
  EXPECT_EQ(preferences.stringList("vigil.pledge.lines." + kSlot).size(), 4u);
  EXPECT_EQ(preferences.value("vigil.pledge.count." + kSlot), Json(3));
  service.leave();
  joinLobby({" ", ""});
  EXPECT_EQ(bodiesOf("/api/vigil/join").back(), (Json{{"slot", kSlot}}));
}

TEST_F(VigilServiceTest, AFailedJoinWaitsInArmingAndRetriesInFifteenSeconds) {
  fake.answer("POST", "/api/vigil/join", {503, ""});
  now = kStart.adding(-300);
  service.joinNext();
  settle();
  EXPECT_EQ(service.stage(), (VigilStage{Kind::arming, kSlot}));
  EXPECT_EQ(service.lastError(), "La veillée se scelle — réessaie dans un instant.");
  EXPECT_EQ(timer.delay, 15);
  fake.answer("POST", "/api/vigil/join", {429, R"({"error":"rate_limited"})"});
  fire();
  EXPECT_EQ(service.lastError(), "Trop d'appels — on ralentit un instant.");
  fake.answer("POST", "/api/vigil/join", {200, "{}"});
  fire();
  EXPECT_EQ(service.stage().kind, Kind::lobby);
  EXPECT_FALSE(service.lastError());
  EXPECT_EQ(fake.count("POST", "/api/vigil/join"), 3);
}

TEST_F(VigilServiceTest, NotEnlistedSendsNothing) {
  secrets.items.clear();
  now = kStart.adding(-300);
  service.joinNext();
  settle();
  EXPECT_EQ(service.lastError(), "Hisse d'abord ta bannière du Fléau.");
  EXPECT_EQ(service.stage().kind, Kind::idle);
  EXPECT_TRUE(fake.received().empty());
}

TEST_F(VigilServiceTest, ABurningSessionBeatsEveryMinuteAndRestoresThePledge) {
  startBurning();
  EXPECT_EQ(service.sessionPledgeLines(),
            (std::vector<std::string>{"Écrire le rapport", "Relire la thèse"}));
  // Entering burning happened on the lobby's tick; the first burning tick beats.
  fire();
  EXPECT_EQ(fake.count("POST", "/api/vigil/beat"), 1);
  EXPECT_LE(*timer.delay, 30);
  EXPECT_GE(*timer.delay, 1);
  const Date firstBeat = now;
  while (now - firstBeat < 50) fire();
  EXPECT_EQ(fake.count("POST", "/api/vigil/beat"), 1);
  fire();
  EXPECT_EQ(now - firstBeat, 60);
  EXPECT_EQ(fake.count("POST", "/api/vigil/beat"), 2);
  EXPECT_EQ(bodiesOf("/api/vigil/beat").back(), (Json{{"slot", kSlot}}));
}

TEST_F(VigilServiceTest, DoneCountsAreFlushedAndRetriedTwentySecondsLater) {
  startBurning();
  fake.answer("POST", "/api/vigil/done", {500, R"({"error":"boom"})"});
  EXPECT_TRUE(service.toggleDone(1));
  settle();
  EXPECT_EQ(service.lastError(), "Erreur serveur (boom).");
  EXPECT_FALSE(service.toggleDone(2));  // two tasks pledged
  fake.answer("POST", "/api/vigil/done", {200, "{}"});
  const int before = fake.count("POST", "/api/vigil/done");
  const Date failedAt = now;
  while (now - failedAt < 20) {
    fire();
    if (now - failedAt < 20) {
      EXPECT_EQ(fake.count("POST", "/api/vigil/done"), before);
    }
  }
  EXPECT_EQ(fake.count("POST", "/api/vigil/done"), before + 1);
  EXPECT_EQ(bodiesOf("/api/vigil/done").back(), (Json{{"slot", kSlot}, {"done", 1}}));
  // Acknowledged: not sent again.
  fire();
  EXPECT_EQ(fake.count("POST", "/api/vigil/done"), before + 1);
  EXPECT_EQ(service.doneChecks(), (std::vector<bool>{false, true}));
}

TEST_F(VigilServiceTest, AFailedRoomFetchKeepsTheRoomAndTheStage) {
  startBurning();
  const auto room = service.room();
  ASSERT_TRUE(room);
  fake.answer("GET", "/api/vigil/room", {502, "<html>"});
  fire();
  EXPECT_EQ(service.stage(), (VigilStage{Kind::burning, kSlot}));
  EXPECT_EQ(service.room(), room);
  EXPECT_EQ(service.lastError(), "Erreur serveur (HTTP 502).");
}

TEST_F(VigilServiceTest, CriesAreLimitedByCountAndByCooldown) {
  startBurning();
  EXPECT_FALSE(service.sendCry("inconnu"));
  int sent = 0;
  for (int i = 0; i < 13; ++i) {
    if (service.sendCry("courage")) ++sent;
    settle();
    // A second cry within ten seconds is refused.
    now = now.adding(9);
    EXPECT_FALSE(service.canCry());
    EXPECT_FALSE(service.sendCry("courage"));
    now = now.adding(1);
  }
  EXPECT_EQ(sent, 12);
  EXPECT_EQ(fake.count("POST", "/api/vigil/cry"), 12);
  EXPECT_EQ(bodiesOf("/api/vigil/cry").back(), (Json{{"slot", kSlot}, {"key", "courage"}}));
  service.leave();
  EXPECT_FALSE(service.canCry());
}

TEST_F(VigilServiceTest, CriesOfTheRoomBecomeToastsForFourSecondsAndAHalf) {
  startBurning();
  fake.answer("GET", "/api/vigil/room",
              {200, roomJson("burning", R"({"candle":"lit"})",
                             R"([{"heroName":"Léo","key":"courage","at":1796371300}])")});
  fire();
  ASSERT_EQ(service.cryToasts().size(), 1u);
  EXPECT_TRUE(service.activeToast("Léo", now));
  EXPECT_TRUE(service.activeToast("Léo", now.adding(4.5)));
  EXPECT_FALSE(service.activeToast("Léo", now.adding(4.6)));
  EXPECT_FALSE(service.activeToast("Ana", now));
  // Seen again on the next fetch: not a new toast.
  fire();
  EXPECT_TRUE(service.cryToasts().empty());
}

TEST_F(VigilServiceTest, TheSameReceiptSeenTwiceIsPaidOnce) {
  startBurning();
  const int64_t goldBefore = hero.payload()->gold;
  const std::string you =
      R"({"candle":"held","held":true,"reward":65,"receiptId":"worldboss:vigil:)" + kSlot +
      R"(:2"})";
  fake.answer("GET", "/api/vigil/room", {200, roomJson("resolved", you)});
  fire();
  EXPECT_EQ(service.stage(), (VigilStage{Kind::resolved, kSlot}));
  EXPECT_EQ(service.lastRewardPaid(), 65);
  service.restoreActiveSession();
  settle();
  EXPECT_EQ(service.lastRewardPaid(), 0);
  EXPECT_EQ(hero.payload()->gold, goldBefore + 65);
}

TEST_F(VigilServiceTest, TheSlotClosesIntoResolvedWithOneLastFlush) {
  startBurning();
  while (now < *WorldBossVigil::sessionEnd(kSlot)) fire();
  // Waiting for the server: never more than 30 s, and 5 s around the close.
  while (service.stage().kind == Kind::burning) {
    ASSERT_TRUE(timer.delay);
    const double toClose = *WorldBossVigil::slotClose(kSlot) - now;
    EXPECT_LE(*timer.delay, toClose <= 30 ? 5 : 30);
    fire();
  }
  EXPECT_GE(now, *WorldBossVigil::slotClose(kSlot));
  EXPECT_EQ(service.stage().kind, Kind::resolved);
  EXPECT_FALSE(timer.pending);
}

TEST_F(VigilServiceTest, AResolutionThatComesAfterTheClosePaysWhenItArrives) {
  startBurning();
  while (service.stage().kind == Kind::burning) fire();
  EXPECT_EQ(service.lastRewardPaid(), 0);
  const int64_t goldBefore = hero.payload()->gold;
  fake.answer("GET", "/api/vigil/room",
              {200, roomJson("resolved", R"({"held":true,"reward":40,"receiptId":"r-late"})")});
  service.tick();
  settle();
  EXPECT_EQ(service.lastRewardPaid(), 40);
  EXPECT_EQ(hero.payload()->gold, goldBefore + 40);
  // An hour after the close, a slot still unresolved is let go.
  now = WorldBossVigil::slotClose(kSlot)->adding(3601);
  service.tick();
  settle();
  EXPECT_EQ(service.stage().kind, Kind::idle);
}

TEST_F(VigilServiceTest, ASessionInThePreferencesIsResumedAtStart) {
  startBurning();
  service.toggleDone(0);
  settle();
  // Another process (the daemon) starts with the same preferences.
  ManualTimer otherTimer;
  VigilService daemon{backend, http, preferences, secrets,
                      hero,    loop, otherTimer,  [this] { return now; }};
  daemon.restoreActiveSession();
  settle();
  EXPECT_EQ(daemon.stage(), (VigilStage{Kind::burning, kSlot}));
  EXPECT_EQ(daemon.sessionPledgeLines().size(), 2u);
  EXPECT_EQ(daemon.doneChecks(), (std::vector<bool>{true, false}));
  EXPECT_TRUE(otherTimer.pending);
  // Not in the room any more: back to idle.
  fake.answer("GET", "/api/vigil/room", {404, R"({"error":"not_in_room"})"});
  VigilService later{backend, http, preferences, secrets,
                     hero,    loop, otherTimer,  [this] { return now; }};
  later.restoreActiveSession();
  settle();
  EXPECT_EQ(later.stage().kind, Kind::idle);
}

}  // namespace
}  // namespace talewick::together
