// Playing together under load. The server is the real program on the system clock: nothing can
// move its time, so the vigil load uses the slots of the moment.
//
// - Before the server starts, the database is seeded through the server's own storage code:
//   1,000 guild members in 20 guilds, and 200 raiders, seated in 50 rooms of the slot burning now
//   and in 50 rooms of the slot before it, whose heartbeats are written so that three of each
//   room's four held. (Joining and enlisting go through the mail and per-client rate limits,
//   which a load from one address would only measure as refusals.)
// - The load: 20 clients push members' days and read their boards, each member once every few
//   seconds (or as fast as the server answers); 20 clients beat for 10 heroes each, once a
//   second, and read the room now and then; every hero also reads the closed slot's room, which
//   the server resolves at the first read.
// - Before the load, the server is warmed up: each member and hero reads once, uncounted.
// - The check: every read of a closed room shows the same result, and each hero the reward of
//   three who held (70 gold, 0 for the one who did not), under the room's one receipt.
// When the slot burning now closes before the load would end, the load waits for the next one.
#include "together_load.hpp"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>
#include <vector>

#include "server/crypto.hpp"
#include "server/guild_board.hpp"
#include "server/guild_storage.hpp"
#include "server/request_parts.hpp"
#include "server/storage.hpp"
#include "server/vigil_storage.hpp"
#include "server/world_boss_storage.hpp"
#include "support/date.hpp"
#include "tests/support/postgres_cluster.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/temp_folder.hpp"
#include "together/world_boss_vigil.hpp"

namespace talewick::bench {

namespace {

using SteadyClock = std::chrono::steady_clock;
using nlohmann::json;
namespace server = talewick::server;

constexpr int GUILDS = 20;
constexpr int MEMBERS = 1000;
constexpr int HEROES = 200;
constexpr int GUILD_CLIENTS = 20;
constexpr int VIGIL_CLIENTS = 20;
constexpr std::int64_t SLOT_SECONDS = WorldBossVigil::slotMinutes * 60;

struct Tally {
  std::vector<double> micros;
  long failures = 0;
  void add(const Tally& other) {
    micros.insert(micros.end(), other.micros.begin(), other.micros.end());
    failures += other.failures;
  }
};

using Tallies = std::map<std::string, Tally>;

struct Member {
  std::string key;
  std::string heroName;
};

struct Hero {
  std::string key;
  std::int64_t room = 0;
  bool holds = false;  // in the closed slot
};

std::int64_t unixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string slotAt(std::int64_t unixStart) {
  return WorldBossVigil::slot(Date::fromUnix(static_cast<double>(unixStart)));
}

std::string dayKey(std::int64_t unixSeconds) {
  return WorldBossVigil::slot(Date::fromUnix(static_cast<double>(unixSeconds))).substr(0, 10);
}

// Times one request into `tally` under `route`; a failure is no answer or a status outside 2xx.
// A request sent late on its schedule counts from when it was due (`due`), so that a server
// that falls behind shows it in the latencies rather than in fewer requests.
template <class Call>
std::optional<json> timed(Tallies& tallies, const std::string& route, Call&& call,
                          std::optional<SteadyClock::time_point> due = std::nullopt) {
  const SteadyClock::time_point start =
      due ? std::min(*due, SteadyClock::now()) : SteadyClock::now();
  const httplib::Result result = call();
  const std::chrono::duration<double, std::micro> took = SteadyClock::now() - start;
  Tally& tally = tallies[route];
  tally.micros.push_back(took.count());
  if (!result || result->status < 200 || result->status > 299) {
    ++tally.failures;
    return std::nullopt;
  }
  return json::parse(result->body, nullptr, false);
}

double percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  return sorted[static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1))];
}

struct Seeded {
  std::vector<Member> members;
  std::vector<Hero> heroes;
  std::string burningSlot, closedSlot;
};

Seeded seed(server::Storage& storage, std::int64_t burningStart) {
  Seeded seeded;
  seeded.burningSlot = slotAt(burningStart);
  seeded.closedSlot = slotAt(burningStart - SLOT_SECONDS);
  const std::int64_t now = unixNow();
  for (int i = 0; i < MEMBERS; ++i) {
    const std::string domain = "company" + std::to_string(i % GUILDS) + ".example";
    const std::string email = "member" + std::to_string(i) + "@" + domain;
    const std::string key = server::crypto::randomHex(32);
    server::guilds::admit(storage, email, domain, server::crypto::randomUuid(),
                          server::keyHash(key), now, server::guilds::foundingOf(domain));
    seeded.members.push_back({key, "Membre " + std::to_string(i)});
  }
  for (int i = 0; i < HEROES; ++i) {
    const std::string key = server::crypto::randomHex(32);
    const server::raiders::Raider raider = server::raiders::enlist(
        storage,
        {server::crypto::randomUuid(), "Héros " + std::to_string(i), std::nullopt, "mage", 0, now},
        server::keyHash(key));
    const server::vigils::Seat seat =
        server::vigils::join(storage, seeded.closedSlot, raider.id, 0);
    server::vigils::join(storage, seeded.burningSlot, raider.id, 1);
    const bool holds = i % 4 != 3;
    for (std::int64_t window = 0; window < (holds ? 25 : 10); ++window) {
      server::vigils::beat(storage, seeded.closedSlot, raider.id, window);
    }
    seeded.heroes.push_back({key, seat.room, holds});
  }
  return seeded;
}

