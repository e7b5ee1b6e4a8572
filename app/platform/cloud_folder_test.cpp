// The cloud folder: two machines on one synced folder, outside tools, file names, threads, and the
// loop watch that wakes the main loop when the folder changes.
#include "platform/cloud_folder.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <asio/io_context.hpp>
#include <atomic>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "core/file_port.hpp"
#include "platform/atomic_file.hpp"
#include "platform/loop_watch.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Keys = std::vector<std::string>;

// Never reached when the change did happen: inotify queues the event during the write itself.
constexpr int kEventWaitMs = 5000;

bool readable(int fd, int timeoutMs) {
  pollfd ready{fd, POLLIN, 0};
  return ::poll(&ready, 1, timeoutMs) == 1 && (ready.revents & POLLIN);  // not POLLNVAL
}

struct Heard {
  std::vector<Keys> calls;
  KeyValueCloudStore::ChangeObserver observer() {
    return [this](const Keys& keys) { calls.push_back(keys); };
  }
};

class CloudFolderTest : public ::testing::Test {
 protected:
  // What the folder holds on disk, as an outside tool sees it.
  Keys names() const {
    Keys found;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  talewick::testing::TempFolder temp_{"cloud"};
  const fs::path folder_ = temp_ / "Sync/talewick";
};

TEST_F(CloudFolderTest, MakesAnOwnerOnlyFolderAndTakesWhatIsThereSilently) {
  {
    CloudFolderStore empty(folder_);
    struct stat info {};
    ASSERT_EQ(::stat(folder_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(folder_.parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "missing parents are made owner-only too";
  }
  temp_.write("Sync/talewick/hero.v1", "{}");
  CloudFolderStore store(folder_);
  EXPECT_EQ(store.data("hero.v1"), "{}");
  EXPECT_EQ(store.processExternalChanges(), Keys{}) << "the first snapshot is not news";

  temp_.write("plain-file", "x");
  EXPECT_THROW(CloudFolderStore(temp_ / "plain-file"), std::system_error);
  EXPECT_THROW(CloudFolderStore(temp_ / "plain-file/below"), std::system_error);
}

TEST_F(CloudFolderTest, TwoMachinesSeeEachOtherButNeverTheirOwnWrites) {
  CloudFolderStore laptop(folder_), desktop(folder_);
  Heard laptopHeard, desktopHeard;
  laptop.observeExternalChanges(laptopHeard.observer());
  desktop.observeExternalChanges(desktopHeard.observer());

  laptop.setData("rpg_mode", "épique");
  laptop.setData("hero.v1", R"({"gold":3})");
  if (desktop.watchDescriptor() >= 0) {
    EXPECT_TRUE(readable(desktop.watchDescriptor(), kEventWaitMs));
  }
  EXPECT_EQ(desktop.processExternalChanges(), (Keys{"hero.v1", "rpg_mode"}));
  EXPECT_EQ(desktop.processExternalChanges(), Keys{}) << "announced once";
  if (desktop.watchDescriptor() >= 0) {
    EXPECT_FALSE(readable(desktop.watchDescriptor(), 0)) << "drained";
  }
  EXPECT_EQ(desktop.data("rpg_mode"), "épique");
  laptop.synchronize();
  EXPECT_TRUE(laptopHeard.calls.empty()) << "our own writes are no external change";

  desktop.remove("rpg_mode");
  desktop.remove("never-there");
  desktop.setData("hero.v1", R"({"gold":5})");
  EXPECT_EQ(laptop.processExternalChanges(), (Keys{"hero.v1", "rpg_mode"}));
  EXPECT_EQ(laptop.data("rpg_mode"), std::nullopt);
  EXPECT_EQ(laptop.data("hero.v1"), R"({"gold":5})");
  desktop.synchronize();
  EXPECT_EQ(desktopHeard.calls, (std::vector<Keys>{{"hero.v1", "rpg_mode"}}));
  EXPECT_EQ(laptopHeard.calls, (std::vector<Keys>{{"hero.v1", "rpg_mode"}}));

  struct stat info {};
  ASSERT_EQ(::stat((folder_ / "hero.v1").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(names(), Keys{"hero.v1"}) << "no temporary file left behind";
}

TEST_F(CloudFolderTest, FilesOfOutsideToolsAreAnnouncedButNotTheirTemporariesNorSameBytes) {
  CloudFolderStore store(folder_);
  temp_.write("Sync/talewick/note", "bonjour");  // written in place
  EXPECT_EQ(store.processExternalChanges(), Keys{"note"});

  temp_.write("Sync/talewick/.note2.partial", "à moitié");
  temp_.write("Sync/talewick/.hidden", "caché");
  temp_.write("Sync/talewick/draft~", "brouillon");
  temp_.write("Sync/talewick/copy.tmp", "en route");
  temp_.write("Sync/talewick/%61", "a, mal écrit");
  fs::create_directory(folder_ / "sub");
  fs::create_symlink(folder_ / "nowhere", folder_ / "ghost");
  EXPECT_EQ(store.processExternalChanges(), Keys{});
  fs::rename(folder_ / ".note2.partial", folder_ / "note2");
  EXPECT_EQ(store.processExternalChanges(), Keys{"note2"});
  EXPECT_EQ(store.data("note2"), "à moitié");
  EXPECT_EQ(store.data("sub"), std::nullopt);

  files::writeAtomically(folder_ / "note", "bonjour");  // same bytes, new inode
  temp_.write("Sync/talewick/note2", "à moitié");       // same bytes, in place
  EXPECT_EQ(store.processExternalChanges(), Keys{});
  fs::remove(folder_ / "note");
  EXPECT_EQ(store.processExternalChanges(), Keys{"note"});
}

TEST_F(CloudFolderTest, OnlyRecentFilesAreReReadWhenTheirStampIsUnchanged) {
  // A rewrite that keeps inode, size and time goes unseen on an old file (rescans stay cheap) but
  // not on a recent one, whose time may not have moved yet.
  const auto rewriteKeepingStamp = [&](const std::string& name, const std::string& bytes) {
    struct stat info {};
    ASSERT_EQ(::stat((folder_ / name).c_str(), &info), 0);
    temp_.write("Sync/talewick/" + name, bytes);
    const timespec times[2] = {info.st_atim, info.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder_ / name).c_str(), times, 0), 0);
  };
  temp_.write("Sync/talewick/old", "aaaa");
  temp_.write("Sync/talewick/recent", "aaaa");
  timespec anHourAgo{::time(nullptr) - 3600, 0};
  const timespec times[2] = {anHourAgo, anHourAgo};
  ASSERT_EQ(::utimensat(AT_FDCWD, (folder_ / "old").c_str(), times, 0), 0);
  CloudFolderStore store(folder_);

  rewriteKeepingStamp("old", "bbbb");
  rewriteKeepingStamp("recent", "bbbb");
  EXPECT_EQ(store.processExternalChanges(), Keys{"recent"});
}

TEST_F(CloudFolderTest, ReplaceDataWritesOnlyOverTheValueItWasGiven) {
  CloudFolderStore store(folder_);
  EXPECT_TRUE(store.replaceData("hero", std::nullopt, "un"));
  EXPECT_FALSE(store.replaceData("hero", std::nullopt, "deux"));
  EXPECT_TRUE(store.replaceData("hero", "un", "deux"));
  EXPECT_EQ(store.processExternalChanges(), Keys{});  // our own writes

  // A sync tool brings another machine's value between our read and our write: it stays, and is
  // announced like any change from elsewhere.
  temp_.write("Sync/talewick/hero", "d'ailleurs");
  EXPECT_FALSE(store.replaceData("hero", "deux", "trois"));
  EXPECT_EQ(store.data("hero"), "d'ailleurs");
  EXPECT_EQ(store.processExternalChanges(), Keys{"hero"});
  EXPECT_EQ(names(), Keys{"hero"});  // no temporary left behind
}

TEST_F(CloudFolderTest, AFolderInAValuesPlaceReadsAsNoneAndIsSaidOnce) {
  fs::create_directories(folder_ / "hero.v1");
  std::ostringstream said;
  CloudFolderStore store(folder_, said);
  EXPECT_FALSE(store.data("hero.v1"));
  EXPECT_FALSE(store.data("hero.v1"));
  EXPECT_EQ(said.str(), "talewick : impossible de lire " + (folder_ / "hero.v1").string() +
                            " : un dossier occupe sa place\n");
  EXPECT_THROW(store.setData("hero.v1", "{}"), FileError);
}

TEST_F(CloudFolderTest, AwkwardKeysRoundTripThroughFileNames) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"hero.v1", "hero.v1"}, {"a/b", "a%2Fb"},   {".hidden", "%2Ehidden"},
      {"é", "%C3%A9"},        {"100%", "100%25"}, {"x.tmp", "x%2Etmp"},
      {"back~", "back%7E"},   {"..", "%2E."},     {"a b", "a%20b"}};
  CloudFolderStore writer(folder_), reader(folder_);
  Keys keys;
  for (const auto& [key, name] : table) {
    EXPECT_EQ(CloudFolderStore::fileNameForKey(key), name);
    EXPECT_EQ(CloudFolderStore::keyForFileName(name), key);
    writer.setData(key, "valeur de " + key);
    keys.push_back(key);
  }
  for (const std::string bad : {"", "%", "%4", "%2f", "%ZZ", "%61", ".x", "x~", "x.tmp"}) {
    EXPECT_EQ(CloudFolderStore::keyForFileName(bad), std::nullopt) << bad;
  }
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(reader.processExternalChanges(), keys);
  for (const auto& [key, name] : table) EXPECT_EQ(reader.data(key), "valeur de " + key);

  EXPECT_THROW(writer.setData("", "x"), std::invalid_argument);
  EXPECT_EQ(writer.data(""), std::nullopt);
}

TEST_F(CloudFolderTest, ObserversMayCallBackAndTheDeliveryHookCarriesAnnouncements) {
  auto store = std::make_unique<CloudFolderStore>(folder_);
  CloudFolderStore other(folder_);
  Heard heard;
  store->observeExternalChanges(heard.observer());
  // Called inline, from the rescan: the store must not be locked, and this write is ours.
  const int token = store->observeExternalChanges(
      [&](const Keys& keys) { store->setData("ack", *store->data(keys.front())); });
  other.setData("hero.v1", "1");
  EXPECT_EQ(store->processExternalChanges(), Keys{"hero.v1"});
  EXPECT_EQ(heard.calls, std::vector<Keys>{{"hero.v1"}});
  EXPECT_EQ(store->data("ack"), "1");
  EXPECT_EQ(store->processExternalChanges(), Keys{});
  store->unobserve(token);

  std::vector<std::function<void()>> posted;
  store->setDelivery([&](std::function<void()> job) { posted.push_back(std::move(job)); });
  other.setData("hero.v1", "2");
  EXPECT_EQ(store->processExternalChanges(), Keys{"hero.v1"});
  EXPECT_EQ(heard.calls.size(), 1u) << "handed to the hook, not called inline";
  ASSERT_EQ(posted.size(), 1u);
  posted.front()();
  EXPECT_EQ(heard.calls, (std::vector<Keys>{{"hero.v1"}, {"hero.v1"}}));
  EXPECT_EQ(store->data("ack"), "1") << "unobserved";

  other.setData("hero.v1", "3");
  store->synchronize();
  ASSERT_EQ(posted.size(), 2u);
  store.reset();
  posted.back()();  // after the store is gone: nobody to call, nothing to crash
  EXPECT_EQ(heard.calls.size(), 2u);
}

TEST_F(CloudFolderTest, ConcurrentWritesNeverTearReadsNorEchoBack) {
  CloudFolderStore store(folder_);
  const std::string first(64 * 1024, 'a'), second(48 * 1024, 'b');
  store.setData("hero.v1", first);
  std::atomic<bool> done = false;
  std::thread writer([&] {
    for (int round = 0; round < 300; ++round) store.setData("hero.v1", round % 2 ? first : second);
    done = true;
  });
  int torn = 0, echoes = 0;
  while (!done) {
    const std::optional<std::string> bytes = store.data("hero.v1");
    if (bytes != first && bytes != second) ++torn;
    if (!store.processExternalChanges().empty()) ++echoes;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(echoes, 0);
}

TEST_F(CloudFolderTest, LoopWatchWakesTheLoopWhenAnotherStoreWritesAndStopsWhenGone) {
  CloudFolderStore store(folder_), other(folder_);
  const int fd = store.watchDescriptor();
  if (fd < 0) GTEST_SKIP() << "inotify unavailable";
  asio::io_context loop;
  std::vector<Keys> heard;
  int calls = 0;
  auto watch = std::make_unique<LoopWatch>(loop, fd, 0ms, [&] {
    ++calls;
    if (Keys keys = store.processExternalChanges(); !keys.empty()) {
      heard.push_back(keys);
      loop.stop();
    }
  });
  other.setData("hero.v1", "1");
  loop.run_for(5s);
  EXPECT_EQ(heard, std::vector<Keys>{{"hero.v1"}});

  watch.reset();
  other.setData("hero.v1", "2");
  const int before = calls;
  loop.restart();
  loop.run_for(300ms);
  EXPECT_EQ(calls, before);
  EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "the descriptor stays its owner's";
  EXPECT_TRUE(readable(fd, kEventWaitMs));
  EXPECT_EQ(store.processExternalChanges(), Keys{"hero.v1"});
}

TEST(LoopWatchTest, FallbackTimerRepeatsAndAWatchMayDestroyItselfWhileCalled) {
  asio::io_context loop;
  int ticks = 0;
  {
    LoopWatch timerOnly(loop, -1, 5ms, [&] {
      if (++ticks == 3) loop.stop();
    });
    loop.run_for(5s);
  }
  EXPECT_EQ(ticks, 3);

  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ASSERT_EQ(::write(pipeFds[1], "x", 1), 1);  // readable at once, and never drained
  int calls = 0;
  std::optional<LoopWatch> watch;
  watch.emplace(loop, pipeFds[0], 1ms, [&] {
    ++calls;
    watch.reset();
  });
  loop.restart();
  loop.run_for(200ms);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(readable(pipeFds[0], 0)) << "still open, still readable";
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

}  // namespace
}  // namespace talewick
