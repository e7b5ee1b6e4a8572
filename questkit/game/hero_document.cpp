#include "game/hero_document.hpp"

#include <algorithm>

namespace talewick::HeroDocument {

Hero heroOf(const HeroSyncPayload& doc) {
  Hero hero;
  hero.name = doc.name;
  hero.totalXp = doc.totalXp;
  hero.stats = doc.stats.value_or(ZERO_STATS);
  hero.inventory = doc.inventory;
  for (const LootItem& worn : doc.equipped) {
    hero.equipped.push_back(worn.id);
    const bool owned = std::any_of(hero.inventory.begin(), hero.inventory.end(),
                                   [&](const LootItem& i) { return i.id == worn.id; });
    if (!owned) hero.inventory.push_back(worn);
  }
  hero.gold = doc.gold;
  hero.streak = doc.streak;
  hero.lastReplayDateISO = doc.lastReplayDateISO;
  hero.archivedRecaps = doc.archivedRecaps;
  hero.tally = doc.tally;
  hero.lastVigilISO = doc.lastVigilISO;
  hero.pronoun = doc.pronoun;
  hero.vocation = doc.vocation;
  hero.avatar = doc.avatar;
  hero.equippedTitleID = doc.equippedTitleID;
  hero.tagline = doc.tagline;
  hero.cosmeticsVersion = doc.cosmeticsVersion;
  return hero;
}

bool store(HeroSyncPayload& doc, const Hero& hero) {
  const HeroSyncPayload before = doc;
  doc.totalXp = hero.totalXp;
  doc.streak = hero.streak;
  doc.lastReplayDateISO = hero.lastReplayDateISO;
  if (doc.gold != hero.gold) {
    doc.gold = hero.gold;
    doc.goldVersion += 1;
  }
  const std::vector<LootItem> worn = hero.equippedItems();
  if (doc.stats.value_or(ZERO_STATS) != hero.stats || doc.inventory != hero.inventory ||
      doc.equipped != worn || doc.archivedRecaps != hero.archivedRecaps ||
      doc.tally != hero.tally || doc.lastVigilISO != hero.lastVigilISO) {
    doc.stats = hero.stats;
    doc.inventory = hero.inventory;
    doc.equipped = worn;
    doc.archivedRecaps = hero.archivedRecaps;
    doc.tally = hero.tally;
    doc.lastVigilISO = hero.lastVigilISO;
    doc.playVersion += 1;
  }
  return doc != before;
}

}  // namespace talewick::HeroDocument
