#include "game/hero.hpp"

#include <algorithm>

namespace talewick {

std::vector<LootItem> Hero::equippedItems() const {
  std::vector<LootItem> worn;
  for (const LootItem& item : inventory) {
    if (std::find(equipped.begin(), equipped.end(), item.id) != equipped.end()) {
      worn.push_back(item);
    }
  }
  return worn;
}

using json_coding::Field;

static const auto kHeroFields = std::tuple{Field{"name", &Hero::name},
                                           Field{"totalXp", &Hero::totalXp},
                                           Field{"stats", &Hero::stats},
                                           Field{"inventory", &Hero::inventory},
                                           Field{"equipped", &Hero::equipped},
                                           Field{"gold", &Hero::gold},
                                           Field{"streak", &Hero::streak},
                                           Field{"lastReplayDateISO", &Hero::lastReplayDateISO},
                                           Field{"archivedRecaps", &Hero::archivedRecaps},
                                           Field{"tally", &Hero::tally},
                                           Field{"rivalry", &Hero::rivalry},
                                           Field{"dungeonWeek", &Hero::dungeonWeek},
                                           Field{"lastDungeonDateISO", &Hero::lastDungeonDateISO},
                                           Field{"lastVigilISO", &Hero::lastVigilISO},
                                           Field{"pronoun", &Hero::pronoun},
                                           Field{"vocation", &Hero::vocation},
                                           Field{"avatar", &Hero::avatar},
                                           Field{"equippedTitleID", &Hero::equippedTitleID},
                                           Field{"tagline", &Hero::tagline},
                                           Field{"cosmeticsVersion", &Hero::cosmeticsVersion}};
TALEWICK_JSON_CODING(Hero, kHeroFields)

}  // namespace talewick
