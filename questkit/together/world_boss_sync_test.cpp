// Sharing the enlistment and today's damage between the user's machines.
#include "together/world_boss_sync.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using WorldBossSync::Enrollment;
using WorldBossSync::SelfPush;

const Enrollment kMine{"raider-7", "key-abc"};

TEST(WorldBossSync, ValuesRoundTripThroughTheirStoredText) {
  EXPECT_EQ(WorldBossSync::decodeEnrollment(WorldBossSync::encoded(kMine)), kMine);
  const SelfPush push{"2026-12-04", 1950};
  EXPECT_EQ(WorldBossSync::decodeSelfPush(WorldBossSync::encoded(push)), push);
  EXPECT_EQ(Json::parse(WorldBossSync::encoded(kMine)),
            (Json{{"raiderId", "raider-7"}, {"apiKey", "key-abc"}}));
}

TEST(WorldBossSync, DamagedOrHalfWrittenValuesReadAsNothing) {
  for (const char* bad : {"", "{", "null", R"({"raiderId":"r"})", R"({"raiderId":"","apiKey":"k"})",
                          R"({"raiderId":"r","apiKey":""})", R"({"raiderId":7,"apiKey":"k"})"}) {
    EXPECT_EQ(WorldBossSync::decodeEnrollment(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(WorldBossSync::decodeSelfPush(R"({"day":"2026-12-04","damage":"9"})"), std::nullopt);
}

TEST(WorldBossSync, TheEnrollmentIsPublishedWhenTheCloudLacksIt) {
  EXPECT_TRUE(WorldBossSync::needsPublish(kMine, std::nullopt));
  EXPECT_TRUE(WorldBossSync::needsPublish(kMine, "{damaged"));
  EXPECT_TRUE(WorldBossSync::needsPublish(kMine, WorldBossSync::encoded(Enrollment{"r2", "k2"})));
  EXPECT_FALSE(WorldBossSync::needsPublish(kMine, WorldBossSync::encoded(kMine)));
  // Nothing to share without a usable enrollment of our own.
  EXPECT_FALSE(WorldBossSync::needsPublish(std::nullopt, std::nullopt));
  EXPECT_FALSE(WorldBossSync::needsPublish(Enrollment{"r", ""}, std::nullopt));
}

TEST(WorldBossSync, AnotherMachinesPushCountsOnlyOnItsDay) {
  const std::string push = WorldBossSync::encoded(SelfPush{"2026-12-04", 640});
  EXPECT_EQ(WorldBossSync::damageOn(push, "2026-12-04"), 640);
  EXPECT_EQ(WorldBossSync::damageOn(push, "2026-12-05"), std::nullopt);
  EXPECT_EQ(WorldBossSync::damageOn(std::nullopt, "2026-12-04"), std::nullopt);
  EXPECT_EQ(WorldBossSync::damageOn("[]", "2026-12-04"), std::nullopt);
}

}  // namespace
}  // namespace talewick
