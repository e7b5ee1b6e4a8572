// The built talewick-server, run as its service manager would run it.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "server/config.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;

testing::ProcessResult runServer(const std::vector<std::string>& arguments,
                                 const std::filesystem::path& scratch) {
  std::vector<std::string> argv = {TALEWICK_SERVER_BINARY};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return testing::runProcess(argv, {}, scratch / "runs");
}

TEST(ServerProgram, initWritesAPrivateConfigOnceAndServeUsesIt) {
  testing::TempFolder folder{"server-program"};
  const std::filesystem::path config = folder / "server/config.json";
  const testing::ProcessResult init = runServer({"init", config.string()}, folder.path());
  ASSERT_EQ(init.status, 0) << init.err;
  struct stat info {};
  ASSERT_EQ(::stat(config.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const Config written = loadConfig(config);
  EXPECT_EQ(written.database.sqlitePath(), folder / "server/talewick.db");

  const std::string before = folder.read("server/config.json");
  const testing::ProcessResult again = runServer({"init", config.string()}, folder.path());
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(std::count(again.err.begin(), again.err.end(), '\n'), 1) << again.err;
  EXPECT_EQ(folder.read("server/config.json"), before);
}

TEST(ServerProgram, refusesADamagedConfigInOneCleanLine) {
  testing::TempFolder folder{"server-program"};
  // A misspelt key holding an escape sequence: the message names it without the escape.
  const std::filesystem::path damaged =
      folder.write("damaged.json", "{\"database\": \"sqlite:/x.db\", \"\x1b[31mkey\": 1}");
  const testing::ProcessResult result =
      runServer({"serve", "--config", damaged.string()}, folder.path());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_NE(result.err.find("damaged.json"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;

  // A PostgreSQL database is understood, and refused for now.
  Config postgres = freshConfig(folder / "pg.json");
  postgres.database = *DatabaseLocation::parse("postgresql://talewick@localhost/talewick");
  writeNewConfig(folder / "pg.json", postgres);
  const testing::ProcessResult refused =
      runServer({"serve", "--config", (folder / "pg.json").string()}, folder.path());
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("PostgreSQL"), std::string::npos) << refused.err;

  // Bad usage.
  EXPECT_EQ(runServer({"serve"}, folder.path()).status, 2);
  EXPECT_EQ(runServer({"serve", "--config", (folder / "pg.json").string(), "--listen", "nowhere"},
                      folder.path())
                .status,
            2);
}

TEST(ServerProgram, servesOnLoopbackUntilSigtermThenExitsCleanly) {
  testing::TempFolder folder{"server-program"};
  const std::filesystem::path config = folder / "config.json";
  writeNewConfig(config, freshConfig(config));
  const Config settings = loadConfig(config);

  testing::LoggingProcess server(
      {TALEWICK_SERVER_BINARY, "serve", "--config", config.string(), "--listen", "127.0.0.1:0"});
  std::optional<std::string> line = server.nextLine();
  ASSERT_TRUE(line.has_value());
  const json listening = json::parse(*line, nullptr, false);
  ASSERT_EQ(listening.value("message", ""), "listening") << *line;
  const std::optional<ListenAddress> address = ListenAddress::parse(listening.value("address", ""));
  ASSERT_TRUE(address.has_value()) << *line;
  EXPECT_EQ(address->host, "127.0.0.1");
  EXPECT_GT(address->port, 0);

  httplib::Client client(address->host, address->port);
  const httplib::Result health = client.Get("/health");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  EXPECT_EQ(json::parse(health->body, nullptr, false), (json{{"status", "ok"}}));
  const httplib::Result registration =
      client.Post("/api/register", {{"x-signup-secret", settings.signupSecret}}, "", "");
  ASSERT_TRUE(registration);
  ASSERT_EQ(registration->status, 200);
  const std::string apiKey = json::parse(registration->body).value("apiKey", "");

  EXPECT_EQ(server.stopWith(SIGTERM), 0);
  std::vector<json> lines;
  while ((line = server.nextLine())) {
    EXPECT_EQ(line->find(apiKey), std::string::npos);
    EXPECT_EQ(line->find(settings.signupSecret), std::string::npos);
    lines.push_back(json::parse(*line, nullptr, false));
    EXPECT_TRUE(lines.back().is_object()) << *line;
  }
  // A request's line is written once it is answered, which may come after the signal's.
  ASSERT_EQ(lines.size(), 4u);
  std::multiset<std::string> seen;
  for (const json& logged : lines)
    seen.insert(logged.value("message", "") + " " + logged.value("path", ""));
  EXPECT_EQ(seen, (std::multiset<std::string>{"request /health", "request /api/register",
                                              "stopping ", "stopped "}));
  EXPECT_EQ(lines.back().value("message", ""), "stopped");
}

}  // namespace
}  // namespace talewick::server
