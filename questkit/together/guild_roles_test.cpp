// Who holds which role in the guild's week, and how varied the guild plays.
#include "together/guild_roles.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace talewick {
namespace {

using GuildRoles::Assignment;
using GuildRoles::MemberProfile;
using GuildRoles::Synergy;

TEST(GuildRoles, EachMeasureCrownsItsLeader) {
  const std::vector<MemberProfile> guild{
      {"ana", 900, 4, 3}, {"bob", 300, 12, 5}, {"cyd", 200, 2, 40}, {"dan", 100, 1, 1}};
  const Assignment roles = GuildRoles::assign(guild);
  EXPECT_EQ(roles, (Assignment{{"ana", GuildRole::champion},
                               {"bob", GuildRole::artisan},
                               {"cyd", GuildRole::gardien}}));
  EXPECT_EQ(GuildRoles::synergy(roles), Synergy::balanced);
  EXPECT_EQ(GuildRoles::synergy(guild), Synergy::balanced);
}

TEST(GuildRoles, OneRoleAMemberSoTheNextBestTakesTheRest) {
  // Ana leads every measure; she is the champion, the others take what is left.
  const Assignment roles =
      GuildRoles::assign({{"ana", 900, 20, 50}, {"bob", 300, 5, 2}, {"cyd", 200, 8, 1}});
  EXPECT_EQ(roles, (Assignment{{"ana", GuildRole::champion},
                               {"cyd", GuildRole::artisan},
                               {"bob", GuildRole::gardien}}));
}

TEST(GuildRoles, RolesAreEarnedNotHandedOut) {
  EXPECT_TRUE(GuildRoles::assign({}).empty());
  EXPECT_EQ(GuildRoles::synergy(std::vector<MemberProfile>{}), Synergy::solo);
  // Alone in the guild: one role at most.
  EXPECT_EQ(GuildRoles::assign({{"ana", 50, 2, 3}}), (Assignment{{"ana", GuildRole::champion}}));
  EXPECT_EQ(GuildRoles::synergy(std::vector<MemberProfile>{{"ana", 50, 2, 3}}), Synergy::solo);
  // Nobody played: nobody holds a role. Negative counts are nothing played.
  EXPECT_TRUE(GuildRoles::assign({{"ana", 0, 0, 0}, {"bob", -5, -1, -9}}).empty());
  // Only a streak kept: the keeper is the gardien, nobody the champion.
  EXPECT_EQ(GuildRoles::assign({{"ana", 0, 0, 6}, {"bob", 0, 0, 0}}),
            (Assignment{{"ana", GuildRole::gardien}}));
  const Assignment two = GuildRoles::assign({{"ana", 80, 0, 0}, {"bob", 10, 3, 0}});
  EXPECT_EQ(GuildRoles::synergy(two), Synergy::emerging);
}

TEST(GuildRoles, TiesGoToTheOtherMeasuresThenToTheMemberId) {
  // Same experience: the one with more quests is champion.
  EXPECT_EQ(GuildRoles::assign({{"ana", 500, 1, 1}, {"bob", 500, 2, 0}}).at("bob"),
            GuildRole::champion);
  // Equal in everything: the smaller id, whatever the roster order.
  std::vector<MemberProfile> twins{{"zoe", 500, 2, 2}, {"amy", 500, 2, 2}};
  const Assignment roles = GuildRoles::assign(twins);
  std::ranges::reverse(twins);
  EXPECT_EQ(GuildRoles::assign(twins), roles);
  EXPECT_EQ(roles.at("amy"), GuildRole::champion);
  EXPECT_EQ(roles.at("zoe"), GuildRole::artisan);
}

TEST(GuildRoles, AMemberListedTwiceCountsOnce) {
  const Assignment roles = GuildRoles::assign({{"ana", 100, 1, 1}, {"ana", 0, 50, 50}});
  EXPECT_EQ(roles, (Assignment{{"ana", GuildRole::champion}}));
}

TEST(GuildRoles, ProfilesDecodeStrictly) {
  const auto m =
      decodeJsonText<MemberProfile>(R"({"memberId":"m1","weekXp":10,"weekQuests":2,"streak":4})");
  EXPECT_EQ(m, (MemberProfile{"m1", 10, 2, 4}));
  EXPECT_EQ(decodeJsonText<MemberProfile>(json_coding::encode(m).dump()), m);
  EXPECT_THROW(decodeJsonText<MemberProfile>(R"({"memberId":"m1","weekXp":10,"weekQuests":2})"),
               DecodeError);
  EXPECT_EQ(rawValue(GuildRole::gardien), "gardien");
  EXPECT_EQ(fromRaw<GuildRole>("guardian"), std::nullopt);
}

}  // namespace
}  // namespace talewick
