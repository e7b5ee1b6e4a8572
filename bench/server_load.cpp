// Load on talewick-server over loopback: concurrent clients, each on one kept-alive connection,
// registering new users, reading their connections' status, and on a booking page of their own
// showing the page and booking its slots as visitors do, for a bounded time. The server is
// the one built beside this program, started on a fresh database of the chosen engine (a
// PostgreSQL cluster of its own for "postgresql") and stopped at the end.
//
//   server_load [--engine sqlite|postgresql] [--clients N] [--seconds S] [--server PATH]
//   server_load --together [--engine sqlite|postgresql] [--seconds S] [--server PATH]
//               [--member-period S]
//
// Prints requests a second, latency percentiles per kind of request, and the server's resident
// memory at rest (after start) and after the load. With --together, the load is the guild's and
// the vigil's instead (together_load.cpp; 20 s unless --seconds says otherwise).
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/postgres_cluster.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/temp_folder.hpp"
#include "together_load.hpp"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string engine = "sqlite";
  int clients = 8;
  std::optional<int> seconds;  // 10 for the accounts' load, 20 for playing together
  std::string server;
  bool together = false;
  int memberPeriod = 5;  // playing together: seconds between a member's pushes
};

// One kind of request: how long each took (microseconds), and how many failed and why.
struct Tally {
  std::vector<double> micros;
  long failures = 0;
  std::map<std::string, long> reasons;  // "HTTP 409", or the client's error
  void fail(const httplib::Result& result) {
    ++failures;
    ++reasons[result ? "HTTP " + std::to_string(result->status)
                     : httplib::to_string(result.error())];
  }
  // Counts `result` as a failure unless it is a 200.
  void judge(const httplib::Result& result) {
    if (!result || result->status != 200) fail(result);
  }
  void add(const Tally& other) {
    micros.insert(micros.end(), other.micros.begin(), other.micros.end());
    failures += other.failures;
    for (const auto& [reason, count] : other.reasons) reasons[reason] += count;
  }
};

struct ClientTallies {
  Tally registering, status, page, booking;
};

// An opening as people publish one: two weeks of free half hours, every half hour from a day
// ahead (a client that books them all goes on with the other requests).
constexpr int OPENING_SLOTS = 300;

const std::vector<std::string> PROVIDERS = {"asana",     "google-calendar", "linear",
                                            "microsoft", "notion",          "todoist"};

std::optional<Options> parseOptions(int argc, char** argv) {
  Options options;
  std::filesystem::path self = std::filesystem::absolute(argv[0]);
  options.server = (self.parent_path().parent_path() / "talewick-server").string();
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    const bool hasValue = i + 1 < argc;
    if (word == "--engine" && hasValue) {
      options.engine = argv[++i];
    } else if (word == "--clients" && hasValue) {
      options.clients = std::atoi(argv[++i]);
    } else if (word == "--seconds" && hasValue) {
      options.seconds = std::atoi(argv[++i]);
    } else if (word == "--together") {
      options.together = true;
    } else if (word == "--member-period" && hasValue) {
      options.memberPeriod = std::atoi(argv[++i]);
    } else if (word == "--server" && hasValue) {
      options.server = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  const bool known = options.engine == "sqlite" || options.engine == "postgresql";
  if (!known || options.clients < 1 || options.clients > 64 ||
      (options.seconds && (*options.seconds < 1 || *options.seconds > 300)) ||
      options.memberPeriod < 0 || options.memberPeriod > 60) {
    return std::nullopt;
  }
  return options;
}

// The process's resident memory in MiB, from /proc.
double residentMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return -1;
}

// A new user's key, or "" when the server refused.
std::string registerUser(httplib::Client& client, const std::string& secret) {
  const httplib::Result result =
      client.Post("/api/register", {{"x-signup-secret", secret}}, "", "application/json");
  if (!result || result->status != 200) return "";
  const nlohmann::json body = nlohmann::json::parse(result->body, nullptr, false);
  return body.is_object() ? body.value("apiKey", "") : "";
}

// The page address ("/b/…") of an opening of OPENING_SLOTS slots published with `auth`, and its
// slots; nullopt when refused.
std::optional<std::pair<std::string, std::vector<std::string>>> publishOpening(
    httplib::Client& client, const httplib::Headers& auth) {
  std::vector<std::string> slots;
  const auto first = std::chrono::floor<std::chrono::hours>(std::chrono::system_clock::now()) +
                     std::chrono::hours(24);
  for (int i = 0; i < OPENING_SLOTS; ++i) {
    const std::time_t at =
        std::chrono::system_clock::to_time_t(first + std::chrono::minutes(30 * i));
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&at));
    slots.emplace_back(text);
  }
  const nlohmann::json body = {{"title", "Café"},
                               {"durationMin", 30},
                               {"approval", "auto"},
                               {"conference", ""},
                               {"slots", slots}};
  const httplib::Result result =
      client.Post("/api/openings", auth, body.dump(), "application/json");
  if (!result || result->status != 200) return std::nullopt;
  const nlohmann::json answer = nlohmann::json::parse(result->body, nullptr, false);
  if (!answer.is_object() || !answer.contains("url")) return std::nullopt;
  const std::string url = answer["url"];
  const std::size_t page = url.find("/b/");
  if (page == std::string::npos) return std::nullopt;
  return std::make_pair(url.substr(page), std::move(slots));
}

