#include "services/backend/oauth_callback.hpp"

#include <gtest/gtest.h>

#include "support/text.hpp"

namespace talewick::backend {
namespace {

TEST(OAuthCallback, ReadsTheProviderAndTheOutcome) {
  const OAuthCallback connected =
      parseOAuthCallback("talewick://todoist/backend/callback?connected=1");
  EXPECT_EQ(connected.provider, "todoist");
  EXPECT_TRUE(connected.connected);

  const OAuthCallback refused = parseOAuthCallback(
      "TALEWICK://Google-Calendar/backend/callback?state=x&error=Acc%C3%A8s+refus%C3%A9%20par%");
  EXPECT_EQ(refused.provider, "google-calendar");
  EXPECT_FALSE(refused.connected);
  EXPECT_EQ(refused.error, "Accès refusé par%");

  // On doubt nothing is marked connected.
  EXPECT_FALSE(
      parseOAuthCallback("talewick://asana/backend/callback?connected=1&error=x").connected);
  EXPECT_EQ(parseOAuthCallback("talewick://asana/backend/callback?error=").error, "sans précision");
}

TEST(OAuthCallback, HostileTextNeverKeepsItsControlCharacters) {
  const OAuthCallback hostile = parseOAuthCallback(
      "talewick://notion/backend/callback?error=%1B%5B2J%1B%5D0%3Bpwned%07bad%0Anews%E2%80%AEtxt");
  EXPECT_FALSE(text::hasControlCharacters(hostile.error)) << hostile.error;
  EXPECT_NE(hostile.error.find("bad news"), std::string::npos) << hostile.error;
}

TEST(OAuthCallback, RefusesWhatItDoesNotHandleWithAClearMessage) {
  for (const char* url :
       {"talewick://dropbox/backend/callback?connected=1",
        "talewick://linear/oauth/callback?code=abc", "talewick://asana/backend/callback",
        "talewick://asana/backend/callback?connected=0",
        "https://asana/backend/callback?connected=1",
        "talewick://asana\x1b[31m/backend/callback?connected=1"}) {
    try {
      parseOAuthCallback(url);
      ADD_FAILURE() << url;
    } catch (const UnhandledURL& e) {
      EXPECT_NE(std::string(e.what()).find("talewick://"), std::string::npos) << e.what();
      EXPECT_FALSE(text::hasControlCharacters(e.what())) << e.what();
    }
  }
}

}  // namespace
}  // namespace talewick::backend
