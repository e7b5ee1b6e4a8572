// Which invitations and tickets become offers, their rewards and order, and who gave them.
#include "kingdom/quest_offers.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using namespace QuestOffers;
using QuestOfferGivers::Actor;

InviteCandidate invite(std::string id, bool needsResponse = true) {
  const std::string title = "Revue " + id;
  return {std::move(id), title, "Claire Petit", "claire@x.org", needsResponse};
}

TicketCandidate ticket(std::string id, int64_t priority,
                       std::optional<std::string> state = "Todo") {
  TicketCandidate t;
  t.id = std::move(id);
  t.reference = "ENG-" + t.id;
  t.title = "Réparer " + t.id;
  t.creator = "Léo";
  t.creatorEmail = "leo@x.org";
  t.assignedToMe = true;
  t.stateType = state ? std::optional<std::string>("unstarted") : std::nullopt;
  t.priority = priority;
  return t;
}

std::vector<std::string> ids(const std::vector<Offer>& offers) {
  std::vector<std::string> out;
  for (const Offer& o : offers) out.push_back(o.id);
  return out;
}

TEST(QuestOffers, TicketRewardsFollowPriority) {
  EXPECT_EQ(ticketReward(1), (Reward{100, 35}));
  EXPECT_EQ(ticketReward(2), (Reward{80, 26}));
  EXPECT_EQ(ticketReward(3), (Reward{65, 18}));
  for (const int64_t other : {0, 4, 5, -1}) EXPECT_EQ(ticketReward(other), (Reward{55, 14}));
}

TEST(QuestOffers, InvitationsNeedingAnAnswerBecomeRareOffers) {
  const auto offers = pending({invite("a"), invite("answered", false)}, {}, {});
  ASSERT_EQ(offers.size(), 1u);
  const Offer& o = offers.front();
  EXPECT_EQ(o, (Offer{"invite:a", Kind::invitation, "Revue a", "Claire Petit", "claire@x.org",
                      std::nullopt, Rarity::rare, true, 40, 12}));
}

TEST(QuestOffers, OnlyUnstartedTicketsFromOthersAssignedToTheUserAreOffered) {
  TicketCandidate mine = ticket("mine", 1);
  mine.createdByMe = true;
  TicketCandidate notMine = ticket("other", 1);
  notMine.assignedToMe = false;
  TicketCandidate backlog = ticket("backlog", 3);
  backlog.stateType = "BackLog";
  TicketCandidate started = ticket("started", 1);
  started.stateType = "started";
  TicketCandidate unstarted = ticket("unstarted", 2);
  unstarted.stateType = "UNSTARTED";
  const auto offers = pending(
      {}, {mine, notMine, backlog, started, unstarted, ticket("stateless", 1, std::nullopt)}, {});
  EXPECT_EQ(ids(offers), (std::vector<std::string>{"linear:unstarted", "linear:backlog"}));
  EXPECT_EQ(offers[0].reference, "ENG-unstarted");
  EXPECT_EQ(offers[0].giver, "Léo");
  EXPECT_EQ(offers[0].rarity, Rarity::rare);
  EXPECT_EQ(offers[0].xpReward, 80);
  EXPECT_EQ(offers[1].rarity, Rarity::common);
  EXPECT_EQ(offers[1].goldReward, 18);
}

TEST(QuestOffers, RarerFirstThenNewBeforeSeenThenByID) {
  const auto offers = pending({invite("r")}, {ticket("2", 1), ticket("1", 1), ticket("9", 4)},
                              {"linear:1", "invite:zzz"});
  EXPECT_EQ(ids(offers),
            (std::vector<std::string>{"linear:2", "linear:1", "invite:r", "linear:9"}));
  EXPECT_EQ(offers[0].rarity, Rarity::epic);
  EXPECT_TRUE(offers[0].isNew);
  EXPECT_FALSE(offers[1].isNew);
  EXPECT_EQ(offers[1].xpReward, 100);
  EXPECT_EQ(offers[3].xpReward, 55);
  // Within one rarity and freshness, ids order the offers.
  EXPECT_EQ(ids(pending({invite("b"), invite("a")}, {ticket("0", 2)}, {})),
            (std::vector<std::string>{"invite:a", "invite:b", "linear:0"}));
}

