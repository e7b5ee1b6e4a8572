// The guild boss's hit points from the weeks before, and its weekly form.
#include "together/guild_boss.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/hashes.hpp"

namespace talewick {
namespace {

TEST(GuildBoss, WithoutHistoryTheBossIsTheMembersFloor) {
  EXPECT_EQ(GuildBoss::calibrate({}, 4, false), 2400);
  EXPECT_EQ(GuildBoss::calibrate({}, 4, true), 2400);
  // An empty roster still faces the boss of one member.
  EXPECT_EQ(GuildBoss::calibrate({}, 0, false), 600);
  EXPECT_EQ(GuildBoss::calibrate({}, -2, false), 600);
}

TEST(GuildBoss, TheNextBossAsksMoreThanTheLatestWeeksAverage) {
  EXPECT_EQ(GuildBoss::calibrate({1000, 2000, 3000}, 1, false), 2300);
  // 2300 × 0.85 = 1955, rounded to the nearest hundred.
  EXPECT_EQ(GuildBoss::calibrate({1000, 2000, 3000}, 1, true), 2000);
  // Only the three latest weeks count.
  EXPECT_EQ(GuildBoss::calibrate({1000, 2000, 3000, 90000}, 1, false), 2300);
  // Fewer weeks are averaged as they are: 1000 × 1.15 = 1150 rounds half up to 1200.
  EXPECT_EQ(GuildBoss::calibrate({1000}, 1, false), 1200);
  EXPECT_EQ(GuildBoss::calibrate({1040}, 1, false), 1200);  // 1196
  EXPECT_EQ(GuildBoss::calibrate({990}, 1, false), 1100);   // 1138.5
}

TEST(GuildBoss, TheFloorWinsOverAWeakHistory) {
  EXPECT_EQ(GuildBoss::calibrate({100, 200}, 10, false), 6000);
  EXPECT_EQ(GuildBoss::calibrate({-5000}, 1, false), 600);
  EXPECT_EQ(GuildBoss::calibrate({0, 0, 0}, 3, true), 1800);
}

TEST(GuildBoss, HugeCountsSaturateInsteadOfWrapping) {
  EXPECT_GT(GuildBoss::calibrate({INT64_MAX, INT64_MAX}, 1, false), 0);
  EXPECT_GT(GuildBoss::calibrate({}, INT64_MAX, false), 0);
}

TEST(GuildBoss, TheFormIsFnv1aOfDomainAndWeek) {
  // The reference values of 32-bit FNV-1a.
  EXPECT_EQ(hashes::fnv1a32(""), 0x811C9DC5u);
  EXPECT_EQ(hashes::fnv1a32("a"), 0xE40C292Cu);
  EXPECT_EQ(GuildBoss::forms[hashes::fnv1a32("") & 7].key, "basilic_notifications");
  EXPECT_EQ(GuildBoss::form("acme.com", "2026-W49").key, "hydre_reunions");
  EXPECT_EQ(GuildBoss::form("acme.com", "2026-W50").key, "moloch_imprevus");
  EXPECT_EQ(GuildBoss::form("initech.fr", "2026-W49").key, "leviathan_backlog");
  // Hashed as UTF-8 bytes.
  EXPECT_EQ(GuildBoss::form("société.fr", "2026-W01").emoji, "🐋");
}

TEST(GuildBoss, EveryFormCanComeUp) {
  std::set<std::string_view> seen;
  for (int week = 1; week <= 52; ++week) {
    seen.insert(GuildBoss::form("acme.com", "2026-W" + std::to_string(week)).key);
  }
  EXPECT_EQ(seen.size(), GuildBoss::forms.size());
}

}  // namespace
}  // namespace talewick