// Serves the members `first`, `first` + GUILD_CLIENTS…: each pushes their day then reads the
// board once every `period` seconds, their turns spread evenly; a `period` of 0 sends them one
// after the other as fast as the server answers.
void guildClient(const std::string& url, const std::vector<Member>& members, int first, int period,
                 SteadyClock::time_point begin, SteadyClock::time_point deadline,
                 Tallies& tallies) {
  httplib::Client client(url);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  const std::string today = dayKey(unixNow());
  const auto served = static_cast<double>(members.size() / GUILD_CLIENTS);
  const std::chrono::duration<double> spacing(period / served);
  for (std::size_t i = static_cast<std::size_t>(first), turn = 0; SteadyClock::now() < deadline;
       i += GUILD_CLIENTS, ++turn) {
    std::optional<SteadyClock::time_point> due;
    if (period > 0) {
      // The first turn is offset by the client's number, so that clients do not all start
      // at the same instant.
      due = begin +
            std::chrono::duration_cast<SteadyClock::duration>(
                spacing * (static_cast<double>(turn) + static_cast<double>(first) / GUILD_CLIENTS));
      if (*due >= deadline) break;
      std::this_thread::sleep_until(*due);
    }
    const Member& member = members[i % members.size()];
    const httplib::Headers auth = {{"authorization", "Bearer " + member.key}};
    const json day = {{"day", today},
                      {"xp", static_cast<std::int64_t>(i % 3000)},
                      {"questsDone", static_cast<std::int64_t>(i % 9)},
                      {"streak", 3},
                      {"heroName", member.heroName},
                      {"mode", "comic"}};
    timed(
        tallies, "guild stats",
        [&] { return client.Post("/api/guilds/stats", auth, day.dump(), "application/json"); },
        due);
    timed(tallies, "guild board",
          [&] { return client.Get("/api/guilds/board?today=" + today, auth); });
  }
}

// The closed slot's room as `hero` reads it; checks the result and the reward.
bool checkClosedRoom(httplib::Client& client, const Hero& hero, const std::string& slot,
                     Tallies& tallies, const std::string& route) {
  const std::optional<json> room = timed(tallies, route, [&] {
    return client.Get("/api/vigil/room?slot=" + slot, {{"authorization", "Bearer " + hero.key}});
  });
  if (!room || !room->is_object()) return false;
  const json expected = {{"lit", true}, {"belfry", false}, {"members", 4}, {"fireLevel", 3}};
  const json& you = (*room)["you"];
  return (*room)["result"] == expected && you.value("held", !hero.holds) == hero.holds &&
         you.value("reward", -1) == (hero.holds ? 70 : 0) &&
         you.value("receiptId", "") == WorldBossVigil::receiptID(slot, hero.room);
}

// Beats for the heroes `first`, `first` + VIGIL_CLIENTS…, each once a second, the 200 heroes'
// beats spread evenly over the second as independent people's would be; every fifth second each
// also reads the room.
void vigilClient(const std::string& url, const Seeded& seeded, int first,
                 SteadyClock::time_point deadline, Tallies& tallies, std::atomic<long>& wrong) {
  httplib::Client client(url);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  std::vector<const Hero*> mine;
  for (std::size_t i = static_cast<std::size_t>(first); i < seeded.heroes.size();
       i += VIGIL_CLIENTS) {
    mine.push_back(&seeded.heroes[i]);
  }
  for (const Hero* hero : mine) {
    if (!checkClosedRoom(client, *hero, seeded.closedSlot, tallies, "vigil closed, at once")) {
      ++wrong;
    }
  }
  const std::string beat = json({{"slot", seeded.burningSlot}}).dump();
  const std::chrono::duration<double> spacing(1.0 / static_cast<double>(seeded.heroes.size()));
  const SteadyClock::time_point begin = SteadyClock::now();
  for (std::size_t turn = 0;; ++turn) {
    const std::size_t second = turn / mine.size();
    const std::size_t j = turn % mine.size();
    const SteadyClock::time_point due =
        begin + std::chrono::seconds(second) +
        std::chrono::duration_cast<SteadyClock::duration>(
            spacing * static_cast<double>(static_cast<std::size_t>(first) + j * VIGIL_CLIENTS));
    if (due >= deadline) break;
    std::this_thread::sleep_until(due);
    const httplib::Headers auth = {{"authorization", "Bearer " + mine[j]->key}};
    timed(
        tallies, "vigil beat",
        [&] { return client.Post("/api/vigil/beat", auth, beat, "application/json"); }, due);
    if (second % 5 == 0) {
      timed(tallies, "vigil room",
            [&] { return client.Get("/api/vigil/room?slot=" + seeded.burningSlot, auth); });
    }
  }
  // Read again at the end: the closed rooms were resolved once, whoever read them first.
  for (const Hero* hero : mine) {
    if (!checkClosedRoom(client, *hero, seeded.closedSlot, tallies, "vigil closed")) ++wrong;
  }
}

