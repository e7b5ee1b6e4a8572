// The guild's storage on both engines, with the rate-limit attempts it shares with the world boss.
#include "server/guild_storage.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "server/attempts.hpp"
#include "server/storage_engines_testing.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server::guilds {
namespace {

class GuildStorage : public ::testing::TestWithParam<testing::Engine> {
 protected:
  Admission admitted(const std::string& email, const std::string& id, const std::string& key,
                     std::int64_t at = 100) {
    return admit(*storage_, email, "acme.com", id, key, at,
                 GuildRecord{"acme.com", "Guilde Acme", "🛡️", std::nullopt});
  }

  talewick::testing::TempFolder folder_{"guild-storage"};
  std::string url_ = testing::newDatabaseUrl(GetParam(), folder_.path());
  std::unique_ptr<Storage> storage_ = openStorage(*DatabaseLocation::parse(url_));
};

TEST_P(GuildStorage, aCodeIsAcceptedOnceAndDiesAtTheFifthWrongTry) {
  saveCode(*storage_, "ana@acme.com", "good", 1000);
  EXPECT_EQ(checkCode(*storage_, "ana@acme.com", "bad", 10, 5), CodeCheck::wrong);
  EXPECT_EQ(checkCode(*storage_, "ana@acme.com", "good", 10, 5), CodeCheck::accepted);
  EXPECT_EQ(checkCode(*storage_, "ana@acme.com", "good", 10, 5), CodeCheck::none);

  saveCode(*storage_, "ana@acme.com", "good", 1000);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(checkCode(*storage_, "ana@acme.com", "bad", 10, 5), CodeCheck::wrong);
  }
  EXPECT_EQ(checkCode(*storage_, "ana@acme.com", "good", 10, 5), CodeCheck::none);

  // Expired at its instant; a new code replaces it with its tries forgotten.
  saveCode(*storage_, "ana@acme.com", "good", 1000);
  EXPECT_EQ(checkCode(*storage_, "ana@acme.com", "good", 1000, 5), CodeCheck::none);
  EXPECT_EQ(checkCode(*storage_, "bob@acme.com", "good", 10, 5), CodeCheck::none);
}

TEST_P(GuildStorage, anAddressAdmittedAgainIsTheSameMemberWithEveryKeyValid) {
  const Admission first = admitted("ana@acme.com", "m-ana", "key-1");
  EXPECT_EQ(first.guild, (GuildRecord{"acme.com", "Guilde Acme", "🛡️", "m-ana"}));
  const Admission again = admitted("ana@acme.com", "m-unused", "key-2", 200);
  EXPECT_EQ(again.member, first.member);
  EXPECT_EQ(memberWithKeyHash(*storage_, "key-1"), first.member);
  EXPECT_EQ(memberWithKeyHash(*storage_, "key-2"), first.member);
  EXPECT_EQ(memberWithKeyHash(*storage_, "key-3"), std::nullopt);

  const Admission bob = admitted("bob@acme.com", "m-bob", "key-b", 300);
  EXPECT_EQ(bob.guild.founderId, "m-ana");  // the guild existed: its founder stays
  EXPECT_EQ(members(*storage_, "acme.com").size(), 2U);
}

TEST_P(GuildStorage, aLaterPushOfTheSameDayReplacesTheFirst) {
  admitted("ana@acme.com", "m-ana", "key-1");
  Day day{"m-ana", "2026-12-07", 100, 2, 3, "Ana", "comic", std::nullopt, {{"level", 4}}};
  saveDay(*storage_, "acme.com", day);
  day.xp = 250;
  day.vocation = "mage";
  saveDay(*storage_, "acme.com", day);
  EXPECT_EQ(days(*storage_, "acme.com", "2026-12-01", "2026-12-31"), std::vector<Day>{day});
  EXPECT_EQ(totalXp(*storage_, "acme.com"), 250);
  Day next = day;
  next.day = "2026-12-08";
  next.xp = 10;
  saveDay(*storage_, "acme.com", next);
  EXPECT_EQ(latestDays(*storage_, "acme.com"), std::vector<Day>{next});
  EXPECT_TRUE(days(*storage_, "acme.com", "2026-12-09", "2026-12-31").empty());
  EXPECT_TRUE(days(*storage_, "other.org", "2026-12-01", "2026-12-31").empty());
}

