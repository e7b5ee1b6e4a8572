#include "server/guild_board.hpp"

#include <gtest/gtest.h>

#include "together/guild_boss.hpp"

namespace talewick::server::guilds {
namespace {

Day pushed(const std::string& member, const std::string& day, std::int64_t xp, std::int64_t quests,
           std::int64_t streak) {
  return Day{member, day, xp, quests, streak, "Héros " + member, "comic", std::nullopt, {}};
}

TEST(GuildWeekHp, calibratedFromTheSettledWeeksLatestFirst) {
  EXPECT_EQ(weekHp({}, 4), 2400);
  // The week still open (not settled) takes no part.
  const std::vector<Week> weeks = {{"2026-W50", 9000, std::nullopt, false},
                                   {"2026-W49", 1000, 1000, true},
                                   {"2026-W48", 1000, 2000, true},
                                   {"2026-W47", 1000, 3000, true},
                                   {"2026-W46", 1000, 90000, true}};
  EXPECT_EQ(weekHp(weeks, 1), 2300);
  std::vector<Week> escaped = weeks;
  escaped[1].slain = false;
  EXPECT_EQ(weekHp(escaped, 1), 2000);
}

TEST(GuildBoard, theWeekOfTodayWithRolesAndTheChronicle) {
  BoardInput input;
  input.guild = {"acme.com", "Guilde Acme", "🛡️", "m-a"};
  input.members = {{"m-a", "a@acme.com", "acme.com", 1},
                   {"m-b", "b@acme.com", "acme.com", 2},
                   {"m-c", "c@acme.com", "acme.com", 3}};
  input.days = {pushed("m-a", "2026-12-06", 900, 0, 1),  // last week
                pushed("m-a", "2026-12-12", 300, 1, 8), pushed("m-b", "2026-12-12", 100, 6, 2),
                pushed("m-b", "2026-12-13", 50, 1, 3), pushed("m-a", "2026-12-14", 999, 0, 9)};
  input.latestDays = {pushed("m-a", "2026-12-12", 300, 1, 8),
                      pushed("m-b", "2026-12-13", 50, 1, 3)};
  input.weeks = {{"2026-W49", 1800, 2000, true}};
  input.hp = 2400;
  input.callerId = "m-b";
  input.today = "2026-12-13";  // a Sunday
  input.totalXpAllTime = 1350;
  const GuildWire::Board board = guilds::board(input);

  EXPECT_EQ(board.week, "2026-W50");
  EXPECT_EQ(board.totalXp, 450);
  EXPECT_EQ(board.lastWeekXp, 900);
  ASSERT_EQ(board.days.size(), 7U);
  EXPECT_EQ(board.days[5], (GuildWire::DayPoint{"2026-12-12", 400, 7, 2}));
  EXPECT_EQ(board.days[0], (GuildWire::DayPoint{"2026-12-07", 0, 0, 0}));
  ASSERT_EQ(board.board.size(), 3U);
  EXPECT_EQ(board.board[0].memberId, "m-a");
  EXPECT_EQ(board.board[1].memberId, "m-b");
  EXPECT_TRUE(board.board[1].isYou);
  EXPECT_EQ(board.board[1].todayXp, 50);
  EXPECT_EQ(board.board[1].weekQuests, 7);
  EXPECT_EQ(board.board[1].lastActiveDay, "2026-12-13");
  // A member who never pushed is listed with nothing.
  EXPECT_EQ(board.board[2].memberId, "m-c");
  EXPECT_EQ(board.board[2].weekXp, 0);
  EXPECT_EQ(board.board[2].lastActiveDay, std::nullopt);

  ASSERT_TRUE(board.season);
  EXPECT_EQ(board.season->daysLeft, 1);
  EXPECT_EQ(board.season->dealt, 450);
  EXPECT_EQ(board.season->yourDealt, 150);
  EXPECT_EQ(board.season->boss.hpLeft, 1950);
  EXPECT_EQ(board.season->boss.key, std::string(GuildBoss::form("acme.com", "2026-W50").key));
  ASSERT_EQ(board.chronicle.size(), 1U);
  EXPECT_EQ(board.chronicle[0].dealt, 2000);
  EXPECT_EQ(board.chronicle[0].boss, bossName("acme.com", "2026-W49"));
  EXPECT_EQ(board.titles.at("champion"), std::vector<std::string>{"m-a"});
  EXPECT_EQ(board.titles.at("artisan"), std::vector<std::string>{"m-b"});
}

TEST(GuildFounding, aGuildIsNamedAfterItsDomain) {
  EXPECT_EQ(foundingOf("acme.com").name, "Guilde Acme");
  EXPECT_EQ(foundingOf("dev.example.org").name, "Guilde Dev");
  EXPECT_NE(bossName("acme.com", "2026-W50").nameFR, bossName("acme.com", "2026-W50").key);
}

}  // namespace
}  // namespace talewick::server::guilds
