// Vocations and narrative modes from the command line, over a hero document written by the test:
// the first choice free, later changes for gold, refusals that change nothing; and the rules
// behind them as `talewick rules` answers them.
#include <gtest/gtest.h>

#include "game/hero.hpp"
#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class VocationCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T21:00:00+01:00");
    withGold(200);
  }
  void TearDown() override { testing::forgetCommandHome(); }

  void withGold(int64_t gold) {
    Json doc = testing::runCliJson({"hero"})["hero"];
    doc["gold"] = gold;
    doc["goldVersion"] = doc["goldVersion"].get<int64_t>() + 1;
    home.write("hero-sync-v1.json", doc.dump());
  }
  static testing::CliResult cli(const std::vector<std::string>& args) {
    return testing::runCli(args);
  }
  static Json hero() { return testing::runCliJson({"hero"})["hero"]; }
  static void refused(const std::vector<std::string>& args, const std::string& says) {
    const Json before = hero();
    const testing::CliResult r = cli(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    EXPECT_EQ(hero(), before) << args.back();
  }

  testing::TempFolder home{"vocation-commands"};
};

TEST_F(VocationCommands, TheFirstVocationIsFreeAndAChangeCostsGold) {
  EXPECT_NE(cli({"vocation"}).out.find("le premier choix est offert"), std::string::npos);
  EXPECT_EQ(testing::runCliJson({"vocation"})["cost"], 0);
  ASSERT_EQ(cli({"vocation", "choose", "PALADIN"}).status, 0);
  Json h = hero();
  EXPECT_EQ(h["vocation"], "gardien");
  EXPECT_EQ(h["gold"], 200);
  EXPECT_EQ(h["stats"]["love"], 6);

  refused({"vocation", "choose", "gardien"}, "c'est déjà ta vocation");
  refused({"vocation", "choose", "barde"}, "vocation inconnue");
  refused({"vocation", "choose"}, "id");

  ASSERT_EQ(cli({"vocation", "choose", "mage"}).status, 0);
  h = hero();
  EXPECT_EQ(h["vocation"], "erudit");
  EXPECT_EQ(h["gold"], 50);
  EXPECT_EQ(h["stats"]["love"], 0);  // the old role's shift is given back
  EXPECT_EQ(h["stats"]["wisdom"], 6);
  refused({"vocation", "choose", "berserk"}, "pas assez d'or : changer de vocation coûte 150 or");
}

TEST_F(VocationCommands, ANewNarrativeModeIsBoughtOnceAndTheFirstChoiceIsFree) {
  ASSERT_EQ(cli({"mode", "darkEpic"}).status, 0);  // the first choice
  EXPECT_EQ(hero()["gold"], 200);
  refused({"mode", "darkEpic"}, "c'est déjà ton mode narratif");
  EXPECT_NE(cli({"mode"}).out.find("comic"), std::string::npos);
  refused({"mode", "comic"}, "pas assez d'or : changer de mode narratif coûte 300 or");
  EXPECT_EQ(testing::runCliJson({"mode"})["mode"], "darkEpic");

  withGold(300);
  ASSERT_EQ(cli({"mode", "comic"}).status, 0);
  EXPECT_EQ(hero()["gold"], 0);
  // The modes chosen or bought before are free again.
  ASSERT_EQ(cli({"mode", "heroicPapa"}).status, 0);
  ASSERT_EQ(cli({"mode", "comic"}).status, 0);
  const Json modes = testing::runCliJson({"mode"})["modes"];
  for (const Json& m : modes) {
    const bool owned = m["mode"] == "heroicPapa" || m["mode"] == "darkEpic" || m["mode"] == "comic";
    EXPECT_EQ(m["cost"], owned ? 0 : 300) << m["mode"];
  }
}

Json rule(const std::string& name, const Json& arguments) {
  const testing::CliResult r = testing::runCli({"rules", name}, arguments.dump());
  EXPECT_EQ(r.status, 0) << r.err;
  return r.status == 0 ? Json::parse(r.out) : Json();
}

TEST_F(VocationCommands, TheRulesAnswerAsTheCommandsPay) {
  EXPECT_EQ(rule("Vocations.role", {{"fromId", "Paladin"}}), "gardien");
  EXPECT_TRUE(rule("Vocations.role", {{"fromId", nullptr}}).is_null());
  EXPECT_EQ(rule("Vocations.startStats", {{"role", "funambule"}})["energy"], 60 + 8);
  EXPECT_EQ(rule("Vocations.display", {{"id", "rodeur"}, {"mode", "comic"}})["emoji"],
            rule("Vocations.display", {{"role", "funambule"}, {"mode", "comic"}})["emoji"]);

  Hero poor;
  poor.gold = 299;
  const Json refused = rule(
      "RPGMode.purchaseSwitch",
      {{"hero", json_coding::encode(poor)}, {"to", "comic"}, {"from", "darkEpic"}, {"cost", 300}});
  EXPECT_EQ(refused, (Json{{"kind", "failure"}, {"failure", "insufficientGold"}}));
  Hero rich = poor;
  rich.gold = 300;
  const Json paid =
      rule("RPGMode.purchaseSwitch",
           {{"hero", json_coding::encode(rich)}, {"to", "comic"}, {"from", "darkEpic"}});
  EXPECT_EQ(paid["kind"], "success");
  EXPECT_EQ(paid["success"]["gold"], 0);
  EXPECT_EQ(
      rule("RPGMode.purchaseSwitch",
           {{"hero", json_coding::encode(rich)}, {"to", "comic"}, {"from", "comic"}})["failure"],
      "sameMode");
  EXPECT_EQ(rule("Vocations.changeVocation", {{"hero", json_coding::encode(poor)},
                                              {"toId", "mage"},
                                              {"cost", 0}})["success"]["vocation"],
            "erudit");
}

}  // namespace
}  // namespace talewick::ui
