// Buildings, cosmetics, inhabitants, reputation and quest offers as `talewick rules` answers
// them, and the refusal of damaged arguments.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"

namespace talewick::ui {
namespace {

Json rule(const std::string& name, const Json& arguments) {
  const testing::CliResult r = testing::runCli({"rules", name}, arguments.dump());
  EXPECT_EQ(r.status, 0) << name << ": " << r.err;
  return r.status == 0 ? Json::parse(r.out) : Json();
}

Json alias(const char* kind, const char* value) { return Json{{kind, Json{{"_0", value}}}}; }

TEST(PeopleRules, BuildingsAndCosmeticsAnswerWithTheirTables) {
  EXPECT_EQ(rule("KingdomBuildingProgression.stage", {{"for", "deadlines"}, {"heroLevel", 25}}), 5);
  EXPECT_EQ(rule("KingdomBuildingProgression.stage", {{"for", "family"}, {"heroLevel", 0}}), 1);
  const Json oneBoss{
      {"weeklyBossesDefeated", 1}, {"campaignsCompleted", 0}, {"guildSeasonsCompleted", 0}};
  EXPECT_EQ(rule("KingdomCosmetics.fraction", {{"item", "mount_destrier"}, {"progress", oneBoss}}),
            0.5);
  const Json statue = rule("KingdomCosmetics.item", {{"id", "deco_statue"}});
  EXPECT_EQ(statue["requirement"], (Json{{"metric", "campaignsCompleted"}, {"threshold", 1}}));
  Json three = oneBoss;
  three["campaignsCompleted"] = 3;
  Json one = oneBoss;
  one["campaignsCompleted"] = 1;
  const Json fresh = rule("KingdomCosmetics.newlyUnlocked", {{"before", one}, {"now", three}});
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_EQ(fresh[0]["id"], "deco_obelisque");
  EXPECT_EQ(rule("KingdomCosmetics.catalog", {{"kind", "mount"}}).size(), 8u);
  EXPECT_EQ(rule("KingdomCosmetics.unlockReceiptID", {{"itemID", "pet_chouette"}}),
            "cosmetic:pet_chouette");
}

TEST(PeopleRules, InhabitantsMergeAndEarnReputation) {
  EXPECT_EQ(rule("AliasKey.email", {{"value", "  Bob@X.org\n"}}), alias("email", "bob@x.org"));
  EXPECT_TRUE(rule("AliasKey.name", {{"value", " "}}).is_null());
  const Json first = rule("InhabitantRegistry.upsert", {{"keys", {alias("email", "bob@x.org")}},
                                                        {"displayName", "Bob"},
                                                        {"kind", "colleague"},
                                                        {"now", "2026-03-02T09:00:00Z"},
                                                        {"into", Json::array()}});
  EXPECT_EQ(first["id"], "email:bob@x.org");
  const Json second = rule("InhabitantRegistry.upsert",
                           {{"keys", {alias("linearMember", "u-b"), alias("email", "BOB@x.org")}},
                            {"displayName", "Robert"},
                            {"kind", "external"},
                            {"now", "2026-03-03T09:00:00Z"},
                            {"into", first["into"]}});
  ASSERT_EQ(second["into"].size(), 1u);
  EXPECT_EQ(second["into"][0]["aliases"].size(), 2u);
  const Json meeting{{"id", "m1"},
                     {"keys", {alias("linearMember", "u-b")}},
                     {"sharedMeetings", 1},
                     {"coHandledTickets", 0},
                     {"completedForYou", 0}};
  const Json applied =
      rule("ReputationLedger.apply",
           {{"contributions", {meeting, meeting}}, {"into", second["into"]}, {"counted", {"x"}}});
  EXPECT_EQ(applied["into"][0]["links"]["sharedMeetings"], 1);
  EXPECT_EQ(applied["counted"], (Json{"m1", "x"}));
  const Json p =
      rule("Reputation.progress",
           {{"tally", {{"sharedMeetings", 2}, {"coHandledTickets", 1}, {"completedForYou", 1}}}});
  EXPECT_EQ(p["into"], 19);
  EXPECT_EQ(p["span"], 25);
  EXPECT_EQ(rule("Reputation.tier", {{"forPoints", 900}})["nameKey"], "reputation.tier.sworn");
}

TEST(PeopleRules, OffersAreSortedAndGivenToTheirActors) {
  const Json ticket{
      {"id", "t1"},           {"reference", "ENG-1"}, {"title", "Fix"},         {"creator", "Léo"},
      {"assignedToMe", true}, {"createdByMe", false}, {"stateType", "Backlog"}, {"priority", 1}};
  const Json invite{{"id", "i1"},
                    {"title", "Revue"},
                    {"organizerEmail", "claire@x.org"},
                    {"needsResponse", true}};
  const Json offers = rule("QuestOffers.pending",
                           {{"invites", {invite}}, {"tickets", {ticket}}, {"seen", {"linear:t1"}}});
  ASSERT_EQ(offers.size(), 2u);
  EXPECT_EQ(offers[0]["id"], "linear:t1");
  EXPECT_EQ(offers[0]["rarity"], "epic");
  EXPECT_EQ(offers[0]["isNew"], false);
  EXPECT_EQ(offers[1]["xpReward"], 40);
  EXPECT_EQ(rule("QuestOffers.ticketReward", {{"priority", 2}}), (Json{{"xp", 80}, {"gold", 26}}));
  const Json given = rule("QuestOfferGivers.assign", {{"offers", offers},
                                                      {"actors",
                                                       {{{"id", "c"},
                                                         {"name", "Claire"},
                                                         {"emails", {"Claire@x.org"}},
                                                         {"isCurrentUser", false}}}},
                                                      {"aliases", Json::object()}});
  EXPECT_EQ(given["byActor"]["c"][0]["id"], "invite:i1");
  EXPECT_EQ(given["orphans"][0]["id"], "linear:t1");
}

TEST(PeopleRules, DamagedArgumentsAreRefusedWithoutOutput) {
  const std::pair<const char*, const char*> damaged[] = {
      {"KingdomBuildingProgression.stage", R"({"for":"castle","heroLevel":3})"},
      {"KingdomCosmetics.fraction", R"({"item":"mount_unicorn","progress":{}})"},
      {"InhabitantRegistry.resolve", R"({"keys":[{"fax":{"_0":"1"}}],"in":[]})"},
      {"Reputation.points", R"({"tally":{"sharedMeetings":"many"}})"},
      {"QuestOffers.pending", R"({"invites":[],"tickets":[{}],"seen":[]})"},
      {"QuestOfferGivers.assign", "{\"offers\": ["}};
  for (const auto& [name, input] : damaged) {
    const testing::CliResult r = testing::runCli({"rules", name}, input);
    EXPECT_EQ(r.status, 2) << name;
    EXPECT_TRUE(r.out.empty()) << name;
    EXPECT_FALSE(r.err.empty()) << name;
  }
}

}  // namespace
}  // namespace talewick::ui