// Runs one client until `deadline`: of twenty requests one registers a user, two show the
// client's booking page, one books its next free slot as a visitor, the others read the status
// of one of the providers with the client's own key.
ClientTallies runClient(const std::string& url, const std::string& secret,
                        Clock::time_point deadline, int seed) {
  ClientTallies tallies;
  httplib::Client client(url);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);  // as libcurl does
  const std::string key = registerUser(client, secret);
  if (key.empty()) {
    ++tallies.registering.failures;
    return tallies;
  }
  const httplib::Headers auth = {{"authorization", "Bearer " + key}};
  const auto opening = publishOpening(client, auth);
  if (!opening) {
    ++tallies.booking.failures;
    return tallies;
  }
  std::size_t nextSlot = 0;
  for (long i = seed; Clock::now() < deadline; ++i) {
    const Clock::time_point start = Clock::now();
    const auto took = [&] {
      return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    };
    if (i % 20 == 1 || i % 20 == 11) {
      const httplib::Result result = client.Get(opening->first);
      tallies.page.micros.push_back(took());
      tallies.page.judge(result);
    } else if (i % 20 == 5 && nextSlot < opening->second.size()) {
      const httplib::Result result =
          client.Post(opening->first, httplib::Params{{"slot", opening->second[nextSlot++]},
                                                      {"name", "Zoë"},
                                                      {"email", "zoe@example.org"}});
      tallies.booking.micros.push_back(took());
      tallies.booking.judge(result);
    } else if (i % 20 == 0) {
      const bool ok = !registerUser(client, secret).empty();
      const std::chrono::duration<double, std::micro> took = Clock::now() - start;
      tallies.registering.micros.push_back(took.count());
      if (!ok) ++tallies.registering.failures;
    } else {
      const std::string& provider = PROVIDERS[static_cast<std::size_t>(i) % PROVIDERS.size()];
      const httplib::Result result = client.Get("/api/" + provider + "/connections", auth);
      const std::chrono::duration<double, std::micro> took = Clock::now() - start;
      tallies.status.micros.push_back(took.count());
      tallies.status.judge(result);
    }
  }
  return tallies;
}

double percentile(std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
  return sorted[index];
}

void report(const char* name, Tally& tally) {
  std::sort(tally.micros.begin(), tally.micros.end());
  std::printf("  %-10s %8zu requests, %ld failed   p50 %7.2f ms   p99 %7.2f ms   max %7.2f ms\n",
              name, tally.micros.size(), tally.failures, percentile(tally.micros, 0.50) / 1000,
              percentile(tally.micros, 0.99) / 1000,
              tally.micros.empty() ? 0.0 : tally.micros.back() / 1000);
  for (const auto& [reason, count] : tally.reasons) {
    std::printf("             %ld failed: %s\n", count, reason.c_str());
  }
}

int run(const Options& options) {
  talewick::testing::TempFolder folder("server-load");
  std::optional<talewick::testing::PostgresCluster> cluster;
  std::string database;
  if (options.engine == "postgresql") {
    cluster.emplace();
    database = cluster->newDatabase();
  }
  const talewick::testing::ServerProcess server(options.server, folder.path(),
                                                [&](nlohmann::json& config) {
                                                  if (!database.empty())
                                                    config["database"] = database;
                                                });
  {
    httplib::Client warm(server.url());
    warm.Get("/health");
  }
  const double restMiB = residentMiB(server.pid());

  const Clock::time_point begin = Clock::now();
  const Clock::time_point deadline = begin + std::chrono::seconds(options.seconds.value_or(10));
  std::vector<ClientTallies> perClient(static_cast<std::size_t>(options.clients));
  std::vector<std::thread> threads;
  for (int c = 0; c < options.clients; ++c) {
    threads.emplace_back([&, c] {
      perClient[static_cast<std::size_t>(c)] =
          runClient(server.url(), server.signupSecret(), deadline, c * 7);
    });
  }
  for (std::thread& thread : threads) thread.join();
  const std::chrono::duration<double> elapsed = Clock::now() - begin;

  Tally registering, status, page, booking, all;
  for (const ClientTallies& tallies : perClient) {
    registering.add(tallies.registering);
    status.add(tallies.status);
    page.add(tallies.page);
    booking.add(tallies.booking);
  }
  for (const Tally* kind : {&registering, &status, &page, &booking}) all.add(*kind);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // let the server settle before reading

  std::printf("talewick-server on %s, %d clients, %.1f s\n", options.engine.c_str(),
              options.clients, elapsed.count());
  std::printf("  %.0f requests a second\n",
              static_cast<double>(all.micros.size()) / elapsed.count());
  report("register", registering);
  report("status", status);
  report("page", page);
  report("booking", booking);
  report("all", all);
  std::printf("  server memory: %.1f MiB at rest, %.1f MiB after the load\n", restMiB,
              residentMiB(server.pid()));
  return all.failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = parseOptions(argc, argv);
  if (!options) {
    std::cerr << "usage: server_load [--engine sqlite|postgresql] [--clients 1..64] "
                 "[--seconds 1..300] [--server PATH] [--together [--member-period 0..60]]\n";
    return 2;
  }
  try {
    if (options->together) {
      return talewick::bench::runTogetherLoad(
          {options->engine, options->server, options->seconds.value_or(20), options->memberPeriod});
    }
    return run(*options);
  } catch (const std::exception& error) {
    std::cerr << "server_load: " << error.what() << "\n";
    return 1;
  }
}
