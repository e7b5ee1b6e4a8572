// Calls of a provider's API through a session: the bearer token, the waits a 429 asks for, and
// the renewal of an expired or refused token, against a stand-in on loopback.
#include "server/provider_session.hpp"

#include <gtest/gtest.h>

#include "server/provider_fake_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::answerJson;
using testing::ConnectedUser;
using testing::FakeProvider;

// The token the stand-in accepts, and how many times it must still refuse with 429.
struct Gate {
  std::atomic<int> busyAnswers{0};
  std::string retryAfter = "2";
  std::string acceptedToken = "access-1";
};

FakeProvider::Routes echoRoutes(Gate& gate) {
  return [&gate](httplib::Server& server) {
    server.Get("/api/v1/ping", [&gate](const httplib::Request& request, httplib::Response& res) {
      if (gate.busyAnswers > 0) {
        --gate.busyAnswers;
        res.set_header("Retry-After", gate.retryAfter);
        return answerJson(res, {{"error", "Too many requests"}}, 429);
      }
      if (request.get_header_value("authorization") != "Bearer " + gate.acceptedToken) {
        return answerJson(res, {{"error", "Unauthorized"}}, 401);
      }
      answerJson(res, {{"pong", request.get_param_value("q")}});
    });
    server.Get("/api/v1/garbage", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html>oops</html>", "text/html");
    });
    server.Get("/api/v1/broken", [](const httplib::Request&, httplib::Response& res) {
      answerJson(res, {{"error", "Service <b>down</b>"}}, 503);
    });
  };
}

ProviderRequest ping() { return {"GET", "/api/v1/ping", {{"q", "a b&c"}}, std::nullopt, {}}; }

TEST(ProviderSession, sendsTheBearerTokenAndWaitsOutShortRateLimitsOnly) {
  Gate gate;
  FakeProvider fake(echoRoutes(gate));
  ConnectedUser user("todoist", fake);
  ProviderSession session = user.session();

  EXPECT_EQ(session.call(ping()), (json{{"pong", "a b&c"}}));
  ASSERT_EQ(fake.seen().size(), 1u);
  EXPECT_EQ(fake.seen()[0].authorization, "Bearer access-1");
  EXPECT_EQ(fake.seen()[0].param("q"), "a b&c");

  // Two short refusals are waited out, as long as the provider asks for.
  gate.busyAnswers = 2;
  EXPECT_EQ(session.call(ping()), (json{{"pong", "a b&c"}}));
  EXPECT_EQ(user.waits, (std::vector<int>{2, 2}));

  // A long one fails this call at once, with a message saying when to try again.
  gate.busyAnswers = 1;
  gate.retryAfter = "30";
  try {
    session.call(ping());
    FAIL() << "a 30 s Retry-After must not be waited for";
  } catch (const ProviderFailure& e) {
    EXPECT_STREQ(e.what(), "Todoist limite les appels : réessaie dans 30 s.");
  }
  EXPECT_EQ(user.waits.size(), 2u);
}

TEST(ProviderSession, refusalsAndGarbageBecomeFrenchMessages) {
  Gate gate;
  FakeProvider fake(echoRoutes(gate));
  ConnectedUser user("todoist", fake);
  ProviderSession session = user.session();
  const auto messageOf = [&session](const std::string& path) {
    try {
      session.call({"GET", path, {}, std::nullopt, {}});
    } catch (const ProviderFailure& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_EQ(messageOf("/api/v1/garbage"), "Todoist a répondu un document illisible.");
  EXPECT_EQ(messageOf("/api/v1/broken"), "Todoist a répondu HTTP 503 : Service <b>down</b>");
  // A next page on another origin would carry the token away.
  EXPECT_EQ(messageOf("http://127.0.0.2:9/api/v1/ping"),
            "Todoist a renvoyé vers une adresse étrangère.");
  EXPECT_TRUE(fake.seen("/api/v1/ping").empty());
}

TEST(ProviderSession, renewsAnExpiredTokenBeforeCallingAndSavesItSealed) {
  Gate gate;
  gate.acceptedToken = "access-2";
  FakeProvider fake(echoRoutes(gate));
  ConnectedUser user("todoist", fake, ConnectedUser::NOW - 1);
  ProviderSession session = user.session();

  EXPECT_EQ(session.call(ping()), (json{{"pong", "a b&c"}}));
  EXPECT_EQ(fake.renewals, 1);
  ASSERT_EQ(fake.seen().size(), 1u);  // the old token was never sent
  EXPECT_EQ(fake.seen()[0].authorization, "Bearer access-2");
  EXPECT_EQ(user.storedTokens(), (json{{"accessToken", "access-2"},
                                       {"refreshToken", "refresh-2"},
                                       {"expiresAt", ConnectedUser::NOW + 3600}}));
  // The renewed token serves the next calls without a renewal.
  session.call(ping());
  EXPECT_EQ(fake.renewals, 1);
}

TEST(ProviderSession, renewsOnceWhenTheProviderRefusesTheToken) {
  Gate gate;
  gate.acceptedToken = "access-2";
  FakeProvider fake(echoRoutes(gate));
  ConnectedUser user("todoist", fake);  // not expired by its date
  ProviderSession session = user.session();
  EXPECT_EQ(session.call(ping()), (json{{"pong", "a b&c"}}));
  EXPECT_EQ(fake.renewals, 1);
  ASSERT_EQ(fake.seen().size(), 2u);
  EXPECT_EQ(fake.seen()[1].authorization, "Bearer access-2");

  // A provider that refuses the renewed token too is not asked a third time.
  gate.acceptedToken = "nobody";
  EXPECT_THROW(session.call(ping()), ProviderUnauthorized);
  EXPECT_EQ(fake.renewals, 2);
  EXPECT_EQ(fake.seen().size(), 4u);
}

TEST(ProviderSession, aFailedRenewalOrDamagedTokensAskToReconnect) {
  Gate gate;
  FakeProvider fake(echoRoutes(gate));
  fake.refuseRenewal = true;
  ConnectedUser user("todoist", fake, ConnectedUser::NOW - 1);
  ProviderSession session = user.session();
  try {
    session.call(ping());
    FAIL() << "the renewal was refused";
  } catch (const ProviderFailure& e) {
    EXPECT_STREQ(e.what(),
                 "Le renouvellement de l'accès Todoist a échoué (HTTP 400) ; reconnecte Todoist "
                 "(talewick connect).");
  }
  EXPECT_TRUE(fake.seen().empty());
  EXPECT_EQ(user.storedTokens()["accessToken"], "access-1");

  ProviderConnection damaged = user.storage().connections(user.userId, "todoist").at(0);
  damaged.sealedTokens[10] = damaged.sealedTokens[10] == 'a' ? 'b' : 'a';
  EXPECT_THROW(ProviderSession(user.context(), *findProvider("todoist"), user.userId, damaged),
               ProviderFailure);
}

}  // namespace
}  // namespace talewick::server
