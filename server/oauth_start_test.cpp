#include "server/oauth_start.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include "support/digest.hpp"

namespace talewick::server {
namespace {

// The query parameters of `url`, decoded.
std::multimap<std::string, std::string> queryOf(const std::string& url) {
  httplib::Params parameters;
  httplib::detail::parse_query_text(url.substr(url.find('?') + 1), parameters);
  return {parameters.begin(), parameters.end()};
}

std::string only(const std::multimap<std::string, std::string>& query, const std::string& name) {
  EXPECT_EQ(query.count(name), 1u) << name;
  const auto found = query.find(name);
  return found == query.end() ? "" : found->second;
}

Config configured() {
  Config config;
  config.publicBaseURL = "https://talewick.example.org";
  config.providers["google-calendar"] = {"https://accounts.example/auth?hl=fr",
                                         "https://accounts.example/token",
                                         "client 1",
                                         "secret",
                                         {"openid", "https://example/calendar"},
                                         "",
                                         ""};
  config.providers["todoist"] = {"https://todoist.example/authorize",
                                 "https://todoist.example/token",
                                 "td",
                                 "secret",
                                 {"data:read", "task:add"},
                                 "",
                                 ""};
  return config;
}

TEST(StartAuthorization, asksForACodeBoundToTheStoredStateAndVerifier) {
  const Config config = configured();
  const AuthorizationStart start =
      startAuthorization(config, *findProvider("google-calendar"), "u1", 1234);

  EXPECT_EQ(start.state.userId, "u1");
  EXPECT_EQ(start.state.provider, "google-calendar");
  EXPECT_EQ(start.state.createdAt, 1234);
  EXPECT_GE(start.state.codeVerifier.size(), 43u);  // PKCE's shortest verifier
  EXPECT_GE(start.state.state.size(), 32u);

  // The provider's own parameters are kept, the others follow them.
  ASSERT_TRUE(start.authorizationUrl.starts_with("https://accounts.example/auth?hl=fr&"))
      << start.authorizationUrl;
  const auto query = queryOf(start.authorizationUrl);
  EXPECT_EQ(only(query, "hl"), "fr");
  EXPECT_EQ(only(query, "response_type"), "code");
  EXPECT_EQ(only(query, "client_id"), "client 1");
  EXPECT_EQ(only(query, "redirect_uri"),
            "https://talewick.example.org/api/google-calendar/oauth/callback");
  EXPECT_EQ(only(query, "scope"), "openid https://example/calendar");
  EXPECT_EQ(only(query, "state"), start.state.state);
  EXPECT_EQ(only(query, "code_challenge"), digest::pkceChallenge(start.state.codeVerifier));
  EXPECT_EQ(only(query, "code_challenge_method"), "S256");
  // Without these Google hands out no refresh token.
  EXPECT_EQ(only(query, "access_type"), "offline");
  EXPECT_EQ(only(query, "prompt"), "consent");
  // The secret stays on the server.
  EXPECT_EQ(start.authorizationUrl.find("secret"), std::string::npos);
}

TEST(StartAuthorization, joinsScopesAsTheProviderWantsAndNeverReusesAState) {
  const Config config = configured();
  const Provider& todoist = *findProvider("todoist");
  const AuthorizationStart first = startAuthorization(config, todoist, "u1", 1);
  const AuthorizationStart second = startAuthorization(config, todoist, "u1", 1);
  EXPECT_EQ(only(queryOf(first.authorizationUrl), "scope"), "data:read,task:add");
  EXPECT_NE(first.state.state, second.state.state);
  EXPECT_NE(first.state.codeVerifier, second.state.codeVerifier);
}

}  // namespace
}  // namespace talewick::server
