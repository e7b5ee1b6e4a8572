#include "core/world_quests_store.hpp"

#include <algorithm>

namespace talewick {

WorldQuestsStore::WorldQuestsStore(FilePort& files, std::filesystem::path saveURL, HeroStore& hero,
                                   std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics),
      hero_(hero),
      board_(file_.load<WorldQuests::DailyBoard>()) {}

void WorldQuestsStore::keep(WorldQuests::DailyBoard board) {
  file_.save(board);
  board_ = std::move(board);
}

bool WorldQuestsStore::paidToday(const std::string& receipt) const {
  if (!hero_.payload()) return false;
  const auto& paid = hero_.payload()->worldQuestRewardReceiptIDs;
  return std::find(paid.begin(), paid.end(), receipt) != paid.end();
}

WorldQuests::DailyBoard WorldQuestsStore::draw(const std::string& dayKey,
                                               const WorldQuests::Candidates& candidates,
                                               int64_t maxObjectives) const {
  using WorldQuests::Objective;
  WorldQuests::DailyBoard board = WorldQuests::generate(dayKey, candidates, maxObjectives);
  for (Objective& o : board.objectives) {
    if (paidToday(WorldQuests::objectiveReceiptID(o.id))) o.completed = o.credited = true;
  }
  board.chestCredited = paidToday(WorldQuests::chestReceiptID(dayKey));
  return board;
}

std::vector<WorldQuestsStore::Payment> WorldQuestsStore::refresh(
    const std::string& dayKey, const WorldQuests::Candidates& candidates,
    const WorldQuests::LiveState& live, int64_t maxObjectives) {
  if (!board_ || board_->dayKey != dayKey) {
    keep(draw(dayKey, candidates, maxObjectives));
  }
  WorldQuests::Evaluation evaluation = WorldQuests::evaluate(*board_, live);
  if (!evaluation.newlyCompleted.empty()) {
    keep(std::move(evaluation.board));
  }

  std::vector<Payment> payments;
  // A copy: marking an objective credited replaces the board.
  const std::vector<WorldQuests::Objective> objectives = board_->objectives;
  for (const WorldQuests::Objective& objective : objectives) {
    if (!objective.completed || objective.credited) continue;
    if (pay(hero_, RewardKind::worldQuest, WorldQuests::objectiveReceiptID(objective.id),
            objective.xpReward, objective.goldReward, {}, payments)) {
      keep(WorldQuests::markCredited(*board_, objective.id));
    }
  }
  if (board_->allCompleted() && !board_->chestCredited) {
    const WorldQuests::Reward chest = WorldQuests::chestReward(*board_);
    if (pay(hero_, RewardKind::worldQuest, WorldQuests::chestReceiptID(dayKey), chest.xp,
            chest.gold, {}, payments)) {
      keep(WorldQuests::markChestCredited(*board_));
    }
  }
  return payments;
}

}  // namespace talewick
