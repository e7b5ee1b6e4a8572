// Two owners of one schedule: the first to try holds it, the other waits for its release.
#include "platform/schedule_owner.hpp"

#include <gtest/gtest.h>

#include <system_error>

#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

TEST(ScheduleOwner, OneOwnerAtATimeAndTheOtherTakesOverOnRelease) {
  testing::TempFolder home("schedule-owner");
  const auto file = home / "state" / "schedule.lock";  // its folder does not exist yet
  ScheduleOwner daemon(file);
  ScheduleOwner window(file);

  EXPECT_TRUE(window.tryTake());
  EXPECT_TRUE(window.tryTake());  // already its own
  EXPECT_FALSE(daemon.tryTake());
  EXPECT_FALSE(daemon.tryTake());  // asking again changes nothing
  EXPECT_TRUE(window.holds());
  EXPECT_FALSE(daemon.holds());

  window.release();
  EXPECT_FALSE(window.holds());
  EXPECT_TRUE(daemon.tryTake());
  EXPECT_FALSE(window.tryTake());
}

TEST(ScheduleOwner, TheScheduleGoesWithItsOwner) {
  testing::TempFolder home("schedule-owner-scope");
  ScheduleOwner second(home / "schedule.lock");
  {
    ScheduleOwner first(home / "schedule.lock");
    ASSERT_TRUE(first.tryTake());
    EXPECT_FALSE(second.tryTake());
  }
  EXPECT_TRUE(second.tryTake());
}

TEST(ScheduleOwner, AFileThatCannotBeOpenedIsAnError) {
  testing::TempFolder home("schedule-owner-error");
  std::filesystem::create_directories(home / "schedule.lock");  // a folder in its place
  ScheduleOwner owner(home / "schedule.lock");
  EXPECT_THROW(owner.tryTake(), std::system_error);
  EXPECT_FALSE(owner.holds());
}

}  // namespace
}  // namespace talewick
