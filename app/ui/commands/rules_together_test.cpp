// The guild, the world boss and its vigil as `talewick rules` answers them, end to end, and the
// refusal of damaged arguments.
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

TEST(TogetherRules, TheGuildsBossRolesAndFailures) {
  EXPECT_EQ(rule("GuildBoss.calibrate",
                 {{"history", {1000, 2000, 3000}}, {"activeMembers", 1}, {"lastEscaped", true}}),
            2000);
  EXPECT_EQ(rule("GuildBoss.calibrate",
                 {{"history", Json::array()}, {"activeMembers", 4}, {"lastEscaped", false}}),
            2400);
  EXPECT_EQ(rule("GuildBoss.form", {{"domain", "acme.com"}, {"week", "2026-W49"}}),
            (Json{{"key", "hydre_reunions"}, {"emoji", "🐉"}}));
  EXPECT_EQ(rule("Guild.levelFromTotalXp", {{"xp", 800}})["level"], 2);
  EXPECT_EQ(rule("Guild.domainOf", {{"email", "Claire@Acme.fr"}}), "acme.fr");
  EXPECT_TRUE(rule("Guild.domainOf", {{"email", "claire"}}).is_null());
  const Json members = {{{"memberId", "ana"}, {"weekXp", 900}, {"weekQuests", 1}, {"streak", 1}},
                        {{"memberId", "bob"}, {"weekXp", 10}, {"weekQuests", 9}, {"streak", 2}}};
  const Json roles = rule("GuildRoles.assign", {{"members", members}});
  EXPECT_EQ(roles, (Json{{"ana", "champion"}, {"bob", "artisan"}}));
  EXPECT_EQ(rule("GuildRoles.synergy", {{"of", roles}}), 1);
  EXPECT_EQ(rule("GuildRoles.synergy", {{"of", members}}), 1);
  EXPECT_EQ(
      rule("GuildService.error", {{"from", R"({"error":"bad_or_expired_code"})"}, {"status", 400}}),
      "Code invalide ou expiré — redemande un code.");
  EXPECT_EQ(rule("GuildService.error", {{"from", ""}, {"status", 500}}),
            "Erreur serveur (HTTP 500).");
  const Json body = rule("GuildContribution.networkBody", {{"aggregate",
                                                            {{"day", "2026-12-04"},
                                                             {"xp", 7000},
                                                             {"questsDone", 3},
                                                             {"streak", -2},
                                                             {"heroName", "Aube"},
                                                             {"mode", "comic"}}},
                                                           {"totalXp", 9000},
                                                           {"level", 4}});
  EXPECT_EQ(body["xp"], 5000);
  EXPECT_EQ(body["streak"], 0);
  EXPECT_FALSE(body.contains("identityKeys"));
}

TEST(TogetherRules, TheWorldBossFromDamageToReward) {
  EXPECT_EQ(rule("WorldBoss.damage", {{"xp", 2000}, {"questsDone", 20}, {"streak", 40}}), 1950);
  EXPECT_EQ(rule("WorldBoss.hp", {{"enlisted", 3}, {"rivalry", true}}), 8970);
  EXPECT_EQ(rule("WorldBoss.effectiveRage", {{"rage", 100}, {"activeEnlisted", 4}}), 74);
  EXPECT_EQ(rule("WorldBoss.scourgeEffects", {{"rageLevel", 2}}),
            (Json{"marketEmbers", "buildingSmoke", "darkenedWindows"}));
  EXPECT_EQ(rule("WorldBoss.triggeredRageEvents", {{"rage", 50}}).back()["key"], "lanterns");
  const Json won = rule("WorldBoss.reward", {{"dealt", 12345}, {"victory", true}});
  EXPECT_EQ(won["gold"], 173);
  EXPECT_EQ(won["deed"]["id"], "fleautueur");
  EXPECT_EQ(rule("WorldBoss.reward", {{"dealt", 12345}, {"victory", false}}), (Json{{"gold", 0}}));
  EXPECT_EQ(rule("WorldBoss.form", {{"week", "2026-W49"}})["key"], "sandworm");
  EXPECT_EQ(rule("WorldBossService.checkPseudo", {{"pseudo", "A"}}),
            "Choisis un pseudo d'au moins 2 caractères.");
  EXPECT_TRUE(rule("WorldBossService.checkPseudo", {{"pseudo", "Aube"}}).is_null());
  EXPECT_EQ(rule("WorldBossService.error",
                 {{"from", R"({"error":"invalid_hero_name"})"}, {"status", 400}}),
            "Choisis un pseudo d'au moins 2 caractères.");
}

