#include "server/config.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "server/providers.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;

const std::string kSecret(64, 'a');
const std::string kKey(64, 'B');

// A minimal valid configuration, changed by `edit`.
std::string configWith(const std::function<void(json&)>& edit = {}) {
  json document = {
      {"database", "sqlite:/srv/talewick.db"}, {"signupSecret", kSecret}, {"tokenKey", kKey}};
  if (edit) edit(document);
  return document.dump();
}

TEST(ServerConfig, takesDefaultsForWhatIsAbsent) {
  const Config config = parseConfig(configWith());
  EXPECT_EQ(config.listen, (ListenAddress{"127.0.0.1", 8787}));
  EXPECT_EQ(config.database.engine, DatabaseLocation::Engine::sqlite);
  EXPECT_EQ(config.database.sqlitePath(), "/srv/talewick.db");
  EXPECT_EQ(config.publicBaseURL, "");
  EXPECT_EQ(config.smtp, SmtpSettings{});
  ASSERT_EQ(config.providers.size(), allProviders().size());
  for (const Provider& provider : allProviders()) {
    EXPECT_EQ(config.providerSettings(provider.segment), ProviderSettings{}) << provider.segment;
  }
}

TEST(ServerConfig, readsBackWhatItWrites) {
  Config config = freshConfig("/srv/talewick/config.json");
  config.publicBaseURL = "https://talewick.example.org";
  config.listen = {"::1", 9000};
  config.smtp = {"smtp.example.org",
                 465,
                 "robot",
                 "pass\"word",
                 "Talewick <robot@example.org>",
                 "mail.example.org",
                 SmtpSecurity::tls};
  config.providers["notion"] = {"https://notion.example/authorize",
                                "https://notion.example/token",
                                "client",
                                "secret",
                                {},
                                "https://notion-proxy.example/",
                                ""};
  config.providers["linear"].uploadsBaseURL = "http://127.0.0.1:9001";
  config.providers["google-calendar"].scopes = {"openid", "calendar.events"};
  const std::string text = configText(config);
  EXPECT_EQ(parseConfig(text), config);
  EXPECT_EQ(configText(parseConfig(text)), text);
  EXPECT_NE(text.find("\"listen\": \"[::1]:9000\""), std::string::npos);
}

TEST(ServerConfig, freshConfigsHoldTheirOwnSecretsAndADatabaseBesideThem) {
  const Config first = freshConfig("/srv/talewick/config.json");
  const Config second = freshConfig("/srv/talewick/config.json");
  for (const Config& config : {first, second}) {
    EXPECT_EQ(config.signupSecret.size(), 64u);
    EXPECT_EQ(config.signupSecret.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(config.tokenKey.size(), 64u);
    EXPECT_NE(config.signupSecret, config.tokenKey);
    EXPECT_EQ(config.database.url, "sqlite:/srv/talewick/talewick.db");
  }
  EXPECT_NE(first.signupSecret, second.signupSecret);
  EXPECT_NE(first.tokenKey, second.tokenKey);
  // The file the secrets go to must be usable as it is.
  EXPECT_EQ(parseConfig(configText(first)), first);
}

TEST(ServerConfig, aNewFileIsPrivateAndNeverReplacesAnother) {
  testing::TempFolder folder{"server-config"};
  const std::filesystem::path path = folder / "deep/config.json";
  const Config config = freshConfig(path);
  writeNewConfig(path, config);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(loadConfig(path), config);

  const std::string before = folder.read("deep/config.json");
  EXPECT_THROW(writeNewConfig(path, freshConfig(path)), ConfigError);
  EXPECT_EQ(folder.read("deep/config.json"), before);
  // No temporary is left behind by the refused write.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "deep"),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(ServerConfig, recognisesPostgresqlUrls) {
  for (const std::string url : {"postgresql://talewick@db/talewick", "postgres://db/talewick"}) {
    const Config config = parseConfig(configWith([&](json& d) { d["database"] = url; }));
    EXPECT_EQ(config.database.engine, DatabaseLocation::Engine::postgresql);
    EXPECT_EQ(config.database.url, url);
  }
}

TEST(ServerConfig, refusesDamagedConfigsWithOneLineNamingTheKey) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"database\": ", "not valid JSON"},
      {"[]", "must be an object"},
      {configWith([](json& d) { d.erase("signupSecret"); }), "\"signupSecret\""},
      {configWith([](json& d) { d.erase("database"); }), "\"database\""},
      {configWith([](json& d) { d["signupSecret"] = std::string(64, 'A'); }), "\"signupSecret\""},
      {configWith([](json& d) { d["tokenKey"] = std::string(63, 'a'); }), "\"tokenKey\""},
      {configWith([](json& d) { d["tokenKey"] = std::string(64, 'g'); }), "\"tokenKey\""},
      {configWith([](json& d) { d["database"] = "mysql://db"; }), "\"database\""},
      {configWith([](json& d) { d["database"] = "sqlite:"; }), "\"database\""},
      {configWith([](json& d) { d["listen"] = "8787"; }), "\"listen\""},
      {configWith([](json& d) { d["listen"] = 8787; }), "\"listen\""},
      {configWith([](json& d) { d["publicBaseURL"] = "ftp://example.org"; }), "\"publicBaseURL\""},
      {configWith([](json& d) { d["databse"] = "sqlite:/x.db"; }), "\"databse\""},
      {configWith([](json& d) {
         d["smtp"] = {{"port", 70000}};
       }),
       "\"smtp.port\""},
      {configWith([](json& d) {
         d["smtp"] = {{"port", "25"}};
       }),
       "\"smtp.port\""},
      {configWith([](json& d) {
         d["smtp"] = {{"security", "ssl"}};
       }),
       "\"smtp.security\""},
      {configWith([](json& d) {
         d["smtp"] = {{"mailDomain", "rsvp@example.org"}};
       }),
       "\"smtp.mailDomain\""},
      {configWith([](json& d) {
         d["providers"] = {{"github", json::object()}};
       }),
       "\"providers.github\""},
      {configWith([](json& d) {
         d["providers"] = {{"asana", {{"scopes", "default"}}}};
       }),
       "\"providers.asana.scopes\""},
      {configWith([](json& d) {
         d["providers"] = {{"linear", {{"clientId", "x"}}}};
       }),
       "\"providers.linear.clientId\""},
      {configWith([](json& d) {
         d["providers"] = {{"todoist", {{"tokenURL", "todoist.com"}}}};
       }),
       "\"providers.todoist.tokenURL\""},
      {configWith([](json& d) {
         d["providers"] = {{"notion", {{"apiBaseURL", "api.notion.com"}}}};
       }),
       "\"providers.notion.apiBaseURL\""},
  };
  for (const auto& [text, named] : cases) {
    try {
      parseConfig(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const ConfigError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(named), std::string::npos) << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
  }
}

