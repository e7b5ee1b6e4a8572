// What the connected services may send: every body a test's client sent to the fake backend is a
// JSON object holding only the keys of its call, and none of the user's own texts (calendar
// titles, places, attendees, notes, pledged tasks). Every service test calls it at teardown.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/json.hpp"
#include "tests/support/fake_backend.hpp"
#include "together/guild_contribution.hpp"
#include "together/world_boss_contribution.hpp"

namespace talewick::testing {

// The keys each call may carry; `identityShared`: whether the guild push may carry
// "identityKeys".
inline std::map<std::string, std::set<std::string>> allowedBodyKeys(bool identityShared) {
  std::set<std::string> guildStats(GuildContribution::allowedNetworkPayloadKeys.begin(),
                                   GuildContribution::allowedNetworkPayloadKeys.end());
  if (!identityShared) guildStats.erase("identityKeys");
  return {
      {"POST /api/guilds/join", {"email"}},
      {"POST /api/guilds/verify", {"email", "code"}},
      {"PATCH /api/guilds/name", {"name"}},
      {"POST /api/guilds/stats", guildStats},
      {"POST /api/worldboss/enlist", {"heroName", "avatar", "vocation"}},
      {"POST /api/worldboss/stats",
       {WorldBossContribution::allowedNetworkPayloadKeys.begin(),
        WorldBossContribution::allowedNetworkPayloadKeys.end()}},
      {"POST /api/vigil/join", {"slot", "pledged"}},
      {"POST /api/vigil/beat", {"slot"}},
      {"POST /api/vigil/done", {"slot", "done"}},
      {"POST /api/vigil/cry", {"slot", "key"}},
  };
}

// The default private texts a test's world holds; a test adds its own.
inline std::vector<std::string> calendarTexts() {
  return {"Réunion budget", "Salle Everest", "alice@client.example", "Apporter le contrat"};
}

inline void expectOnlyAllowedBodies(const FakeBackend& backend, bool identityShared,
                                    const std::vector<std::string>& privateTexts) {
  const auto allowed = allowedBodyKeys(identityShared);
  for (const FakeBackend::Received& r : backend.received()) {
    const std::string call = r.method + " " + r.path;
    for (const std::string& text : privateTexts) {
      EXPECT_EQ(r.body.find(text), std::string::npos) << call << " leaks \"" << text << "\"";
    }
    if (r.body.empty()) continue;
    const auto keys = allowed.find(call);
    if (keys == allowed.end()) {
      ADD_FAILURE() << call << " sends a body no call of the services has: " << r.body;
      continue;
    }
    const Json body = Json::parse(r.body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << call << ": " << r.body;
    for (const auto& [key, value] : body.items()) {
      EXPECT_TRUE(keys->second.count(key)) << call << " sends the key \"" << key << "\"";
    }
  }
}

}  // namespace talewick::testing
