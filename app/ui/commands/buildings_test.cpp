// `talewick buildings` over a hero document written by the test: each realm's building grows
// with the hero's level.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "game/xp.hpp"
#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class BuildingsCommand : public ::testing::Test {
 protected:
  void SetUp() override { testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00"); }
  void TearDown() override { testing::forgetCommandHome(); }

  void heroAtLevel(int64_t level) {
    const Json hero{{"name", "Léa"},
                    {"totalXp", Xp::totalXpToReach(level)},
                    {"gold", 0},
                    {"streak", 0},
                    {"avatar", "🦊"}};
    home.write("hero-sync-v1.json", hero.dump());
  }
  // building → [stage, hero level of the next stage or 0 at the last one]
  static std::map<std::string, std::pair<int64_t, int64_t>> stages(const Json& out) {
    std::map<std::string, std::pair<int64_t, int64_t>> found;
    for (const Json& b : out["buildings"]) {
      found[b["building"].get<std::string>()] = {b["stage"].get<int64_t>(),
                                                 b.value("nextStageHeroLevel", int64_t{0})};
    }
    return found;
  }

  testing::TempFolder home{"buildings-command"};
};

TEST_F(BuildingsCommand, EachBuildingGrowsAtItsOwnHeroLevels) {
  using Stages = std::map<std::string, std::pair<int64_t, int64_t>>;
  heroAtLevel(1);
  Json out = testing::runCliJson({"buildings"});
  EXPECT_EQ(out["heroLevel"], 1);
  EXPECT_EQ(stages(out), (Stages{{"family", {1, 2}},
                                 {"personal", {1, 3}},
                                 {"reminders", {1, 4}},
                                 {"factions", {1, 5}},
                                 {"tickets", {1, 6}},
                                 {"deadlines", {1, 7}}}));
  // In the realms' order, the order of the map.
  EXPECT_EQ(out["buildings"][2]["building"], "factions");

  heroAtLevel(2);
  out = testing::runCliJson({"buildings"});
  EXPECT_EQ(out["heroLevel"], 2);
  EXPECT_EQ(stages(out)["family"], (std::pair<int64_t, int64_t>{2, 8}));
  EXPECT_EQ(stages(out)["personal"], (std::pair<int64_t, int64_t>{1, 3}));
  const testing::CliResult text = testing::runCli({"buildings"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("Bâtiments du royaume — héros niveau 2"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("niveau 2/5 — niveau 3 quand le héros atteint le niveau 8"),
            std::string::npos)
      << text.out;

  heroAtLevel(25);
  out = testing::runCliJson({"buildings"});
  for (const auto& [building, stage] : stages(out)) {
    EXPECT_EQ(stage, (std::pair<int64_t, int64_t>{5, 0})) << building;
  }
  EXPECT_NE(testing::runCli({"buildings"}).out.find("niveau 5/5 — achevé"), std::string::npos);
}

}  // namespace
}  // namespace talewick::ui
