// Colleagues and strangers playing together, each from a machine of their own: the application's
// services against the server's real routes, served in this process on loopback with a clock the
// test moves. What one machine sends, the others read back — and nothing more of it.
#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "platform/curl_http_client.hpp"
#include "platform/linux_files.hpp"
#include "server/together_testing.hpp"
#include "services/guild/guild_service.hpp"
#include "services/vigil/vigil_service.hpp"
#include "services/worldboss/world_boss_service.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_secrets.hpp"
#include "tests/support/temp_folder.hpp"
#include "together/world_boss_vigil.hpp"

namespace talewick::together {
namespace {

using backend::BackendConnection;
using server::testing::Engine;
using server::testing::TogetherServer;

// One user's machine: its own preferences, secrets, cloud folder, hero and main loop, pointed at
// the shared server, on the server's clock. Its vigil never ticks by itself: the test drives it.
class Machine {
 public:
  Machine(TogetherServer& server, const std::string& name) : home_(name) {
    preferences.values[BackendConnection::BASE_URL_KEY] = server.url();
    secrets.items[BackendConnection::SIGNUP_SECRET_ITEM] = server::testing::kTogetherSecret;
    clock = [&server] { return Date::fromUnix(static_cast<double>(server.now())); };
    hero.start();
    loop.settle();
    restartServices();
  }

  // What a new process of the same user finds: the same preferences, secrets and hero file.
  void restartServices() {
    guild = std::make_unique<GuildService>(backend, http, preferences, secrets, loop, clock,
                                           [] { return std::vector<std::string>{}; });
    worldBoss = std::make_unique<WorldBossService>(backend, http, preferences, secrets, cloud, hero,
                                                   loop, clock);
    vigil = std::make_unique<VigilService>(backend, http, preferences, secrets, hero, loop, timer,
                                           clock);
  }

  template <class T>
  T await(const std::function<void(std::function<void(backend::Outcome<T>)>)>& start) {
    backend::Outcome<T> result;
    start([&result](backend::Outcome<T> outcome) { result = std::move(outcome); });
    loop.settle();
    if (!result.ok()) {
      try {
        std::rethrow_exception(result.failure);
      } catch (const std::exception& e) {
        ADD_FAILURE() << home_.path().filename() << ": " << e.what();
      }
      return T{};
    }
    return *result.value;
  }
  void settled(const std::function<void(std::function<void()>)>& start) {
    start([] {});
    loop.settle();
  }

  int64_t gold() const { return hero.payload()->gold; }

 private:
  testing::TempFolder home_;

