// The result of replaying a day, and the running counters kept across replays.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game/enums.hpp"
#include "game/loot.hpp"
#include "game/quest.hpp"
#include "game/stats.hpp"
#include "support/json.hpp"

namespace talewick {

struct BossFight {
  BossResult result = BossResult::victoire;
  double power = 0;      // the hero's power
  double threshold = 0;  // power needed
  Threat threat;         // the boss quest's threat
  bool operator==(const BossFight&) const = default;
};

struct QuestOutcome {
  std::string questId;
  std::string questName;
  std::string archetypeId;
  std::string emoji;
  Threat threat;
  std::string chosenOptionId;
  std::string chosenLabel;
  std::string consequence;
  int64_t xpGained = 0;
  StatDelta statDelta;
  std::optional<LootItem> loot;
  Rarity rarityHint = Rarity::common;
  bool isBoss = false;
  std::optional<BossFight> boss;  // present when isBoss
  std::optional<bool> heroicFaltered;
  bool operator==(const QuestOutcome&) const = default;
};

struct LevelReward {
  int64_t level = 0;
  int64_t gold = 0;
  std::optional<LootItem> loot;
  bool isMajor = false;
  bool operator==(const LevelReward&) const = default;
};

struct DayRecap {
  std::string dateISO;  // day key "yyyy-MM-dd"
  std::vector<QuestOutcome> outcomes;
  int64_t totalXp = 0;
  int64_t levelBefore = 0;
  int64_t levelAfter = 0;
  std::vector<LootItem> loot;
  std::vector<RealQuest> tomorrow;
  int64_t combo = 0;
  std::optional<std::string> bossQuestId;
  int64_t energyRegen = 0;
  int64_t chaosDecayBonus = 0;
  int64_t gold = 0;
  std::vector<LevelReward> levelUps;
  std::optional<int64_t> streak;
  std::optional<int64_t> streakLost;
  std::optional<double> sleepHours;
  std::optional<int64_t> steps;
  std::optional<bool> isVigil;
  bool operator==(const DayRecap&) const = default;
};

struct DeedTally {
  int64_t dragonsSlain = 0;
  int64_t bossesFought = 0;
  int64_t bossVictories = 0;
  int64_t bossDefeats = 0;
  int64_t maxStreak = 0;
  std::map<std::string, int64_t> archetypeCounts;
  bool operator==(const DeedTally&) const = default;
};

void to_json(Json& j, const BossFight& v);
void from_json(const Json& j, BossFight& v);
void to_json(Json& j, const QuestOutcome& v);
void from_json(const Json& j, QuestOutcome& v);
void to_json(Json& j, const LevelReward& v);
void from_json(const Json& j, LevelReward& v);
void to_json(Json& j, const DayRecap& v);
void from_json(const Json& j, DayRecap& v);
void to_json(Json& j, const DeedTally& v);
void from_json(const Json& j, DeedTally& v);

}  // namespace talewick