TEST(TogetherRules, TheVigilsSlotsRewardsAndPledge) {
  EXPECT_EQ(rule("WorldBossVigil.slot", {{"for", "2026-12-04T10:40:00+01:00"}}),
            "2026-12-04T09:30Z");
  EXPECT_EQ(rule("WorldBossVigil.nextSlot", {{"after", "2026-12-04T09:45:00Z"}}),
            "2026-12-04T10:00Z");
  // Instants leave as seconds since 2001 and feed the next call as they are.
  const Json opens = rule("WorldBossVigil.lobbyOpens", {{"slot", "2026-12-04T10:00Z"}});
  EXPECT_EQ(rule("WorldBossVigil.slot", {{"for", opens}}), "2026-12-04T09:30Z");
  EXPECT_EQ(rule("WorldBossVigil.slotStart", {{"from", "2026-12-04T10:00Z"}}).get<double>() -
                opens.get<double>(),
            600.0);
  EXPECT_TRUE(rule("WorldBossVigil.slotStart", {{"from", "2026-12-04T10:00"}}).is_null());
  EXPECT_EQ(rule("WorldBossVigil.holds", {{"beatWindows", 20}, {"sessionMinutes", 25}}), true);
  EXPECT_EQ(rule("WorldBossVigil.reward", {{"held", true}, {"othersHeld", 1}, {"questsDone", 1}}),
            65);
  EXPECT_EQ(rule("WorldBossVigil.reward", {{"held", true}, {"othersHeld", 1}}), 55);
  EXPECT_EQ(rule("WorldBossVigil.cry", {{"key", "courage"}})["messageEN"], "Courage!");
  EXPECT_EQ(rule("VigilService.pledgeCount", {{"lines", {"Rapport", " ", "Appel", "Relire"}}}), 3);
  EXPECT_EQ(rule("VigilService.error", {{"from", R"({"error":"locked"})"}, {"status", 409}}),
            "La veillée se scelle — réessaie dans un instant.");
}

TEST(TogetherRules, DamagedArgumentsAreRefusedWithoutOutput) {
  const std::pair<const char*, const char*> damaged[] = {
      {"GuildBoss.calibrate", R"({"history":[1000,"2000"],"activeMembers":1,"lastEscaped":false})"},
      {"GuildRoles.assign", R"({"members":[{"memberId":"a","weekXp":1}]})"},
      {"GuildService.error", R"({"from":"","status":"500"})"},
      {"WorldBoss.hp", R"({"enlisted":3})"},
      {"WorldBossVigil.slot", R"({"for":"tomorrow"})"},
      {"WorldBossVigil.slot", R"({"for":1e15})"},
      {"VigilService.pledgeCount", R"({"lines":"Rapport"})"},
      {"VigilService.error", "{\"from\": "}};
  for (const auto& [name, input] : damaged) {
    const testing::CliResult r = testing::runCli({"rules", name}, input);
    EXPECT_EQ(r.status, 2) << name << " " << input;
    EXPECT_TRUE(r.out.empty()) << name;
    EXPECT_NE(r.err.find("arguments invalides"), std::string::npos) << name << ": " << r.err;
  }
  // The message names the argument at fault.
  const testing::CliResult r = testing::runCli({"rules", "WorldBoss.hp"}, R"({"enlisted":3})");
  EXPECT_NE(r.err.find("rivalry"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace talewick::ui