 public:
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  testing::MemoryCloudStore cloud;
  CurlHttpClient http;
  RunLoop loop;
  Clock clock;
  BackendConnection backend{preferences, secrets, http, loop};
  HeroStore hero{linuxFiles(), home_ / HeroStore::FILE_NAME, cloud, loop.main(),
                 loop.serialQueue(HeroStore::CLOUD_QUEUE)};
  NoTickTimer timer;
  std::unique_ptr<GuildService> guild;
  std::unique_ptr<WorldBossService> worldBoss;
  std::unique_ptr<VigilService> vigil;
};

// The six digits of the last guild code mailed to `address`.
std::string codeMailedTo(talewick::testing::SmtpSink& sink, const std::string& address) {
  std::string code;
  for (const nlohmann::json& message : sink.messages()) {
    const auto& to = message["rcptTos"];
    if (std::find(to.begin(), to.end(), address) == to.end()) continue;
    std::smatch found;
    const std::string text = message["parts"][0]["text"];
    if (std::regex_search(text, found, std::regex("\\b[0-9]{6}\\b"))) code = found.str();
  }
  return code;
}

GuildDailyStats statsOf(const std::string& hero, int64_t totalXp, int64_t quests) {
  return {hero, "comic", "sage", "🧙", totalXp, 3, 2, quests};
}

TEST(PlayingTogether, ColleaguesShareOneBoardAndNeverEachOthersAddress) {
  TogetherServer server(Engine::sqlite, true);
  Machine ana(server, "ana"), bob(server, "bob"), cyd(server, "cyd");
  const std::vector<std::pair<Machine*, std::string>> players = {
      {&ana, "ana@acme.fr"}, {&bob, "bob@acme.fr"}, {&cyd, "cyd@globex.fr"}};
  for (const auto& [machine, address] : players) {
    ASSERT_TRUE(machine->await<bool>([&](auto done) { machine->guild->join(address, done); }));
    const std::string code = codeMailedTo(server.sink(), address);
    ASSERT_EQ(code.size(), 6U) << address;
    const GuildMembership member =
        machine->await<GuildMembership>([&](auto done) { machine->guild->verify(code, done); });
    EXPECT_EQ(member.domain, address.substr(address.find('@') + 1));
  }

  // The first look of the day takes the baseline; what is earned after it is pushed.
  for (const auto& [machine, xp] : std::vector<std::pair<Machine*, int64_t>>{
           {&ana, 1000}, {&ana, 1300}, {&bob, 500}, {&bob, 600}, {&cyd, 50}, {&cyd, 90}}) {
    const std::string name = machine == &ana ? "Ana" : machine == &bob ? "Bob" : "Cyd";
    machine->await<bool>(
        [&](auto done) { machine->guild->pushDailyStatsIfNeeded(statsOf(name, xp, 2), done); });
  }

  const GuildWire::Board board =
      bob.await<GuildWire::Board>([&](auto done) { bob.guild->fetchBoard(done); });
  ASSERT_EQ(board.board.size(), 2U);
  EXPECT_EQ(board.board[0].heroName, "Ana");
  EXPECT_EQ(board.board[0].weekXp, 300);
  EXPECT_FALSE(board.board[0].isYou);
  EXPECT_EQ(board.board[1].heroName, "Bob");
  EXPECT_TRUE(board.board[1].isYou);
  ASSERT_TRUE(board.season);
  EXPECT_EQ(board.season->dealt, 400);
  EXPECT_EQ(board.season->yourDealt, 100);
  EXPECT_EQ(board.season->boss.hpLeft, board.season->boss.hp - 400);

  const GuildWire::Board other =
      cyd.await<GuildWire::Board>([&](auto done) { cyd.guild->fetchBoard(done); });
  ASSERT_EQ(other.board.size(), 1U);
  EXPECT_EQ(other.board[0].heroName, "Cyd");

  // What Bob's machine is given of the guild carries no address of anybody.
  const std::string bobKey = bob.secrets.items.at(GuildService::API_KEY_ITEM);
  const std::string raw =
      server.as(bobKey, "GET", "/api/guilds/board?today=2026-12-07").body.dump();
  for (const auto& [machine, address] : players) {
    EXPECT_EQ(raw.find(address), std::string::npos) << address;
  }
  EXPECT_EQ(raw.find("Cyd"), std::string::npos);

  // A member who leaves is gone from the others' board.
  EXPECT_TRUE(ana.await<bool>([&](auto done) { ana.guild->leave(done); }));
  EXPECT_FALSE(ana.guild->isMember());
  const GuildWire::Board after =
      bob.await<GuildWire::Board>([&](auto done) { bob.guild->fetchBoard(done); });
  ASSERT_EQ(after.board.size(), 1U);
  EXPECT_EQ(after.board[0].heroName, "Bob");
}

TEST(PlayingTogether, AVigilHeldByThreeOfFourPaysTheThreeOnceAcrossRestarts) {
  TogetherServer server(Engine::sqlite, false);
  std::vector<std::unique_ptr<Machine>> raiders;
  for (const char* name : {"Ana", "Bob", "Cyd", "Dan"}) {
    raiders.push_back(std::make_unique<Machine>(server, name));
    Machine& m = *raiders.back();
    m.await<std::string>([&](auto done) {
      m.worldBoss->enlist(name, WorldBossDailyStats{name, "🧙", "sage", 0, 0, 0}, done);
    });
    ASSERT_TRUE(m.worldBoss->isEnlisted()) << name;
  }

  // Monday 12:22Z: the lobby of the 12:30Z slot is open.
  server.setNow(TogetherServer::MONDAY_NOON + 22 * 60);
  const std::string slot = raiders[0]->vigil->pledgeSlot();
  ASSERT_EQ(slot, "2026-12-07T12:30Z");
  for (auto& m : raiders) {
    m->vigil->setPledgeLines({"Écrire le rapport", "Relire la thèse"});
    m->settled([&](auto done) { m->vigil->joinNext(done); });
    ASSERT_EQ(m->vigil->stage(), (VigilStage{VigilStage::Kind::lobby, slot}))
        << m->vigil->lastError().value_or("");
  }
  raiders[0]->settled([&](auto done) { raiders[0]->vigil->refreshRoom(done); });
  ASSERT_TRUE(raiders[0]->vigil->room());
  EXPECT_EQ(raiders[0]->vigil->room()->roster.size(), 4U);

  // The session: Ana, Bob and Cyd's daemons tick every 30 seconds; Dan's machine sleeps after
  // the first minutes.
  std::vector<int64_t> goldBefore;
  for (auto& m : raiders) goldBefore.push_back(m->gold());
  const Date start = *WorldBossVigil::slotStart(slot);
  const Date close = *WorldBossVigil::slotClose(slot);
  for (double t = start.unix(); t <= close.unix() + 30; t += 30) {
    server.setNow(static_cast<std::int64_t>(t));
    for (std::size_t i = 0; i < raiders.size(); ++i) {
      if (i == 3 && t > start.unix() + 180) continue;
      raiders[i]->settled([&](auto done) { raiders[i]->vigil->tick(done); });
    }
  }
  std::vector<int64_t> goldAfterClose;
  for (std::size_t i = 0; i < 3; ++i) {
    Machine& m = *raiders[i];
    EXPECT_EQ(m.vigil->stage().kind, VigilStage::Kind::resolved) << i;
    EXPECT_GT(m.gold(), goldBefore[i]) << i;
    goldAfterClose.push_back(m.gold());
  }

  // Dan wakes up after the close: the room is resolved without his candle.
  Machine& dan = *raiders[3];
  const int64_t danGold = dan.gold();
  dan.settled([&](auto done) { dan.vigil->tick(done); });
  EXPECT_EQ(dan.vigil->stage().kind, VigilStage::Kind::resolved);
  EXPECT_EQ(dan.gold(), goldBefore[3]);

  // The server restarts, every machine starts its programs again and reads the room anew.
  server.restart();
  server.advance(120);
  for (std::size_t i = 0; i < raiders.size(); ++i) {
    Machine& m = *raiders[i];
    m.restartServices();
    m.settled([&](auto done) { m.vigil->restoreActiveSession(done); });
    m.settled([&](auto done) { m.vigil->tick(done); });
    EXPECT_EQ(m.vigil->lastRewardPaid(), 0) << i;
    EXPECT_EQ(m.gold(), i < 3 ? goldAfterClose[i] : danGold) << i;
  }
}

}  // namespace
}  // namespace talewick::together