TEST_P(GuildStorage, aLeavingFounderHandsTheGuildToTheEarliestMemberLeft) {
  const Member ana = admitted("ana@acme.com", "m-ana", "key-a", 100).member;
  admitted("bob@acme.com", "m-bob", "key-b", 300);
  admitted("cyd@acme.com", "m-cyd", "key-c", 200);
  saveDay(*storage_, "acme.com",
          Day{"m-ana", "2026-12-07", 100, 1, 1, "Ana", "comic", std::nullopt, {}});
  EXPECT_FALSE(rename(*storage_, "acme.com", "m-cyd", "Les Cyds"));
  removeMember(*storage_, ana);
  EXPECT_EQ(memberWithKeyHash(*storage_, "key-a"), std::nullopt);
  EXPECT_EQ(totalXp(*storage_, "acme.com"), 0);
  EXPECT_EQ(guild(*storage_, "acme.com")->founderId, "m-cyd");
  EXPECT_TRUE(rename(*storage_, "acme.com", "m-cyd", "Les Cyds"));
  EXPECT_EQ(guild(*storage_, "acme.com")->name, "Les Cyds");
}

TEST_P(GuildStorage, aWeekKeepsItsFirstHitPointsAndSettlesOnce) {
  EXPECT_EQ(fixWeekHp(*storage_, "acme.com", "2026-W49", 2400), 2400);
  EXPECT_EQ(fixWeekHp(*storage_, "acme.com", "2026-W49", 9999), 2400);
  EXPECT_TRUE(settleWeek(*storage_, "acme.com", "2026-W49", 3000, true));
  EXPECT_FALSE(settleWeek(*storage_, "acme.com", "2026-W49", 1, false));
  fixWeekHp(*storage_, "acme.com", "2026-W50", 3500);
  EXPECT_EQ(
      weeks(*storage_, "acme.com"),
      (std::vector<Week>{{"2026-W50", 3500, std::nullopt, false}, {"2026-W49", 2400, 3000, true}}));
}

TEST_P(GuildStorage, twoServersSettlingAWeekAtOnceSettleItOnce) {
  // A second storage on the same database stands for a second server process.
  const std::unique_ptr<Storage> other = openStorage(*DatabaseLocation::parse(url_));
  fixWeekHp(*storage_, "acme.com", "2026-W49", 2400);
  std::atomic<int> settled = 0;
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      Storage& storage = i % 2 == 0 ? *storage_ : *other;
      if (settleWeek(storage, "acme.com", "2026-W49", 1000 + i, false)) ++settled;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(settled, 1);
  EXPECT_TRUE(weeks(*other, "acme.com").at(0).dealt.has_value());
}

TEST_P(GuildStorage, attemptsAreRefusedPastTheLimitUntilTheWindowMovesOn) {
  const RateLimit limit{3, 3600};
  EXPECT_TRUE(tryAttempt(*storage_, "b", 1000, limit));
  EXPECT_TRUE(tryAttempt(*storage_, "b", 1001, limit));
  EXPECT_TRUE(tryAttempt(*storage_, "b", 1002, limit));
  EXPECT_FALSE(tryAttempt(*storage_, "b", 1003, limit));
  EXPECT_TRUE(tryAttempt(*storage_, "other", 1003, limit));
  EXPECT_FALSE(tryAttempt(*storage_, "b", 4599, limit));
  EXPECT_TRUE(tryAttempt(*storage_, "b", 4600, limit));  // the first has left the window
}

INSTANTIATE_TEST_SUITE_P(Engines, GuildStorage, testing::kEngines, testing::engineName);

}  // namespace
}  // namespace talewick::server::guilds
