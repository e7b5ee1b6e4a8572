// The vigil's and the world boss's storage on both engines.
#include "server/vigil_storage.hpp"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "server/storage_engines_testing.hpp"
#include "server/world_boss_storage.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server::vigils {
namespace {

const std::string kSlot = "2026-12-07T12:30Z";

class VigilStorage : public ::testing::TestWithParam<testing::Engine> {
 protected:
  std::string raider(const std::string& name) {
    const std::string id = "r-" + name;
    raiders::enlist(*storage_, raiders::Raider{id, name, std::nullopt, "mage", 0, ++clock_},
                    "key-" + name);
    return id;
  }

  std::int64_t clock_ = 0;
  talewick::testing::TempFolder folder_{"vigil-storage"};
  std::string url_ = testing::newDatabaseUrl(GetParam(), folder_.path());
  std::unique_ptr<Storage> storage_ = openStorage(*DatabaseLocation::parse(url_));
};

TEST_P(VigilStorage, raidersFillBannersOfTwentyInTheOrderTheyEnlist) {
  for (int i = 0; i < 21; ++i) raider("hero" + std::to_string(i));
  EXPECT_EQ(raiders::banner(*storage_, 0).size(), 20U);
  const auto second = raiders::banner(*storage_, 1);
  ASSERT_EQ(second.size(), 1U);
  EXPECT_EQ(second[0].heroName, "hero20");
  EXPECT_EQ(raiders::raiderWithKeyHash(*storage_, "key-hero20"), second[0]);
  EXPECT_EQ(raiders::enlistedBefore(*storage_, 6), 5);
}

TEST_P(VigilStorage, roomsTakeFourInTheOrderOfJoiningAndJoiningAgainKeepsTheSeat) {
  std::vector<std::string> ids;
  for (const char* name : {"a", "b", "c", "d", "e"}) ids.push_back(raider(name));
  for (const std::string& id : ids) join(*storage_, kSlot, id, 2);
  EXPECT_EQ(roomView(*storage_, kSlot, 1, 0).seats.size(), 4U);
  EXPECT_EQ(seat(*storage_, kSlot, ids[4])->room, 2);
  const Seat again = join(*storage_, kSlot, ids[0], 0);
  EXPECT_EQ(again.room, 1);
  EXPECT_EQ(again.pledged, 2);
  EXPECT_EQ(roomView(*storage_, kSlot, 1, 0).seats.size(), 4U);
  EXPECT_EQ(seat(*storage_, "2026-12-07T13:00Z", ids[0]), std::nullopt);
}

TEST_P(VigilStorage, aRoomIsResolvedOnceWithItsRewardsKept) {
  std::vector<std::string> ids;
  for (const char* name : {"a", "b", "c", "d"}) ids.push_back(raider(name));
  for (const std::string& id : ids) join(*storage_, kSlot, id, 3);
  for (std::int64_t window = 0; window < 25; ++window) {
    for (int i = 0; i < 3; ++i) beat(*storage_, kSlot, ids[i], window);
  }
  beat(*storage_, kSlot, ids[0], 0);  // a second beat in a window counts once
  setDone(*storage_, kSlot, ids[0], 2);
  const VigilWire::Result result = resolve(*storage_, kSlot, 1);
  EXPECT_EQ(result, (VigilWire::Result{true, false, 4, 3}));
  EXPECT_EQ(seat(*storage_, kSlot, ids[0])->reward, 90);
  EXPECT_EQ(seat(*storage_, kSlot, ids[3])->held, false);

  // Heartbeats written after the resolution change nothing.
  for (std::int64_t window = 0; window < 25; ++window) beat(*storage_, kSlot, ids[3], window);
  EXPECT_EQ(resolve(*storage_, kSlot, 1), result);
  EXPECT_EQ(seat(*storage_, kSlot, ids[3])->reward, 0);
  EXPECT_EQ(vigils::roomView(*storage_, kSlot, 1, 0).result, result);
  EXPECT_EQ(vigils::roomView(*storage_, kSlot, 2, 0).result, std::nullopt);
}

TEST_P(VigilStorage, twoServersFillRoomsAndResolveThemAsOneWould) {
  // A second storage on the same database stands for a second server process.
  const std::unique_ptr<Storage> other = openStorage(*DatabaseLocation::parse(url_));
  std::vector<std::string> ids;
  for (int i = 0; i < 12; ++i) ids.push_back(raider("hero" + std::to_string(i)));
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    threads.emplace_back([&, i] {
      Storage& storage = i % 2 == 0 ? *storage_ : *other;
      join(storage, kSlot, ids[i], 1);
      for (std::int64_t window = 0; window < 25; ++window) beat(storage, kSlot, ids[i], window);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::int64_t number = 1; number <= 3; ++number) {
    EXPECT_EQ(roomView(*storage_, kSlot, number, 0).seats.size(), 4U) << number;
  }

  threads.clear();
  std::vector<VigilWire::Result> results(8);
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back(
        [&, i] { results[i] = resolve(i % 2 == 0 ? *storage_ : *other, kSlot, 1 + i % 3); });
  }
  for (std::thread& thread : threads) thread.join();
  for (const VigilWire::Result& result : results) {
    EXPECT_EQ(result, (VigilWire::Result{true, true, 4, 4}));
  }
  for (const std::string& id : ids) EXPECT_EQ(seat(*other, kSlot, id)->reward, 85);
}

TEST_P(VigilStorage, criesWaitTheIntervalAndStopAtTheCap) {
  const std::string id = raider("a");
  const Seat mine = join(*storage_, kSlot, id, 0);
  EXPECT_TRUE(cry(*storage_, mine, "courage", 100, 10, 3));
  EXPECT_FALSE(cry(*storage_, mine, "courage", 109, 10, 3));
  EXPECT_TRUE(cry(*storage_, mine, "presque", 110, 10, 3));
  EXPECT_TRUE(cry(*storage_, mine, "courage", 200, 10, 3));
  EXPECT_FALSE(cry(*storage_, mine, "courage", 500, 10, 3));
  EXPECT_EQ(roomView(*storage_, kSlot, 1, 2).cries,
            (std::vector<Cry>{{"a", "presque", 110}, {"a", "courage", 200}}));
}

INSTANTIATE_TEST_SUITE_P(Engines, VigilStorage, testing::kEngines, testing::engineName);

}  // namespace
}  // namespace talewick::server::vigils
