// The expedition store over its file: a run from departure to return, the deadline met while the
// application was closed, refusals that write nothing, and the reward paid once across restarts,
// processes and failed writes.
#include "core/expedition_store.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"

namespace talewick {
namespace {

using Phase = ExpeditionPhase;
using Refusal = ExpeditionStore::Refusal;

const std::filesystem::path kFile = std::filesystem::path("/home") / ExpeditionStore::FILE_NAME;
const std::filesystem::path kHeroFile = std::filesystem::path("/home") / HeroStore::FILE_NAME;
const Date kStart{800'000'000};
const ExpeditionTarget kTicket =
    ExpeditionTarget::linearTicket("TW-12", "Corriger l'export", {25, 5});

Clock at(Date now) {
  return [now] { return now; };
}

// One process: its main loop and its hero over the shared files and cloud.
struct Process {
  Process(testing::MemoryFiles& files, KeyValueCloudStore& cloud)
      : hero(files, kHeroFile, cloud, loop.main(), loop.serialQueue(HeroStore::CLOUD_QUEUE), said) {
    hero.start();
  }
  int64_t xp() const { return hero.payload()->totalXp; }
  int64_t gold() const { return hero.payload()->gold; }
  std::ostringstream said;
  RunLoop loop;
  HeroStore hero;
};

class ExpeditionStoreTest : public ::testing::Test {
 protected:
  ExpeditionStore open(Date now) { return ExpeditionStore(files, kFile, here.hero, at(now), said); }
  // Starts a 25-minute expedition at kStart.
  ExpeditionState started(ExpeditionStore& store) {
    auto made = store.start(kTicket, 25, kStart);
    EXPECT_TRUE(std::holds_alternative<ExpeditionState>(made));
    return std::get<ExpeditionState>(made);
  }
  std::optional<ExpeditionStoreState> onDisk() const {
    const auto bytes = files.contents(kFile);
    return bytes ? std::optional(decodeJsonText<ExpeditionStoreState>(*bytes)) : std::nullopt;
  }

  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  std::ostringstream said;
  Process here{files, cloud};
};

TEST_F(ExpeditionStoreTest, ARunGoesOutFocusesWinsAtTheDeadlineAndComesBack) {
  ExpeditionStore store = open(kStart);
  std::vector<ExpeditionStore::Change> heard;
  store.observe([&](const ExpeditionStore::Change& c) { heard.push_back(c); });
  const int64_t xp = here.xp(), gold = here.gold();

  const ExpeditionState e = started(store);
  EXPECT_EQ(e.id.size(), 36u);  // a UUID
  EXPECT_EQ(e.phase, Phase::outbound);
  EXPECT_EQ(store.nextDeadline(), kStart.adding(1500));
  EXPECT_FALSE(store.markFocused());
  EXPECT_EQ(store.tick(kStart.adding(1499)), kStart.adding(1500));  // not yet
  EXPECT_EQ(store.expedition()->phase, Phase::focused);
  EXPECT_EQ(here.xp(), xp);

  EXPECT_EQ(store.tick(kStart.adding(1500)), std::nullopt);
  EXPECT_EQ(store.expedition()->issue, ExpeditionIssue::defeated);
  EXPECT_EQ(store.expedition()->resolvedAt, kStart.adding(1500));
  EXPECT_EQ(here.xp(), xp + 25);
  EXPECT_EQ(here.gold(), gold + 5);
  EXPECT_EQ(here.hero.payload()->expeditionRewardReceiptIDs, std::vector<std::string>{e.id});
  EXPECT_FALSE(store.resolveIfNeeded(kStart.adding(3000)));

  EXPECT_FALSE(store.beginReturning());
  EXPECT_FALSE(store.finishReturn());
  EXPECT_FALSE(store.expedition());
  EXPECT_EQ(onDisk(), (ExpeditionStoreState{std::nullopt, {e.id}}));
  EXPECT_EQ(here.xp(), xp + 25);

  const std::vector<Phase> phases{Phase::outbound, Phase::focused, Phase::resolved,
                                  Phase::returning};
  ASSERT_EQ(heard.size(), 5u);
  for (size_t i = 0; i < phases.size(); ++i) {
    EXPECT_EQ(heard[i].current->phase, phases[i]) << i;
    EXPECT_EQ(heard[i].paid, i == 2) << i;
  }
  EXPECT_FALSE(heard[0].previous);
  EXPECT_EQ(heard[4].previous->phase, Phase::returning);
  EXPECT_FALSE(heard[4].current);
}

TEST_F(ExpeditionStoreTest, ReopenedTwoHoursLaterItWasWonTwentyFiveMinutesIn) {
  const ExpeditionState e = [&] {
    ExpeditionStore store = open(kStart);
    return started(store);
  }();
  const int64_t xp = here.xp();
  ExpeditionStore reopened = open(kStart.adding(2 * 3600));
  ASSERT_TRUE(reopened.expedition());
  EXPECT_EQ(reopened.expedition()->phase, Phase::resolved);
  EXPECT_EQ(reopened.expedition()->issue, ExpeditionIssue::defeated);
  EXPECT_EQ(reopened.expedition()->resolvedAt, kStart.adding(25 * 60));
  EXPECT_EQ(onDisk()->expedition, reopened.expedition());
  EXPECT_EQ(here.xp(), xp + 25);

  // Later openings pay nothing more, even from a file that lost its record of the payment.
  EXPECT_EQ(open(kStart.adding(3 * 3600)).expedition(), reopened.expedition());
  files.put(kFile, json_coding::encode(ExpeditionStoreState{reopened.expedition(), {}}).dump());
  EXPECT_EQ(open(kStart.adding(4 * 3600)).state().rewardReceiptIDs, std::vector<std::string>{e.id});
  EXPECT_EQ(here.xp(), xp + 25);
  EXPECT_EQ(said.str(), "");
}

TEST_F(ExpeditionStoreTest, TwoProcessesOverOneHeroPayTheSameExpeditionOnce) {
  Process other(files, cloud);
  const std::filesystem::path copy = "/home/backup/expedition-v1.json";
  ExpeditionStore a = open(kStart);
  started(a);
  files.put(copy, *files.contents(kFile));  // the same expedition, in a file of its own
  ExpeditionStore b(files, copy, other.hero, at(kStart), said);
  const int64_t xp = here.xp();

  std::vector<bool> paid;
  for (ExpeditionStore* store : {&a, &b}) {
    store->observe([&](const ExpeditionStore::Change& c) { paid.push_back(c.paid); });
  }
  a.tick(kStart.adding(1600));
  b.tick(kStart.adding(1700));
  EXPECT_EQ(paid, (std::vector<bool>{true, false}));  // b found it paid
  EXPECT_EQ(b.expedition()->resolvedAt, kStart.adding(1500));
  EXPECT_EQ(other.xp(), xp + 25);
  EXPECT_EQ(decodeJsonText<HeroSyncPayload>(*files.contents(kHeroFile)).totalXp, xp + 25);
}

TEST_F(ExpeditionStoreTest, RefusedChangesSayWhyAndWriteNothing) {
  ExpeditionStore store = open(kStart);
  std::optional<std::string> saved;
  int writes = 0;
  const auto remember = [&] {
    saved = files.contents(kFile);
    writes = files.writes();
  };
  // The file is left as it was, not even written again.
  const auto refused = [&](std::optional<ExpeditionStore::Error> refusal,
                           ExpeditionStore::Error expected) {
    EXPECT_EQ(refusal, expected);
    EXPECT_EQ(files.writes(), writes);
    EXPECT_EQ(files.contents(kFile), saved);
  };
  remember();
  for (const int64_t minutes : {4, 181}) {
    refused(std::get<ExpeditionStore::Error>(store.start(kTicket, minutes, kStart)),
            ExpeditionStateError::invalidDuration());
  }
  refused(store.markFocused(), Refusal::noExpedition);
  refused(store.retreat(kStart), Refusal::noExpedition);
  refused(store.beginReturning(), Refusal::noExpedition);
  refused(store.finishReturn(), Refusal::noExpedition);

  const ExpeditionState e = started(store);
  EXPECT_FALSE(store.markFocused());
  remember();
  refused(store.markFocused(),
          ExpeditionStateError::invalidTransition(Phase::focused, Phase::focused));
  refused(store.beginReturning(),
          ExpeditionStateError::invalidTransition(Phase::focused, Phase::returning));
  refused(store.finishReturn(), Refusal::underWay);
  refused(std::get<ExpeditionStore::Error>(store.start(kTicket, 30, kStart.adding(600))),
          Refusal::underWay);
  EXPECT_EQ(store.expedition()->id, e.id);

  // Retreated: nothing paid, and a second retreat is refused.
  const int64_t xp = here.xp();
  EXPECT_FALSE(store.retreat(kStart.adding(600)));
  EXPECT_EQ(store.expedition()->issue, ExpeditionIssue::retreated);
  EXPECT_EQ(store.expedition()->resolvedAt, kStart.adding(600));
  EXPECT_EQ(store.nextDeadline(), std::nullopt);
  EXPECT_FALSE(store.resolveIfNeeded(kStart.adding(1500)));
  EXPECT_EQ(here.xp(), xp);
  remember();
  refused(store.retreat(kStart.adding(700)),
          ExpeditionStateError::invalidTransition(Phase::resolved, Phase::resolved));
}

TEST_F(ExpeditionStoreTest, ANewStartFirstWinsTheOneWhoseTimeRanOut) {
  ExpeditionStore store = open(kStart);
  const ExpeditionState first = started(store);
  const int64_t xp = here.xp();
  const auto made = store.start(kTicket, 45, kStart.adding(3600));
  ASSERT_TRUE(std::holds_alternative<ExpeditionState>(made));
  EXPECT_NE(std::get<ExpeditionState>(made).id, first.id);
  EXPECT_EQ(here.xp(), xp + 25);
  EXPECT_EQ(store.state().rewardReceiptIDs, std::vector<std::string>{first.id});
  EXPECT_EQ(store.nextDeadline(), kStart.adding(3600 + 45 * 60));
}

TEST_F(ExpeditionStoreTest, TheDaemonTakesInAnExpeditionACommandStarted) {
  ExpeditionStore daemon = open(kStart);
  std::vector<ExpeditionStore::Change> heard;
  daemon.observe([&](const ExpeditionStore::Change& c) { heard.push_back(c); });
  EXPECT_EQ(daemon.tick(kStart), std::nullopt);

  ExpeditionStore command = open(kStart);
  const ExpeditionState e = started(command);
  EXPECT_EQ(daemon.tick(kStart.adding(60)), e.deadline());
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_FALSE(heard[0].previous);
  EXPECT_EQ(heard[0].current, e);
}

TEST_F(ExpeditionStoreTest, AWinWhosePaymentCannotBeSavedStaysDueUntilItCan) {
  ExpeditionStore store = open(kStart);
  started(store);
  const int64_t xp = here.xp();
  files.refuseWrites(kHeroFile, EROFS);
  EXPECT_THROW(store.tick(kStart.adding(1500)), FileError);
  EXPECT_EQ(store.expedition()->phase, Phase::outbound);
  EXPECT_EQ(onDisk()->expedition->phase, Phase::outbound);

  // Reopened meanwhile: the failure is said, and the expedition still waits for its payment.
  std::ostringstream reopenedSaid;
  ExpeditionStore reopened(files, kFile, here.hero, at(kStart.adding(1800)), reopenedSaid);
  EXPECT_NE(reopenedSaid.str().find("système de fichiers en lecture seule"), std::string::npos)
      << reopenedSaid.str();
  EXPECT_EQ(reopened.nextDeadline(), kStart.adding(1500));

  files.allowWrites();
  EXPECT_EQ(reopened.tick(kStart.adding(1900)), std::nullopt);
  EXPECT_EQ(reopened.expedition()->resolvedAt, kStart.adding(1500));
  EXPECT_EQ(here.xp(), xp + 25);
}

}  // namespace
}  // namespace talewick
