// Change notices through inotify: watched files, missing paths, folders and their subfolders.
#include "platform/file_watch.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <system_error>

#include "platform/atomic_file.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

// Long enough never to be reached when the change did happen: inotify queues events during the
// write itself, so a positive answer comes at once.
constexpr auto kEventWait = 5s;

class FileWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::path(::testing::TempDir()) /
              ("file_watch_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  static void put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
  }

  fs::path folder_;
};

TEST_F(FileWatchTest, NoticesWritesReplacementsAndRemovalOfAWatchedFile) {
  const fs::path file = folder_ / "defaults.json";
  put(file, "{}");
  FileWatch watch({file});

  put(file, " ");  // in place
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"defaults.json"});
  EXPECT_EQ(watch.changedPaths(), std::vector<fs::path>{file});

  files::writeAtomically(file, "{\"a\": 1}");  // a new inode renamed over the old one
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"defaults.json"});

  files::writeAtomically(file, "{\"a\": 2}");  // and again: the watch did not stay on the old inode
  ASSERT_TRUE(watch.waitForChange(kEventWait));

  put(folder_ / "keychain.json", "{}");  // a neighbour is none of its business
  EXPECT_FALSE(watch.drain());
  EXPECT_TRUE(watch.changedNames().empty());

  fs::remove(file);
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"defaults.json"});
}

TEST_F(FileWatchTest, NoticesCreationOfAMissingFileBelowMissingFolders) {
  // Step by step: each new folder moves the watch one level down.
  const fs::path stepwise = folder_ / "a" / "b" / "defaults.json";
  FileWatch watch({stepwise});
  fs::create_directory(folder_ / "a");
  EXPECT_FALSE(watch.drain()) << "a folder on the way is not the file";
  fs::create_directory(folder_ / "a" / "b");
  EXPECT_FALSE(watch.drain());
  put(stepwise, "{}");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"defaults.json"});
  put(stepwise, " ");
  ASSERT_TRUE(watch.waitForChange(kEventWait));

  // All at once, before the watch had a chance to look.
  const fs::path atOnce = folder_ / "c" / "d" / "defaults.json";
  FileWatch late({atOnce});
  files::writeAtomically(atOnce, "{}");
  ASSERT_TRUE(late.waitForChange(kEventWait));
  EXPECT_EQ(late.changedPaths(), std::vector<fs::path>{atOnce});
  put(atOnce, " ");
  ASSERT_TRUE(late.waitForChange(kEventWait));
}

TEST_F(FileWatchTest, ReportsTheEntriesOfAWatchedFolderButNotTemporaries) {
  const fs::path cloud = folder_ / "cloud";
  FileWatch watch({cloud});  // missing at first
  fs::create_directory(cloud);
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"cloud"});

  files::writeAtomically(cloud / "hero.level", "3");
  files::writeAtomically(cloud / "hero.name", "Ada");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), (Names{"hero.level", "hero.name"}));

  put(cloud / ".syncing.tmp", "half");
  EXPECT_FALSE(watch.drain());

  fs::remove(cloud / "hero.name");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"hero.name"});
  EXPECT_EQ(watch.changedPaths(), std::vector<fs::path>{cloud / "hero.name"});
}

TEST_F(FileWatchTest, FollowsSubfoldersIncludingOnesCreatedLater) {
  const fs::path root = folder_ / "calendars";
  fs::create_directories(root / "maison");
  FileWatch watch({root}, FileWatch::Depth::subfolders);
  FileWatch shallow({root});

  put(root / "maison" / "a.ics", "BEGIN:VCALENDAR");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"maison/a.ics"});
  EXPECT_FALSE(shallow.drain()) << "without subfolders, their content is not watched";

  fs::create_directory(root / "travail");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"travail"});
  put(root / "travail" / "b.ics", "BEGIN:VCALENDAR");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"travail/b.ics"});

  // A folder and its first event made before the watch looks: the event is not lost.
  fs::create_directory(root / "jeux");
  put(root / "jeux" / "c.ics", "BEGIN:VCALENDAR");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), (Names{"jeux", "jeux/c.ics"}));
  put(root / "jeux" / "c.ics", "END:VCALENDAR");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"jeux/c.ics"});

  // A calendar deleted and made again under the same name is watched afresh.
  fs::remove_all(root / "maison");
  fs::create_directory(root / "maison");
  put(root / "maison" / "d.ics", "BEGIN:VCALENDAR");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), (Names{"maison", "maison/a.ics", "maison/d.ics"}));
  put(root / "maison" / "e.ics", "BEGIN:VCALENDAR");
  ASSERT_TRUE(watch.waitForChange(kEventWait));
  EXPECT_EQ(watch.changedNames(), Names{"maison/e.ics"});
}

TEST_F(FileWatchTest, QuietWatchTimesOutAndAMovedWatchKeepsWatching) {
  FileWatch watch({folder_});
  EXPECT_FALSE(watch.waitForChange(50ms));
  EXPECT_TRUE(watch.changedNames().empty());

  FileWatch moved = std::move(watch);
  // What a moved-from watch does is the point here.
  EXPECT_EQ(watch.fd(), -1);    // NOLINT(bugprone-use-after-move)
  EXPECT_FALSE(watch.drain());  // NOLINT(bugprone-use-after-move)
  ASSERT_GE(moved.fd(), 0);

  pollfd ready{moved.fd(), POLLIN, 0};
  EXPECT_EQ(::poll(&ready, 1, 0), 0);
  put(folder_ / "note", "x");
  EXPECT_EQ(::poll(&ready, 1, 0), 1) << "a run loop polling fd() wakes up";
  EXPECT_TRUE(moved.drain());
  EXPECT_EQ(moved.changedNames(), Names{"note"});
  EXPECT_EQ(::poll(&ready, 1, 0), 0) << "drain() consumed the events";
}

}  // namespace
}  // namespace talewick
