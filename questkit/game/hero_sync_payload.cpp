#include "game/hero_sync_payload.hpp"

#include "kingdom/expedition_reward_receipts.hpp"
#include "kingdom/world_quests.hpp"

namespace talewick {

using json_coding::Field;
using json_coding::lenient;
using P = HeroSyncPayload;

static const auto kHeroSyncPayloadFields =
    std::tuple{Field{"name", &P::name},
               Field{"totalXp", &P::totalXp},
               Field{"gold", &P::gold},
               Field{"streak", &P::streak},
               Field{"avatar", &P::avatar},
               Field{"vocation", &P::vocation},
               Field{"vocationName", &P::vocationName},
               Field{"vocationEmoji", &P::vocationEmoji},
               Field{"identityVersion", &P::identityVersion, lenient},
               Field{"goldVersion", &P::goldVersion, lenient},
               Field{"pronoun", &P::pronoun},
               Field{"equipped", &P::equipped, lenient},
               Field{"equippedTitleID", &P::equippedTitleID},
               Field{"tagline", &P::tagline},
               Field{"unlockedTitleIDs", &P::unlockedTitleIDs, lenient},
               Field{"cosmeticsVersion", &P::cosmeticsVersion, lenient},
               Field{"lastReplayDateISO", &P::lastReplayDateISO},
               Field{"expeditionRewardReceiptIDs", &P::expeditionRewardReceiptIDs, lenient},
               Field{"worldQuestRewardReceiptIDs", &P::worldQuestRewardReceiptIDs, lenient},
               Field{"campaignRewardReceiptIDs", &P::campaignRewardReceiptIDs, lenient},
               Field{"weeklyBossRewardReceiptIDs", &P::weeklyBossRewardReceiptIDs, lenient},
               Field{"restRewardReceiptIDs", &P::restRewardReceiptIDs, lenient},
               Field{"cosmeticRewardReceiptIDs", &P::cosmeticRewardReceiptIDs, lenient},
               Field{"worldBossRewardReceiptIDs", &P::worldBossRewardReceiptIDs, lenient},
               Field{"sideQuestRewardReceiptIDs", &P::sideQuestRewardReceiptIDs, lenient},
               Field{"replayRewardReceiptIDs", &P::replayRewardReceiptIDs, lenient},
               Field{"stats", &P::stats, lenient},
               Field{"inventory", &P::inventory, lenient},
               Field{"archivedRecaps", &P::archivedRecaps, lenient},
               Field{"tally", &P::tally, lenient},
               Field{"lastVigilISO", &P::lastVigilISO, lenient},
               Field{"playVersion", &P::playVersion, lenient}};
TALEWICK_JSON_CODING(HeroSyncPayload, kHeroSyncPayloadFields)

HeroSyncPayload HeroSyncPayload::makeDefault() {
  HeroSyncPayload p;
  p.name = "Héros";
  p.avatar = "🧙";
  return p;
}

std::vector<std::string>& HeroSyncPayload::receipts(RewardKind kind) {
  switch (kind) {
    case RewardKind::expedition:
      return expeditionRewardReceiptIDs;
    case RewardKind::worldQuest:
      return worldQuestRewardReceiptIDs;
    case RewardKind::campaign:
      return campaignRewardReceiptIDs;
    case RewardKind::weeklyBoss:
      return weeklyBossRewardReceiptIDs;
    case RewardKind::rest:
      return restRewardReceiptIDs;
    case RewardKind::cosmetic:
      return cosmeticRewardReceiptIDs;
    case RewardKind::worldBoss:
      return worldBossRewardReceiptIDs;
    case RewardKind::sideQuest:
      return sideQuestRewardReceiptIDs;
    case RewardKind::replay:
      return replayRewardReceiptIDs;
  }
  return worldQuestRewardReceiptIDs;  // unreachable: every kind is listed above
}

const std::vector<std::string>& HeroSyncPayload::receipts(RewardKind kind) const {
  return const_cast<HeroSyncPayload*>(this)->receipts(kind);
}

int64_t receiptLimit(RewardKind kind) { return kind == RewardKind::expedition ? 128 : 512; }

std::vector<std::string> mergeReceiptList(RewardKind kind, const std::vector<std::string>& own,
                                          const std::vector<std::string>& other) {
  if (kind == RewardKind::expedition) {
    return ExpeditionRewardReceipts::merged(own, other, receiptLimit(kind));
  }
  return WorldQuests::mergeReceipts(own, other, receiptLimit(kind));
}

bool HeroSyncPayload::mergeRewardReceipts(const HeroSyncPayload& other) {
  bool changed = false;
  for (RewardKind kind : allCases<RewardKind>()) {
    std::vector<std::string> merged = mergeReceiptList(kind, receipts(kind), other.receipts(kind));
    if (merged != receipts(kind)) {
      receipts(kind) = std::move(merged);
      changed = true;
    }
  }
  return changed;
}

}  // namespace talewick