// A server that has just started reads its database from disk and opens and prepares as it
// goes: before the load, every member reads the board and every hero the burning room once, on
// as many connections as the load uses, and none of it is counted.
void warmUp(const std::string& url, const Seeded& seeded) {
  const int clients = GUILD_CLIENTS + VIGIL_CLIENTS;
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      httplib::Client client(url);
      client.set_keep_alive(true);
      const std::string today = dayKey(unixNow());
      for (std::size_t i = static_cast<std::size_t>(c); i < seeded.members.size(); i += clients) {
        client.Get("/api/guilds/board?today=" + today,
                   {{"authorization", "Bearer " + seeded.members[i].key}});
      }
      for (std::size_t i = static_cast<std::size_t>(c); i < seeded.heroes.size(); i += clients) {
        client.Get("/api/vigil/room?slot=" + seeded.burningSlot,
                   {{"authorization", "Bearer " + seeded.heroes[i].key}});
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace

int runTogetherLoad(const TogetherOptions& options) {
  talewick::testing::TempFolder folder("together-load");
  std::optional<talewick::testing::PostgresCluster> cluster;
  std::string database = "sqlite:" + (folder.path() / "load.db").string();
  if (options.engine == "postgresql") {
    cluster.emplace();
    database = cluster->newDatabase();
  }

  // The slot that burns for the whole load: this one, or the next when this one closes first.
  std::int64_t start = unixNow() / SLOT_SECONDS * SLOT_SECONDS;
  const std::int64_t needed = options.seconds + 60;  // seeding and starting included
  if (start + SLOT_SECONDS - unixNow() < needed) start += SLOT_SECONDS;

  const SteadyClock::time_point seeding = SteadyClock::now();
  Seeded seeded;
  {
    const std::unique_ptr<server::Storage> storage =
        server::openStorage(*server::DatabaseLocation::parse(database));
    seeded = seed(*storage, start);
  }
  const std::chrono::duration<double> seedTime = SteadyClock::now() - seeding;
  if (const std::int64_t wait = start - unixNow(); wait > 0) {
    std::printf("waiting %lld s for the slot %s to burn\n", static_cast<long long>(wait),
                seeded.burningSlot.c_str());
    std::this_thread::sleep_for(std::chrono::seconds(wait));
  }

  const talewick::testing::ServerProcess server(
      options.server, folder.path(), [&](json& config) { config["database"] = database; });
  warmUp(server.url(), seeded);
  const SteadyClock::time_point begin = SteadyClock::now();
  const SteadyClock::time_point deadline = begin + std::chrono::seconds(options.seconds);
  std::vector<Tallies> perClient(GUILD_CLIENTS + VIGIL_CLIENTS);
  std::atomic<long> wrongRewards = 0;
  std::vector<std::thread> threads;
  for (int c = 0; c < GUILD_CLIENTS; ++c) {
    threads.emplace_back([&, c] {
      guildClient(server.url(), seeded.members, c, options.memberPeriod, begin, deadline,
                  perClient[static_cast<std::size_t>(c)]);
    });
  }
  for (int c = 0; c < VIGIL_CLIENTS; ++c) {
    threads.emplace_back([&, c] {
      vigilClient(server.url(), seeded, c, deadline,
                  perClient[static_cast<std::size_t>(GUILD_CLIENTS + c)], wrongRewards);
    });
  }
  for (std::thread& thread : threads) thread.join();
  const std::chrono::duration<double> elapsed = SteadyClock::now() - begin;

  Tallies all;
  for (const Tallies& tallies : perClient) {
    for (const auto& [route, tally] : tallies) all[route].add(tally);
  }
  std::printf(
      "playing together on %s: %d members in %d guilds, %d heroes in %d rooms, %.1f s "
      "(seeded in %.1f s)\n",
      options.engine.c_str(), MEMBERS, GUILDS, HEROES, HEROES / 4, elapsed.count(),
      seedTime.count());
  if (options.memberPeriod > 0) {
    std::printf("  each member pushes a day and reads the board every %d s (%d of each a second)\n",
                options.memberPeriod, MEMBERS / options.memberPeriod);
  } else {
    std::printf("  the members push and read as fast as the server answers\n");
  }
  long failures = 0;
  for (auto& [route, tally] : all) {
    std::sort(tally.micros.begin(), tally.micros.end());
    failures += tally.failures;
    std::printf("  %-21s %8zu requests, %ld failed   p50 %7.2f ms   p99 %7.2f ms\n", route.c_str(),
                tally.micros.size(), tally.failures, percentile(tally.micros, 0.50) / 1000,
                percentile(tally.micros, 0.99) / 1000);
  }
  std::printf("  vigil rewards of %s: %s (%ld reads wrong)\n", seeded.closedSlot.c_str(),
              wrongRewards == 0 ? "each paid once, as held" : "WRONG", wrongRewards.load());
  return failures == 0 && wrongRewards == 0 ? 0 : 1;
}

}  // namespace talewick::bench
