#include "game/hero_sync.hpp"

#include <algorithm>
#include <tuple>

namespace talewick::HeroSync {

namespace {

// Two machines can raise a counter to the same value with different contents (two renames at
// once). Both sides must then pick the same one, whichever side they stand on: the greater
// contents win.
auto identity(const HeroSyncPayload& p) {
  return std::tie(p.name, p.avatar, p.vocation, p.vocationName, p.vocationEmoji, p.pronoun);
}
auto cosmetics(const HeroSyncPayload& p) { return std::tie(p.equippedTitleID, p.tagline); }

template <class Key>
bool wins(int64_t mine, int64_t theirs, const Key& myContents, const Key& theirContents) {
  return mine < theirs || (mine == theirs && myContents < theirContents);
}

}  // namespace

bool takeHigherGroups(HeroSyncPayload& merged, const HeroSyncPayload& cloud) {
  bool changed = false;
  // Decided before the experience group below moves merged.totalXp.
  const bool takePlay = merged.playVersion < cloud.playVersion ||
                        (merged.playVersion == cloud.playVersion && merged.totalXp < cloud.totalXp);
  if (merged.totalXp < cloud.totalXp) {
    merged.name = cloud.name;
    merged.totalXp = cloud.totalXp;
    merged.streak = cloud.streak;
    merged.avatar = cloud.avatar;
    merged.equipped = cloud.equipped;
    changed = true;
  }
  if (merged.goldVersion < cloud.goldVersion) {
    merged.gold = cloud.gold;
    merged.goldVersion = cloud.goldVersion;
    changed = true;
  }
  if (wins(merged.identityVersion, cloud.identityVersion, identity(merged), identity(cloud))) {
    merged.name = cloud.name;
    merged.avatar = cloud.avatar;
    merged.vocation = cloud.vocation;
    merged.vocationName = cloud.vocationName;
    merged.vocationEmoji = cloud.vocationEmoji;
    merged.pronoun = cloud.pronoun;
    merged.identityVersion = cloud.identityVersion;
    changed = true;
  }
  if (takePlay) {
    merged.stats = cloud.stats;
    merged.inventory = cloud.inventory;
    merged.equipped = cloud.equipped;
    merged.archivedRecaps = cloud.archivedRecaps;
    merged.tally = cloud.tally;
    merged.lastVigilISO = cloud.lastVigilISO;
    merged.playVersion = cloud.playVersion;
    changed = true;
  }
  if (wins(merged.cosmeticsVersion, cloud.cosmeticsVersion, cosmetics(merged), cosmetics(cloud))) {
    merged.equippedTitleID = cloud.equippedTitleID;
    merged.tagline = cloud.tagline;
    merged.cosmeticsVersion = cloud.cosmeticsVersion;
    changed = true;
  }
  return changed;
}

std::optional<HeroSyncPayload> adopted(const HeroSyncPayload& local, const HeroSyncPayload& cloud) {
  HeroSyncPayload merged = local;
  bool changed = takeHigherGroups(merged, cloud);
  if (cloud.lastReplayDateISO &&
      (!merged.lastReplayDateISO || *merged.lastReplayDateISO < *cloud.lastReplayDateISO)) {
    merged.lastReplayDateISO = cloud.lastReplayDateISO;
    changed = true;
  }
  if (merged.mergeRewardReceipts(cloud)) changed = true;
  if (!cloud.unlockedTitleIDs.empty() && cloud.unlockedTitleIDs != merged.unlockedTitleIDs) {
    merged.unlockedTitleIDs = cloud.unlockedTitleIDs;
    changed = true;
  }
  if (!changed) return std::nullopt;
  return merged;
}

HeroSyncPayload mergedForCloud(const HeroSyncPayload& local, const HeroSyncPayload& cloud) {
  HeroSyncPayload merged = local;
  takeHigherGroups(merged, cloud);
  if (merged.unlockedTitleIDs.empty()) merged.unlockedTitleIDs = cloud.unlockedTitleIDs;
  if (cloud.lastReplayDateISO &&
      (!merged.lastReplayDateISO || *merged.lastReplayDateISO < *cloud.lastReplayDateISO)) {
    merged.lastReplayDateISO = cloud.lastReplayDateISO;
  }
  merged.mergeRewardReceipts(cloud);
  return merged;
}

Credit credit(HeroSyncPayload& doc, RewardKind kind, const std::string& receipt, int64_t xp,
              int64_t gold) {
  std::vector<std::string>& list = doc.receipts(kind);
  if (std::find(list.begin(), list.end(), receipt) != list.end()) return Credit::alreadyCredited;
  std::vector<std::string> merged = mergeReceiptList(kind, list, {receipt});
  if (std::find(merged.begin(), merged.end(), receipt) == merged.end()) return Credit::refused;
  list = std::move(merged);
  if (kind != RewardKind::cosmetic) {
    doc.totalXp += xp;
    doc.gold += gold;
    doc.goldVersion += 1;
  }
  return Credit::credited;
}

}  // namespace talewick::HeroSync
