// How two copies of the hero document meet: this machine's and the one in the cloud store. Pure
// rules over plain documents; HeroStore does the reading and writing.
//
// A field group is taken from the other side only when its counter there is strictly higher:
//   totalXp          → name, totalXp, streak, avatar, equipped
//   goldVersion      → gold, goldVersion
//   identityVersion  → name, avatar, vocation, vocationName, vocationEmoji, pronoun,
//                      identityVersion
//   cosmeticsVersion → equippedTitleID, tagline, cosmeticsVersion
//   playVersion      → stats, inventory, equipped, archivedRecaps, tally, lastVigilISO,
//                      playVersion (on equal counters, the side with more experience)
// Equal counters keep each side's own values, except for identity and cosmetics: there two equal
// counters over different contents (two renames at once) converge on the greater contents, the
// same on every machine. Receipt lists are always merged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/hero_sync_payload.hpp"

namespace talewick::HeroSync {

// Copies into `merged` the groups whose counter is higher in `cloud`; true when one was.
bool takeHigherGroups(HeroSyncPayload& merged, const HeroSyncPayload& cloud);

// Brings the cloud's progress into the local document: the groups above, a later
// lastReplayDateISO, the receipts, and the cloud's unlocked titles when it has some that differ.
// nullopt when nothing changes.
std::optional<HeroSyncPayload> adopted(const HeroSyncPayload& local, const HeroSyncPayload& cloud);

// The document to store in the cloud in place of `cloud`: the local one with the cloud's higher
// groups, the cloud's titles when the local list is empty, the later replay day and the union of
// the receipts.
HeroSyncPayload mergedForCloud(const HeroSyncPayload& local, const HeroSyncPayload& cloud);

// A credit of `xp` and `gold` under `receipt` in the list of `kind`.
enum class Credit {
  credited,         // paid now: amounts added, goldVersion raised, receipt recorded
  alreadyCredited,  // the receipt was paid before; nothing changed
  refused,          // the receipt would fall out of a full list at once; nothing changed
};
// The world boss pays gold only: pass xp 0. A cosmetic unlock records the receipt without amounts
// and leaves goldVersion alone.
Credit credit(HeroSyncPayload& doc, RewardKind kind, const std::string& receipt, int64_t xp,
              int64_t gold);

}  // namespace talewick::HeroSync
