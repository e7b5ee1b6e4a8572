// The one persistent player character.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/loot.hpp"
#include "game/recap.hpp"
#include "game/stats.hpp"
#include "support/json.hpp"

namespace talewick {

struct Hero {
  std::string name;
  int64_t totalXp = 0;  // lifetime XP; the level derives from it
  Stats stats = ZERO_STATS;
  std::vector<LootItem> inventory;    // newest first
  std::vector<std::string> equipped;  // ids of worn inventory items
  int64_t gold = 0;
  int64_t streak = 0;
  std::optional<std::string> lastReplayDateISO;
  std::vector<DayRecap> archivedRecaps;  // newest first
  std::optional<DeedTally> tally;
  std::optional<int64_t> rivalry;
  std::optional<int64_t> dungeonWeek;
  std::optional<std::string> lastDungeonDateISO;
  std::optional<std::string> lastVigilISO;
  std::optional<std::string> pronoun;
  std::optional<std::string> vocation;
  std::optional<std::string> avatar;
  std::optional<std::string> equippedTitleID;
  std::optional<std::string> tagline;
  int64_t cosmeticsVersion = 0;  // version of avatar, equippedTitleID and tagline
  bool operator==(const Hero&) const = default;

  // The worn items, in inventory order.
  std::vector<LootItem> equippedItems() const;
};

void to_json(Json& j, const Hero& v);
void from_json(const Json& j, Hero& v);

}  // namespace talewick
