// The hero document shared by every machine of the user and the companion phone application:
// what the player earned, who the hero is, and the receipts that make each credit idempotent.
//
// Machines converge without timestamps: each group of fields carries its own version counter,
// experience is compared by size and receipt lists are unions (see HeroSync).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/loot.hpp"
#include "game/recap.hpp"
#include "game/stats.hpp"
#include "support/json.hpp"

namespace talewick {

// The receipt lists of the document, one per kind of reward.
enum class RewardKind {
  expedition,
  worldQuest,
  campaign,
  weeklyBoss,
  rest,
  cosmetic,
  worldBoss,
  sideQuest,  // a reminder (or another to-do item) completed from here
  replay,     // a day replayed (or mended by a vigil): "replay:" + day key
};
template <>
struct EnumTraits<RewardKind> {
  static constexpr std::array<std::string_view, 9> names{"expedition", "worldQuest", "campaign",
                                                         "weeklyBoss", "rest",       "cosmetic",
                                                         "worldBoss",  "sideQuest",  "replay"};
};

struct HeroSyncPayload {
  std::string name;
  int64_t totalXp = 0;
  int64_t gold = 0;
  int64_t streak = 0;
  std::string avatar;
  std::optional<std::string> vocation;
  std::optional<std::string> vocationName;  // in the narrative mode of the last change
  std::optional<std::string> vocationEmoji;
  int64_t identityVersion = 0;  // name, avatar, vocation…, pronoun
  int64_t goldVersion = 0;      // gold
  std::optional<std::string> pronoun;
  std::vector<LootItem> equipped;
  std::optional<std::string> equippedTitleID;
  std::optional<std::string> tagline;
  std::vector<std::string> unlockedTitleIDs;
  int64_t cosmeticsVersion = 0;  // equippedTitleID, tagline, unlockedTitleIDs
  std::optional<std::string> lastReplayDateISO;
  std::vector<std::string> expeditionRewardReceiptIDs;
  std::vector<std::string> worldQuestRewardReceiptIDs;
  std::vector<std::string> campaignRewardReceiptIDs;
  std::vector<std::string> weeklyBossRewardReceiptIDs;
  std::vector<std::string> restRewardReceiptIDs;
  std::vector<std::string> cosmeticRewardReceiptIDs;
  std::vector<std::string> worldBossRewardReceiptIDs;
  std::vector<std::string> sideQuestRewardReceiptIDs;
  std::vector<std::string> replayRewardReceiptIDs;
  // What this machine's replays keep beside the shared summary above: the statistics, the
  // inventory (`equipped` holds the worn ones), the archive, the deed counters and the last
  // vigil. Absent statistics mean a hero never replayed here: a fresh hero's.
  std::optional<Stats> stats;
  std::vector<LootItem> inventory;
  std::vector<DayRecap> archivedRecaps;
  std::optional<DeedTally> tally;
  std::optional<std::string> lastVigilISO;
  int64_t playVersion = 0;  // stats, inventory, equipped, archivedRecaps, tally, lastVigilISO

  // "Héros", "🧙", everything else zero, empty or absent.
  static HeroSyncPayload makeDefault();

  std::vector<std::string>& receipts(RewardKind kind);
  const std::vector<std::string>& receipts(RewardKind kind) const;

  // Replaces each receipt list with its merge with `other`'s (see mergeReceiptList). True when a
  // list changed.
  bool mergeRewardReceipts(const HeroSyncPayload& other);

  bool operator==(const HeroSyncPayload&) const = default;
};

// How many receipts a list keeps: 128 expeditions, 512 of every other kind.
int64_t receiptLimit(RewardKind kind);

// Merges two receipt lists of `kind` with that list's rule and limit: expeditions keep the most
// recent in arrival order, the others the greatest by the text after ":".
std::vector<std::string> mergeReceiptList(RewardKind kind, const std::vector<std::string>& own,
                                          const std::vector<std::string>& other);

// Decoding needs name, totalXp, gold, streak and avatar; an absent counter reads as 0 and an
// absent list as empty. Encoding writes every counter and list.
void to_json(Json& j, const HeroSyncPayload& v);
void from_json(const Json& j, HeroSyncPayload& v);

}  // namespace talewick
