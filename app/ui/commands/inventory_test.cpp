// The hero's items and gold from the command line: inventory, equip, unequip, recycle, shop, buy
// and deeds, over a hero document written by the test.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class InventoryCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T21:00:00+01:00");
    const auto item = [](const char* id, const char* templateId, const char* rarity,
                         const char* slot) {
      Json i{{"id", id},         {"name", templateId}, {"emoji", "🎒"},
             {"rarity", rarity}, {"effect", "effet"},  {"templateId", templateId}};
      if (slot) i["slot"] = slot;
      return i;
    };
    Json hero{
        {"name", "Léa"},
        {"totalXp", 0},
        {"gold", 50},
        {"streak", 0},
        {"avatar", "🦊"},
        {"stats", {{"love", 0}, {"energy", 20}, {"wisdom", 0}, {"strength", 0}, {"chaos", 20}}},
        {"inventory",
         {item("i1", "gourde_isotherme", "rare", "main"),
          item("i2", "casque_antibruit", "rare", "tete"),
          item("i3", "tasse_froide", "common", "main"),
          item("i4", "chaussette_orpheline", "common", nullptr)}}};
    home.write("hero-sync-v1.json", hero.dump());
  }
  void TearDown() override { testing::forgetCommandHome(); }

  static testing::CliResult cli(const std::vector<std::string>& args) {
    return testing::runCli(args);
  }
  static Json hero() { return testing::runCliJson({"hero"})["hero"]; }
  static std::vector<std::string> worn() {
    return testing::runCliJson({"inventory"})["equipped"].get<std::vector<std::string>>();
  }

  testing::TempFolder home{"inventory-commands"};
};

using Ids = std::vector<std::string>;

TEST_F(InventoryCommands, WearingOneItemPerSlot) {
  EXPECT_EQ(testing::runCliJson({"inventory"})["inventory"].size(), 4u);
  ASSERT_EQ(cli({"equip", "i1"}).status, 0);
  ASSERT_EQ(cli({"equip", "i2"}).status, 0);
  EXPECT_EQ(worn(), (Ids{"i1", "i2"}));
  ASSERT_EQ(cli({"equip", "i3"}).status, 0);  // the same slot as i1: it takes its place
  EXPECT_EQ(worn(), (Ids{"i2", "i3"}));

  const Json before = hero();
  EXPECT_EQ(cli({"equip", "i4"}).status, 2);  // a sock is not worn
  EXPECT_EQ(cli({"equip", "nope"}).status, 2);
  EXPECT_EQ(cli({"equip"}).status, 2);
  EXPECT_EQ(cli({"unequip", "pied"}).status, 2);
  EXPECT_EQ(hero(), before);

  // The best of each slot: the cursed cup scores below the flask. (Worn items are listed in
  // inventory order.)
  ASSERT_EQ(cli({"equip", "--best"}).status, 0);
  EXPECT_EQ(worn(), (Ids{"i1", "i2"}));
  ASSERT_EQ(cli({"unequip", "main"}).status, 0);
  EXPECT_EQ(worn(), (Ids{"i2"}));
}

TEST_F(InventoryCommands, RecyclingAndBuyingMoveGold) {
  ASSERT_EQ(cli({"equip", "i1"}).status, 0);
  ASSERT_EQ(cli({"recycle", "i3"}).status, 0);  // cursed: worth nothing
  EXPECT_EQ(hero()["gold"], 50);
  ASSERT_EQ(cli({"recycle", "i1"}).status, 0);
  EXPECT_EQ(hero()["gold"], 65);
  EXPECT_EQ(worn(), Ids{});
  EXPECT_EQ(cli({"recycle", "i1"}).status, 2);
  EXPECT_EQ(testing::runCliJson({"inventory"})["inventory"].size(), 2u);

  EXPECT_EQ(testing::runCliJson({"shop"}).size(), 2u);
  ASSERT_EQ(cli({"buy", "potion_energie"}).status, 0);
  Json h = hero();
  EXPECT_EQ(h["gold"], 35);
  EXPECT_EQ(h["stats"]["energy"], 45);
  ASSERT_EQ(cli({"buy", "potion_energie"}).status, 0);
  const testing::CliResult poor = cli({"buy", "potion_energie"});
  EXPECT_EQ(poor.status, 2);
  EXPECT_NE(poor.err.find("or"), std::string::npos) << poor.err;
  EXPECT_EQ(cli({"buy", "elixir"}).status, 2);
  EXPECT_EQ(hero()["gold"], 5);
}

TEST_F(InventoryCommands, DeedsOfAFreshHeroAreAllLocked) {
  const Json deeds = testing::runCliJson({"deeds"});
  EXPECT_TRUE(deeds["unlocked"].empty());
  EXPECT_EQ(deeds["locked"].size(), 18u);
  EXPECT_FALSE(deeds.contains("topDeedTitle"));
}

TEST_F(InventoryCommands, ADamagedHeroDocumentStopsTheGameUntilRepaired) {
  home.write("hero-sync-v1.json", "{\"name\": \"Léa\", \"totalXp\": ");
  cli({"hero"});  // sets the damaged document aside
  const testing::CliResult r = cli({"buy", "potion_energie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("hero-sync-v1.json.damaged"), std::string::npos) << r.err;
  EXPECT_EQ(cli({"replay", "--auto", "brave"}).status, 1);
  EXPECT_EQ(cli({"equip", "--best"}).status, 1);
  EXPECT_EQ(home.read("hero-sync-v1.json.damaged"), "{\"name\": \"Léa\", \"totalXp\": ");
}

}  // namespace
}  // namespace talewick::ui