TEST(ServerConfig, aFileThatCannotBeReadIsNamed) {
  testing::TempFolder folder{"server-config"};
  try {
    loadConfig(folder / "absent.json");
    ADD_FAILURE() << "loaded an absent file";
  } catch (const ConfigError& e) {
    EXPECT_NE(std::string(e.what()).find("absent.json"), std::string::npos) << e.what();
  }
  folder.write("damaged.json", "{\"listen\": \"127.0.0.1:8787\",");
  try {
    loadConfig(folder / "damaged.json");
    ADD_FAILURE() << "loaded a damaged file";
  } catch (const ConfigError& e) {
    EXPECT_NE(std::string(e.what()).find("damaged.json: not valid JSON"), std::string::npos)
        << e.what();
  }
}

TEST(ServerListenAddress, readsHostsAndPorts) {
  EXPECT_EQ(ListenAddress::parse("0.0.0.0:80"), (ListenAddress{"0.0.0.0", 80}));
  EXPECT_EQ(ListenAddress::parse("localhost:0"), (ListenAddress{"localhost", 0}));
  EXPECT_EQ(ListenAddress::parse("[::1]:8787"), (ListenAddress{"::1", 8787}));
  EXPECT_EQ((ListenAddress{"::1", 8787}.text()), "[::1]:8787");
  for (const char* wrong :
       {"8787", ":8787", "host:", "host:65536", "host:-1", "host:80x", "::1:80", "[]:80"}) {
    EXPECT_EQ(ListenAddress::parse(wrong), std::nullopt) << wrong;
  }
}

TEST(ServerConfig, providerCallsGoToThePublicApiUnlessTheConfigurationSaysOtherwise) {
  const Provider& todoist = *findProvider("todoist");
  EXPECT_EQ(apiBaseURL(ProviderSettings{}, todoist), "https://api.todoist.com");
  ProviderSettings settings;
  settings.apiBaseURL = "http://127.0.0.1:9000/todoist/";
  EXPECT_EQ(apiBaseURL(settings, todoist), "http://127.0.0.1:9000/todoist");
  for (const Provider& provider : allProviders()) {
    EXPECT_TRUE(provider.defaultApiBaseURL.starts_with("https://")) << provider.segment;
  }
}

}  // namespace
}  // namespace talewick::server
