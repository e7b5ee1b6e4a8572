// Reputation points, tiers and progress; the ledger that counts each contribution once; the
// merge of two machines' books.
#include "kingdom/reputation.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using namespace Reputation;
using ReputationLedger::Contribution;

AliasKey email(std::string_view s) { return *AliasKey::email(s); }
AliasKey member(std::string_view s) { return *AliasKey::linearMember(s); }

Inhabitant person(std::string id, std::set<AliasKey> aliases, LienTally links = {}) {
  Inhabitant i;
  i.id = std::move(id);
  i.displayName = i.id;
  i.kind = Inhabitant::Kind::colleague;
  i.aliases = std::move(aliases);
  i.links = links;
  i.firstSeenISO = "2026-03-02T09:00:00Z";
  return i;
}

Contribution meeting(std::string id, std::vector<AliasKey> keys) {
  return {std::move(id), std::move(keys), 1, 0, 0};
}

TEST(Reputation, PointsWeighMeetingsTicketsAndTasks) {
  EXPECT_EQ(points(LienTally{2, 1, 1}), 19);
  const Progress p = progress(LienTally{2, 1, 1});
  EXPECT_EQ(p.current.nameKey, "reputation.tier.stranger");
  EXPECT_EQ(p.next->nameKey, "reputation.tier.acquaintance");
  EXPECT_EQ(p.into, 19);
  EXPECT_EQ(p.span, 25);
  EXPECT_DOUBLE_EQ(p.fraction, 19.0 / 25.0);
}

TEST(Reputation, TiersStartAtTheirThresholds) {
  const std::pair<int64_t, const char*> cases[] = {
      {-40, "stranger"},    {0, "stranger"},   {24, "stranger"},  {25, "acquaintance"},
      {74, "acquaintance"}, {75, "comrade"},   {150, "ally"},     {299, "ally"},
      {300, "companion"},   {550, "faithful"}, {899, "faithful"}, {900, "sworn"},
      {100000, "sworn"}};
  for (const auto& [points, name] : cases) {
    EXPECT_EQ(tier(points).nameKey, std::string("reputation.tier.") + name) << points;
  }
  EXPECT_EQ(tier(300).index, 4);
  EXPECT_EQ(tier(300).threshold, 300);
  const Progress mid = progress(int64_t{200});
  EXPECT_EQ(mid.current.index, 3);
  EXPECT_EQ(mid.into, 50);
  EXPECT_EQ(mid.span, 150);
  EXPECT_DOUBLE_EQ(mid.fraction, 50.0 / 150.0);
}

TEST(Reputation, TheTopTierHasNoNextTier) {
  const Progress top = progress(int64_t{900});
  EXPECT_EQ(top.current.nameKey, "reputation.tier.sworn");
  EXPECT_EQ(top.next, std::nullopt);
  EXPECT_EQ(top.span, std::nullopt);
  EXPECT_EQ(top.into, 0);
  EXPECT_DOUBLE_EQ(top.fraction, 1.0);
  const Json j = json_coding::encode(top);
  EXPECT_FALSE(j.contains("next"));
  EXPECT_FALSE(j.contains("span"));
  EXPECT_EQ(decodeJsonText<Progress>(j.dump()), top);
  EXPECT_DOUBLE_EQ(progress(int64_t{-10}).fraction, 0.0);
}

TEST(ReputationLedger, AContributionCountsOnce) {
  std::vector<Inhabitant> people{person("a", {email("a@x.org")}), person("b", {member("u-b")})};
  std::set<std::string> counted;
  const std::vector<Contribution> batch{meeting("meet-1", {email("A@X.org "), member("u-b")}),
                                        Contribution{"ticket-7", {member("u-b")}, 0, 1, 0},
                                        Contribution{"task-3", {email("nobody@x.org")}, 0, 0, 1}};
  ReputationLedger::apply(batch, people, counted);
  ReputationLedger::apply(batch, people, counted);
  EXPECT_EQ(people[0].links, (LienTally{1, 0, 0}));
  EXPECT_EQ(people[1].links, (LienTally{0, 1, 0}));
  EXPECT_EQ(counted, (std::set<std::string>{"meet-1", "ticket-7"}));
  // Once its person is known, the waiting contribution counts.
  people.push_back(person("n", {email("nobody@x.org")}));
  ReputationLedger::apply(batch, people, counted);
  EXPECT_EQ(people[2].links, (LienTally{0, 0, 1}));
  EXPECT_EQ(people[0].links, (LienTally{1, 0, 0}));
}

}  // namespace
}  // namespace talewick
