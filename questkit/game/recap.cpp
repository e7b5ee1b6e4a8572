#include "game/recap.hpp"

namespace talewick {

using json_coding::Field;

static const auto kBossFightFields =
    std::tuple{Field{"result", &BossFight::result}, Field{"power", &BossFight::power},
               Field{"threshold", &BossFight::threshold}, Field{"threat", &BossFight::threat}};
TALEWICK_JSON_CODING(BossFight, kBossFightFields)

static const auto kQuestOutcomeFields =
    std::tuple{Field{"questId", &QuestOutcome::questId},
               Field{"questName", &QuestOutcome::questName},
               Field{"archetypeId", &QuestOutcome::archetypeId},
               Field{"emoji", &QuestOutcome::emoji},
               Field{"threat", &QuestOutcome::threat},
               Field{"chosenOptionId", &QuestOutcome::chosenOptionId},
               Field{"chosenLabel", &QuestOutcome::chosenLabel},
               Field{"consequence", &QuestOutcome::consequence},
               Field{"xpGained", &QuestOutcome::xpGained},
               Field{"statDelta", &QuestOutcome::statDelta},
               Field{"loot", &QuestOutcome::loot},
               Field{"rarityHint", &QuestOutcome::rarityHint},
               Field{"isBoss", &QuestOutcome::isBoss},
               Field{"boss", &QuestOutcome::boss},
               Field{"heroicFaltered", &QuestOutcome::heroicFaltered}};
TALEWICK_JSON_CODING(QuestOutcome, kQuestOutcomeFields)

static const auto kLevelRewardFields =
    std::tuple{Field{"level", &LevelReward::level}, Field{"gold", &LevelReward::gold},
               Field{"loot", &LevelReward::loot}, Field{"isMajor", &LevelReward::isMajor}};
TALEWICK_JSON_CODING(LevelReward, kLevelRewardFields)

static const auto kDayRecapFields = std::tuple{Field{"dateISO", &DayRecap::dateISO},
                                               Field{"outcomes", &DayRecap::outcomes},
                                               Field{"totalXp", &DayRecap::totalXp},
                                               Field{"levelBefore", &DayRecap::levelBefore},
                                               Field{"levelAfter", &DayRecap::levelAfter},
                                               Field{"loot", &DayRecap::loot},
                                               Field{"tomorrow", &DayRecap::tomorrow},
                                               Field{"combo", &DayRecap::combo},
                                               Field{"bossQuestId", &DayRecap::bossQuestId},
                                               Field{"energyRegen", &DayRecap::energyRegen},
                                               Field{"chaosDecayBonus", &DayRecap::chaosDecayBonus},
                                               Field{"gold", &DayRecap::gold},
                                               Field{"levelUps", &DayRecap::levelUps},
                                               Field{"streak", &DayRecap::streak},
                                               Field{"streakLost", &DayRecap::streakLost},
                                               Field{"sleepHours", &DayRecap::sleepHours},
                                               Field{"steps", &DayRecap::steps},
                                               Field{"isVigil", &DayRecap::isVigil}};
TALEWICK_JSON_CODING(DayRecap, kDayRecapFields)

static const auto kDeedTallyFields =
    std::tuple{Field{"dragonsSlain", &DeedTally::dragonsSlain},
               Field{"bossesFought", &DeedTally::bossesFought},
               Field{"bossVictories", &DeedTally::bossVictories},
               Field{"bossDefeats", &DeedTally::bossDefeats},
               Field{"maxStreak", &DeedTally::maxStreak},
               Field{"archetypeCounts", &DeedTally::archetypeCounts}};
TALEWICK_JSON_CODING(DeedTally, kDeedTallyFields)

}  // namespace talewick
