// Cosmetic rewards of the kingdom map: mounts, a pet and decorations, each earned by reaching a
// count of defeated weekly bosses, completed campaigns or completed guild seasons.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {
namespace KingdomCosmetics {

// Raw value = case name.
enum class Kind { mount, pet, decoration };
enum class Metric { weeklyBossesDefeated, campaignsCompleted, guildSeasonsCompleted };

// The hero's achievements the catalogue's requirements are measured against.
struct Progress {
  int64_t weeklyBossesDefeated = 0;
  int64_t campaignsCompleted = 0;
  int64_t guildSeasonsCompleted = 0;
  int64_t value(Metric metric) const;
  bool operator==(const Progress&) const = default;
};

struct Requirement {
  Metric metric = Metric::weeklyBossesDefeated;
  int64_t threshold = 0;
  bool operator==(const Requirement&) const = default;
};

struct Item {
  std::string id;
  Kind kind = Kind::mount;
  std::string name;   // in the current language
  std::string story;  // in the current language
  std::string spriteName;
  std::optional<std::string> walkSheetName;  // mounts only
  double movementSpeedMultiplier = 1.0;
  Requirement requirement;
  bool operator==(const Item&) const = default;
};

void to_json(Json& j, const Progress& v);
void from_json(const Json& j, Progress& v);
void to_json(Json& j, const Requirement& v);
void from_json(const Json& j, Requirement& v);
void to_json(Json& j, const Item& v);
void from_json(const Json& j, Item& v);

// Every item, in catalogue order (mounts by rising requirement, the pet, the decorations). Texts
// are localised once, at first use.
const std::vector<Item>& catalog();

// The catalogue's items of one kind, in catalogue order.
std::vector<Item> catalog(Kind kind);

// The item with this id; nullopt for an unknown id.
std::optional<Item> item(std::string_view id);

// Whether the progress reaches the item's requirement.
bool isUnlocked(const Item& item, const Progress& progress);

// How far the progress has come towards the item, 0 … 1; 1 for a requirement of 0 or less.
double fraction(const Item& item, const Progress& progress);

// The unlocked items, in catalogue order.
std::vector<Item> unlocked(const Progress& progress);

// The items unlocked with `now` that were not with `before`, in catalogue order. Progress that
// went down (a reset on another machine) unlocks nothing.
std::vector<Item> newlyUnlocked(const Progress& before, const Progress& now);

// The receipt under which the hero store records the unlock: "cosmetic:" + item id.
std::string unlockReceiptID(std::string_view itemID);

}  // namespace KingdomCosmetics

template <>
struct EnumTraits<KingdomCosmetics::Kind> {
  static constexpr std::array<std::string_view, 3> names{"mount", "pet", "decoration"};
};
template <>
struct EnumTraits<KingdomCosmetics::Metric> {
  static constexpr std::array<std::string_view, 3> names{
      "weeklyBossesDefeated", "campaignsCompleted", "guildSeasonsCompleted"};
};

}  // namespace talewick
