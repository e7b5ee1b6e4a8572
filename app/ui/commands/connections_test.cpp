// The connected providers as a user meets them on the command line, against the real backend:
// configuring it, listing the six, connecting, the browser's return, disconnecting.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class ConnectionsCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    // No browser may open during a test: xdg-open is nowhere on this PATH.
    const char* path = std::getenv("PATH");
    savedPath = path ? path : "";
    ::setenv("PATH", (home / "no-programs").c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", savedPath.c_str(), 1);
    testing::forgetCommandHome();
  }

  testing::TempFolder home{"connections-command"};
  std::string savedPath;
};

TEST_F(ConnectionsCommands, TheBackendIsSetOnceAndItsSettingsAreChecked) {
  testing::CliResult shown = testing::runCli({"backend"});
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("non configuré"), std::string::npos) << shown.out;

  // A bad address or secret changes nothing.
  EXPECT_EQ(testing::runCli({"backend", "ftp://example.org"}).status, 2);
  EXPECT_EQ(testing::runCli({"backend", "https://example.org", "--secret", "abc"}).status, 2);
  EXPECT_EQ(
      testing::runCli({"backend", "https://example.org", "--secret", std::string(64, 'g')}).status,
      2);
  EXPECT_EQ(testing::runCliJson({"backend"})["baseURL"], Json(nullptr));

  const std::string secret(64, 'A');
  const testing::CliResult set =
      testing::runCli({"backend", " https://example.org/talewick/ ", "--secret", secret});
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out.find(secret), std::string::npos) << "the secret is never shown";
  const Json settings = testing::runCliJson({"backend"});
  EXPECT_EQ(settings["baseURL"], "https://example.org/talewick/");
  EXPECT_EQ(settings["configured"], true);
  EXPECT_EQ(settings["signupSecret"], true);
  EXPECT_EQ(settings["registered"], false);
  // Kept lower-case, as the backend compares it.
  EXPECT_NE(home.read("keychain.json").find(std::string(64, 'a')), std::string::npos);
}

TEST_F(ConnectionsCommands, ListConnectDisconnectAndTheBrowsersReturn) {
  testing::ServerProcess server(
      testing::serverBeside(TALEWICK_BINARY), home / "server", [](nlohmann::json& c) {
        c["publicBaseURL"] = "https://talewick.example";
        c["providers"]["notion"] = {{"authorizationURL", "https://notion.example/oauth"},
                                    {"tokenURL", "https://notion.example/token"},
                                    {"clientID", "id"},
                                    {"clientSecret", "secret"}};
      });
  ASSERT_EQ(testing::runCli({"backend", server.url(), "--secret", server.signupSecret()}).status,
            0);

  const testing::CliResult listed = testing::runCli({"connections"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "Asana non connecté\nGoogle Calendar non connecté\nLinear non connecté\n"
            "Microsoft non connecté\nNotion non connecté\nTodoist non connecté\n");
  const Json list = testing::runCliJson({"connections"});
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[4]["provider"], "notion");
  EXPECT_EQ(list[4]["status"]["config"]["configured"], true);
  EXPECT_EQ(list[2]["status"], Json::array());
  EXPECT_EQ(testing::runCliJson({"backend"})["registered"], true);

  const testing::CliResult connect = testing::runCli({"connect", "Notion"});
  EXPECT_EQ(connect.status, 0) << connect.err;
  EXPECT_NE(connect.out.find("https://notion.example/oauth?"), std::string::npos) << connect.out;
  EXPECT_NE(connect.out.find("OAuth Notion ouvert via Backend Talewick."), std::string::npos);
  EXPECT_NE(connect.err.find("xdg-open"), std::string::npos) << connect.err;

  const testing::CliResult refused = testing::runCli({"connect", "asana"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Backend Asana impossible : Asana n'est pas configuré sur ce serveur"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(testing::runCli({"connect", "dropbox"}).status, 2);

  // The browser's return: the flag is set and the status fetched again.
  const testing::CliResult back =
      testing::runCli({"handle-url", "talewick://notion/backend/callback?connected=1"});
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, "Notion non connecté\n");  // this server finished no OAuth
  EXPECT_EQ(testing::runCliJson({"connections"})[4]["oauthConnected"], true);
  const testing::CliResult denied = testing::runCli(
      {"handle-url", "talewick://notion/backend/callback?error=L%27utilisateur+a+refus%C3%A9"});
  EXPECT_EQ(denied.status, 1);
  EXPECT_NE(denied.err.find("OAuth Notion refusé : L'utilisateur a refusé"), std::string::npos)
      << denied.err;
  const testing::CliResult unknown =
      testing::runCli({"handle-url", "talewick://evil/backend/callback?connected=1"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("talewick://evil"), std::string::npos) << unknown.err;

  const testing::CliResult gone = testing::runCli({"disconnect", "notion"});
  EXPECT_EQ(gone.status, 0) << gone.err;
  EXPECT_EQ(gone.out, "Notion déconnecté\n");
  EXPECT_EQ(testing::runCliJson({"connections"})[4]["oauthConnected"], false);
}

}  // namespace
}  // namespace talewick::ui
