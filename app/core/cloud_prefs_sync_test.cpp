// Mirroring the shared preferences between this machine and the cloud store.
#include "core/cloud_prefs_sync.hpp"

#include <gtest/gtest.h>

#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_cloud_store.hpp"

namespace talewick {
namespace {

using testing::MemoryCloudStore;
using testing::MemoryPreferences;

TEST(SharedPrefKeys, MirrorsTheFixedListInOrder) {
  const auto keys = SharedPrefKeys::synced();
  ASSERT_EQ(keys.size(), 9u);
  EXPECT_EQ(keys.front(), "timeTravel.enabled");
  EXPECT_EQ(keys[5], "appearance.mode");
  EXPECT_EQ(keys.back(), "calendar.titleMode");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), TimeTravelKeys::legacyTZ), 0);
}

TEST(CloudPrefsSync, StartTakesTheCloudsValuesThenSendsTheRest) {
  MemoryPreferences prefs;
  MemoryCloudStore cloud;
  asio::io_context main;
  prefs.set("appearance.mode", "dark");
  prefs.set("calendar.titleMode", "epic");
  prefs.set("rpg_mode", "comic");  // not mirrored
  cloud.setData("calendar.titleMode", "\"both\"");
  cloud.setData("household.kids", "not json");
  CloudPrefsSync sync(prefs, cloud, main);
  const auto round = sync.start(SharedPrefKeys::synced());
  EXPECT_EQ(round.pulled, std::vector<std::string>{"calendar.titleMode"});
  EXPECT_EQ(prefs.string("calendar.titleMode"), "both");
  EXPECT_EQ(cloud.data("appearance.mode"), "\"dark\"");
  EXPECT_FALSE(cloud.data("rpg_mode"));
  // The cloud's unreadable value is local-absent: it is removed, not copied.
  EXPECT_FALSE(cloud.data("household.kids"));
  EXPECT_EQ(round.pushed, (std::vector<std::string>{"appearance.mode", "household.kids"}));
  EXPECT_TRUE(sync.start(SharedPrefKeys::synced()).pulled.empty());  // once only
}

TEST(CloudPrefsSync, ARemoteChangeIsAppliedOnceAndNotEchoed) {
  MemoryPreferences prefs;
  MemoryCloudStore cloud;
  asio::io_context main;
  CloudPrefsSync sync(prefs, cloud, main);
  sync.start(SharedPrefKeys::synced());
  int announced = 0;
  sync.observeRemoteChange([&] { ++announced; });
  const int writesBefore = cloud.writes();

  cloud.writeFromElsewhere("appearance.mode", "\"light\"");
  cloud.writeFromElsewhere("unrelated.key", "1");
  EXPECT_EQ(prefs.string("appearance.mode"), "light");
  EXPECT_EQ(announced, 0);  // posted, not called inline
  main.poll();
  EXPECT_EQ(announced, 1);
  EXPECT_EQ(cloud.writes(), writesBefore);
}

TEST(CloudPrefsSync, LocalChangesAndRemovalsReachTheCloud) {
  MemoryPreferences prefs;
  MemoryCloudStore cloud;
  asio::io_context main;
  CloudPrefsSync sync(prefs, cloud, main);
  sync.start(SharedPrefKeys::synced());
  prefs.set("timeTravel.zones", Json::array({"Europe/Paris", "Asia/Tokyo"}));
  EXPECT_EQ(cloud.data("timeTravel.zones"), R"(["Europe/Paris","Asia/Tokyo"])");
  prefs.remove("timeTravel.zones");
  EXPECT_FALSE(cloud.data("timeTravel.zones"));
}

}  // namespace
}  // namespace talewick
