// The cosmetic catalogue, its unlock rules and its records' JSON.
#include "kingdom/kingdom_cosmetics.hpp"

#include <gtest/gtest.h>

#include "support/loc.hpp"

namespace talewick {
namespace {

using namespace KingdomCosmetics;

std::vector<std::string> ids(const std::vector<Item>& items) {
  std::vector<std::string> out;
  for (const Item& i : items) out.push_back(i.id);
  return out;
}

Item itemNamed(std::string_view id) {
  const auto found = item(id);
  if (!found) throw std::runtime_error("no item " + std::string(id));
  return *found;
}

TEST(KingdomCosmetics, CatalogueHoldsElevenItemsInOrderWithTheirRequirements) {
  EXPECT_EQ(ids(catalog()),
            (std::vector<std::string>{
                "mount_destrier", "mount_griffon", "mount_mode_heroicPapa", "mount_mode_darkEpic",
                "mount_mode_comic", "mount_mode_mythological", "mount_mode_fairyTale",
                "mount_mode_donjon", "pet_chouette", "deco_statue", "deco_obelisque"}));
  int64_t previous = 0;
  for (const Item& mount : catalog(Kind::mount)) {
    EXPECT_EQ(mount.requirement.metric, Metric::weeklyBossesDefeated);
    EXPECT_EQ(mount.requirement.threshold, previous + 2) << mount.id;
    previous = mount.requirement.threshold;
    EXPECT_EQ(mount.walkSheetName, mount.spriteName + "_walk_4dir");
    EXPECT_DOUBLE_EQ(mount.movementSpeedMultiplier, 1.1);
  }
  EXPECT_EQ(previous, 16);
  const Item owl = itemNamed("pet_chouette");
  EXPECT_EQ(owl.requirement, (Requirement{Metric::guildSeasonsCompleted, 1}));
  EXPECT_EQ(owl.walkSheetName, std::nullopt);
  EXPECT_DOUBLE_EQ(owl.movementSpeedMultiplier, 1.0);
  EXPECT_EQ(owl.name, "Chouette de la Guilde");
  EXPECT_EQ(ids(catalog(Kind::decoration)),
            (std::vector<std::string>{"deco_statue", "deco_obelisque"}));
  EXPECT_EQ(itemNamed("deco_obelisque").requirement, (Requirement{Metric::campaignsCompleted, 3}));
  EXPECT_EQ(itemNamed("mount_mode_comic").spriteName, "cosmetic_mount_comic");
  EXPECT_EQ(item("mount_unknown"), std::nullopt);
  EXPECT_EQ(item(""), std::nullopt);
}

TEST(KingdomCosmetics, OneDefeatedBossUnlocksNothingAndIsHalfWayToTheDestrier) {
  const Progress oneBoss{1, 0, 0};
  EXPECT_TRUE(unlocked(oneBoss).empty());
  EXPECT_DOUBLE_EQ(fraction(itemNamed("mount_destrier"), oneBoss), 0.5);
  EXPECT_DOUBLE_EQ(fraction(itemNamed("mount_griffon"), oneBoss), 0.25);
  EXPECT_DOUBLE_EQ(fraction(itemNamed("mount_destrier"), Progress{9, 0, 0}), 1.0);
  EXPECT_DOUBLE_EQ(fraction(itemNamed("mount_destrier"), Progress{-3, 0, 0}), 0.0);
  Item free = itemNamed("deco_statue");
  free.requirement.threshold = 0;
  EXPECT_DOUBLE_EQ(fraction(free, Progress{}), 1.0);
  EXPECT_TRUE(isUnlocked(free, Progress{}));
}

TEST(KingdomCosmetics, EachMetricUnlocksOnlyItsOwnItems) {
  EXPECT_EQ(ids(unlocked(Progress{4, 0, 0})),
            (std::vector<std::string>{"mount_destrier", "mount_griffon"}));
  EXPECT_EQ(ids(unlocked(Progress{0, 0, 1})), (std::vector<std::string>{"pet_chouette"}));
  EXPECT_EQ(ids(unlocked(Progress{2, 1, 1})),
            (std::vector<std::string>{"mount_destrier", "pet_chouette", "deco_statue"}));
  EXPECT_EQ(unlocked(Progress{100, 100, 100}).size(), 11u);
}

TEST(KingdomCosmetics, NewlyUnlockedNamesOnlyWhatTheProgressJustReached) {
  EXPECT_EQ(ids(newlyUnlocked(Progress{0, 1, 0}, Progress{0, 3, 0})),
            (std::vector<std::string>{"deco_obelisque"}));
  EXPECT_EQ(ids(newlyUnlocked(Progress{1, 0, 0}, Progress{6, 1, 0})),
            (std::vector<std::string>{"mount_destrier", "mount_griffon", "mount_mode_heroicPapa",
                                      "deco_statue"}));
  EXPECT_TRUE(newlyUnlocked(Progress{6, 3, 1}, Progress{6, 3, 1}).empty());
  EXPECT_TRUE(newlyUnlocked(Progress{6, 3, 1}, Progress{0, 0, 0}).empty());
}

TEST(KingdomCosmetics, UnlockReceiptsArePrefixedWithCosmetic) {
  EXPECT_EQ(unlockReceiptID("mount_griffon"), "cosmetic:mount_griffon");
  EXPECT_EQ(unlockReceiptID(""), "cosmetic:");
}

TEST(KingdomCosmetics, ItemsRoundTripThroughJsonAndDamagedOnesAreRefused) {
  for (const Item& i : {itemNamed("mount_destrier"), itemNamed("deco_statue")}) {
    const Json j = json_coding::encode(i);
    EXPECT_EQ(j.contains("walkSheetName"), i.kind == Kind::mount);
    EXPECT_EQ(decodeJsonText<Item>(j.dump()), i);
  }
  const Json requirement = json_coding::encode(Requirement{Metric::campaignsCompleted, 3});
  EXPECT_EQ(requirement.dump(), R"({"metric":"campaignsCompleted","threshold":3})");
  EXPECT_EQ(decodeJsonText<Progress>(
                R"({"weeklyBossesDefeated":2,"campaignsCompleted":1,"guildSeasonsCompleted":0})"),
            (Progress{2, 1, 0}));
  EXPECT_THROW(decodeJsonText<Requirement>(R"({"metric":"dragonsSlain","threshold":3})"),
               DecodeError);
  EXPECT_THROW(decodeJsonText<Requirement>(R"({"metric":"campaignsCompleted"})"), DecodeError);
  EXPECT_THROW(decodeJsonText<Progress>(R"({"weeklyBossesDefeated":"2")"), DecodeError);
  EXPECT_THROW(decodeJsonText<Item>("[]"), DecodeError);
}

}  // namespace
}  // namespace talewick