TEST(QuestOffers, RecordsRoundTripAndDamagedCandidatesAreRefused) {
  const auto offers = pending({invite("a")}, {ticket("1", 1)}, {});
  const Json j = json_coding::encode(offers);
  EXPECT_EQ(j[0]["kind"], "ticket");
  EXPECT_EQ(j[0]["rarity"], "epic");
  EXPECT_FALSE(j[1].contains("reference"));
  EXPECT_EQ(decodeJsonText<std::vector<Offer>>(j.dump()), offers);
  EXPECT_EQ(decodeJsonText<TicketCandidate>(json_coding::encode(ticket("1", 2)).dump()),
            ticket("1", 2));
  EXPECT_THROW(decodeJsonText<InviteCandidate>(R"({"id":"a","title":"t"})"), DecodeError);
  EXPECT_THROW(decodeJsonText<TicketCandidate>(
                   R"({"id":"a","reference":"E-1","title":"t","assignedToMe":true,)"
                   R"("createdByMe":false,"priority":"high"})"),
               DecodeError);
  EXPECT_THROW(decodeJsonText<Offer>(R"({"id":"a","kind":"quest"})"), DecodeError);
  EXPECT_THROW(decodeJsonText<Offer>("\x01{"), DecodeError);
}

Offer offerFrom(std::string id, std::optional<std::string> giver,
                std::optional<std::string> email) {
  Offer o;
  o.id = std::move(id);
  o.giver = std::move(giver);
  o.giverEmail = std::move(email);
  return o;
}

TEST(QuestOfferGivers, OffersGoToTheActorFoundByAddressNameOrAlias) {
  const std::vector<Actor> actors{{"claire", "Claire Petit", {"Claire@X.org"}, false},
                                  {"leo", "Léo Martin", {"leo@x.org"}, false},
                                  {"me", "Moi", {"me@x.org"}, true}};
  const std::vector<Offer> offers{offerFrom("by-mail", "Someone", " CLAIRE@x.org"),
                                  offerFrom("by-name", "leo martin", std::nullopt),
                                  offerFrom("by-alias-mail", std::nullopt, "l.martin@old.org"),
                                  offerFrom("by-alias-name", "Le Chef", std::nullopt),
                                  offerFrom("mail-first", "Léo Martin", "claire@x.org"),
                                  offerFrom("unknown", "Zed", "zed@x.org"),
                                  offerFrom("nobody", std::nullopt, std::nullopt)};
  const std::map<std::string, std::string> aliases{{"L.Martin@old.org", "leo@x.org"},
                                                   {"le chef", "Claire Petit"}};
  const auto a = QuestOfferGivers::assign(offers, actors, aliases);
  EXPECT_EQ(ids(a.byActor.at("claire")),
            (std::vector<std::string>{"by-mail", "by-alias-name", "mail-first"}));
  EXPECT_EQ(ids(a.byActor.at("leo")), (std::vector<std::string>{"by-name", "by-alias-mail"}));
  EXPECT_FALSE(a.byActor.contains("me"));
  EXPECT_EQ(ids(a.orphans), (std::vector<std::string>{"unknown", "nobody"}));
  const Json j = a;
  EXPECT_EQ(j["byActor"]["leo"][0]["id"], "by-name");
  EXPECT_EQ(j["orphans"].size(), 2u);
}

TEST(QuestOfferGivers, ATieGoesToTheFirstActorAndHostileNamesMatchNothingElse) {
  const std::vector<Actor> twins{{"first", "Sam", {}, false}, {"second", "sam", {}, false}};
  const std::string hostile = "\x1b]0;pwned\x07" + std::string(10 * 1024, 'x');
  const auto a = QuestOfferGivers::assign(
      {offerFrom("o1", "SAM", std::nullopt), offerFrom("o2", hostile, hostile)}, twins, {});
  EXPECT_EQ(ids(a.byActor.at("first")), (std::vector<std::string>{"o1"}));
  EXPECT_FALSE(a.byActor.contains("second"));
  EXPECT_EQ(ids(a.orphans), (std::vector<std::string>{"o2"}));
  const Actor decoded = decodeJsonText<Actor>(
      R"({"id":"x","name":"X","emails":["b@x.org","a@x.org"],"isCurrentUser":true})");
  EXPECT_EQ(decoded.emails, (std::set<std::string>{"a@x.org", "b@x.org"}));
  EXPECT_THROW(decodeJsonText<Actor>(R"({"id":"x","name":"X","emails":"a","isCurrentUser":true})"),
               DecodeError);
}

}  // namespace
}  // namespace talewick
