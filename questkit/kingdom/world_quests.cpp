#include "kingdom/world_quests.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <tuple>

namespace talewick::WorldQuests {

using json_coding::Field;

static const auto kCandidatesFields =
    std::tuple{Field{"pendingInviteIDs", &Candidates::pendingInviteIDs},
               Field{"backlogTicketIDs", &Candidates::backlogTicketIDs},
               Field{"inProgressTicketIDs", &Candidates::inProgressTicketIDs},
               Field{"dueTodayReminderIDs", &Candidates::dueTodayReminderIDs},
               Field{"vaultTaskIDs", &Candidates::vaultTaskIDs},
               Field{"overdueReminderCount", &Candidates::overdueReminderCount},
               Field{"overdueDeadlineCount", &Candidates::overdueDeadlineCount}};
TALEWICK_JSON_CODING(Candidates, kCandidatesFields)

static const auto kLiveStateFields =
    std::tuple{Field{"stillPendingInviteIDs", &LiveState::stillPendingInviteIDs},
               Field{"stillBacklogTicketIDs", &LiveState::stillBacklogTicketIDs},
               Field{"doneTicketIDs", &LiveState::doneTicketIDs},
               Field{"completedReminderIDs", &LiveState::completedReminderIDs},
               Field{"completedVaultTaskIDs", &LiveState::completedVaultTaskIDs},
               Field{"overdueReminderCount", &LiveState::overdueReminderCount},
               Field{"overdueDeadlineCount", &LiveState::overdueDeadlineCount}};
TALEWICK_JSON_CODING(LiveState, kLiveStateFields)

static const auto kObjectiveFields = std::tuple{Field{"id", &Objective::id},
                                                Field{"kind", &Objective::kind},
                                                Field{"realm", &Objective::realm},
                                                Field{"family", &Objective::family},
                                                Field{"baselineIDs", &Objective::baselineIDs},
                                                Field{"targetCount", &Objective::targetCount},
                                                Field{"xpReward", &Objective::xpReward},
                                                Field{"goldReward", &Objective::goldReward},
                                                Field{"completed", &Objective::completed},
                                                Field{"credited", &Objective::credited}};
TALEWICK_JSON_CODING(Objective, kObjectiveFields)

static const auto kDailyBoardFields =
    std::tuple{Field{"dayKey", &DailyBoard::dayKey}, Field{"objectives", &DailyBoard::objectives},
               Field{"chestCredited", &DailyBoard::chestCredited}};
TALEWICK_JSON_CODING(DailyBoard, kDailyBoardFields)

Realm realmOf(ObjectiveKind kind) {
  switch (kind) {
    case ObjectiveKind::invitations:
      return Realm::personal;
    case ObjectiveKind::backlogTicket:
    case ObjectiveKind::ticketDone:
      return Realm::tickets;
    case ObjectiveKind::remindersOverdue:
    case ObjectiveKind::remindersDone:
      return Realm::reminders;
    case ObjectiveKind::deadlineClear:
      return Realm::deadlines;
    case ObjectiveKind::vaultTasks:
      return Realm::family;
  }
  return Realm::personal;
}

Family familyOf(ObjectiveKind kind) {
  return kind == ObjectiveKind::remindersOverdue || kind == ObjectiveKind::deadlineClear
             ? Family::live
             : Family::baseline;
}

int64_t DailyBoard::completedCount() const {
  return std::count_if(objectives.begin(), objectives.end(),
                       [](const Objective& o) { return o.completed; });
}

bool DailyBoard::allCompleted() const {
  return !objectives.empty() && completedCount() == static_cast<int64_t>(objectives.size());
}

std::vector<std::string> pick(std::vector<std::string> ids, int64_t count, SeededGenerator& rng) {
  if (count <= 0) return {};
  std::sort(ids.begin(), ids.end());
  if (count >= static_cast<int64_t>(ids.size())) return ids;
  rng.shuffle(ids);
  ids.resize(static_cast<size_t>(count));
  std::sort(ids.begin(), ids.end());
  return ids;
}

namespace {

std::vector<std::string> sorted(std::vector<std::string> ids) {
  std::sort(ids.begin(), ids.end());
  return ids;
}

bool contains(const std::vector<std::string>& ids, const std::string& id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// How many entries of `baseline` appear in `found`.
int64_t countFound(const std::vector<std::string>& baseline,
                   const std::vector<std::string>& found) {
  return std::count_if(baseline.begin(), baseline.end(),
                       [&](const std::string& id) { return contains(found, id); });
}

// The kinds of the board, in board order. Consumes the draws of the primary shuffle, if any.
std::vector<ObjectiveKind> chooseKinds(const Candidates& c, size_t limit, SeededGenerator& rng) {
  std::vector<ObjectiveKind> primary;
  if (!c.pendingInviteIDs.empty()) primary.push_back(ObjectiveKind::invitations);
  if (!c.backlogTicketIDs.empty()) {
    primary.push_back(ObjectiveKind::backlogTicket);
  } else if (!c.inProgressTicketIDs.empty()) {
    primary.push_back(ObjectiveKind::ticketDone);
  }
  if (c.overdueReminderCount > 0) primary.push_back(ObjectiveKind::remindersOverdue);
  if (c.overdueDeadlineCount > 0) primary.push_back(ObjectiveKind::deadlineClear);

  if (primary.size() > limit) {
    std::vector<ObjectiveKind> shuffled = primary;
    rng.shuffle(shuffled);
    shuffled.resize(limit);
    std::erase_if(primary, [&](ObjectiveKind k) {
      return std::find(shuffled.begin(), shuffled.end(), k) == shuffled.end();
    });
  }

  std::vector<ObjectiveKind> taken;
  std::array<bool, EnumTraits<Realm>::names.size()> used{};
  auto take = [&](ObjectiveKind kind) {
    const auto realm = static_cast<size_t>(realmOf(kind));
    if (taken.size() >= limit || used[realm]) return;
    taken.push_back(kind);
    used[realm] = true;
  };
  for (ObjectiveKind kind : primary) take(kind);
  if (!c.dueTodayReminderIDs.empty()) take(ObjectiveKind::remindersDone);
  if (!c.vaultTaskIDs.empty()) take(ObjectiveKind::vaultTasks);
  for (ObjectiveKind kind :
       {ObjectiveKind::remindersOverdue, ObjectiveKind::deadlineClear, ObjectiveKind::vaultTasks}) {
    take(kind);
  }
  return taken;
}

Objective build(const std::string& dayKey, ObjectiveKind kind, const Candidates& c,
                SeededGenerator& rng) {
  Objective o;
  o.id = dayKey + ":" + std::string(rawValue(kind));
  o.kind = kind;
  o.realm = realmOf(kind);
  o.family = familyOf(kind);
  switch (kind) {
    case ObjectiveKind::invitations: {
      const auto available = static_cast<int64_t>(c.pendingInviteIDs.size());
      o.baselineIDs = pick(c.pendingInviteIDs, std::min<int64_t>(available, 3), rng);
      o.targetCount = std::max<int64_t>(static_cast<int64_t>(o.baselineIDs.size()), 1);
      break;
    }
    case ObjectiveKind::backlogTicket:
      o.baselineIDs = pick(c.backlogTicketIDs, 1, rng);
      o.targetCount = 1;
      break;
    case ObjectiveKind::ticketDone:
      o.baselineIDs = pick(c.inProgressTicketIDs, 1, rng);
      o.targetCount = 1;
      break;
    case ObjectiveKind::remindersOverdue:
    case ObjectiveKind::deadlineClear:
      o.targetCount = 0;
      break;
    case ObjectiveKind::remindersDone:
      o.baselineIDs = sorted(c.dueTodayReminderIDs);
      o.targetCount = std::min<int64_t>(static_cast<int64_t>(o.baselineIDs.size()), 2);
      break;
    case ObjectiveKind::vaultTasks:
      o.baselineIDs = sorted(c.vaultTaskIDs);
      o.targetCount = std::min<int64_t>(static_cast<int64_t>(o.baselineIDs.size()), 2);
      break;
  }
  // The reward table agrees with reward() for every target a board can hold.
  const Reward r = reward(kind, o.targetCount);
  o.xpReward = r.xp;
  o.goldReward = r.gold;
  return o;
}

bool passes(const Objective& o, const LiveState& live) {
  const auto& baseline = o.baselineIDs;
  switch (o.kind) {
    case ObjectiveKind::invitations:
      return countFound(baseline, live.stillPendingInviteIDs) == 0;
    case ObjectiveKind::backlogTicket:
      return std::any_of(baseline.begin(), baseline.end(), [&](const std::string& id) {
        return !contains(live.stillBacklogTicketIDs, id);
      });
    case ObjectiveKind::ticketDone:
      return countFound(baseline, live.doneTicketIDs) > 0;
    case ObjectiveKind::remindersOverdue:
      return live.overdueReminderCount == 0;
    case ObjectiveKind::remindersDone:
      return countFound(baseline, live.completedReminderIDs) >= o.targetCount;
    case ObjectiveKind::deadlineClear:
      return live.overdueDeadlineCount == 0;
    case ObjectiveKind::vaultTasks:
      return countFound(baseline, live.completedVaultTaskIDs) >= o.targetCount;
  }
  return false;
}

}  // namespace

DailyBoard generate(const std::string& dayKey, const Candidates& candidates,
                    int64_t maxObjectives) {
  SeededGenerator rng = SeededGenerator::forKey(dayKey);
  const auto limit = static_cast<size_t>(std::clamp<int64_t>(maxObjectives, 1, MAX_OBJECTIVES));
  DailyBoard board;
  board.dayKey = dayKey;
  for (ObjectiveKind kind : chooseKinds(candidates, limit, rng)) {
    board.objectives.push_back(build(dayKey, kind, candidates, rng));
  }
  return board;
}

Evaluation evaluate(const DailyBoard& board, const LiveState& live) {
  Evaluation result{board, {}};
  for (Objective& o : result.board.objectives) {
    if (o.completed || !passes(o, live)) continue;
    o.completed = true;
    result.newlyCompleted.push_back(o);
  }
  return result;
}

Reward reward(ObjectiveKind kind, int64_t targetCount) {
  const int64_t t = std::max<int64_t>(targetCount, 1);
  switch (kind) {
    case ObjectiveKind::invitations:
      return {40 * t, 12 * t};
    case ObjectiveKind::backlogTicket:
    case ObjectiveKind::ticketDone:
      return {55, 14};
    case ObjectiveKind::remindersOverdue:
      return {40, 12};
    case ObjectiveKind::remindersDone:
    case ObjectiveKind::vaultTasks:
      return {20 * t, 6 * t};
    case ObjectiveKind::deadlineClear:
      return {45, 14};
  }
  return {};
}

DailyBoard markCredited(const DailyBoard& board, const std::string& objectiveID) {
  DailyBoard out = board;
  for (Objective& o : out.objectives) {
    if (o.id == objectiveID) o.credited = true;
  }
  return out;
}

DailyBoard markChestCredited(const DailyBoard& board) {
  DailyBoard out = board;
  out.chestCredited = true;
  return out;
}

Reward chestReward(const DailyBoard& board) {
  Reward total;
  for (const Objective& o : board.objectives) {
    total.xp += o.xpReward;
    total.gold += o.goldReward;
  }
  return total;
}

std::string objectiveReceiptID(const std::string& objectiveID) { return "wq:" + objectiveID; }

std::string chestReceiptID(const std::string& dayKey) { return "wq-chest:" + dayKey; }

namespace {

std::string_view afterFirstColon(std::string_view receipt) {
  const size_t colon = receipt.find(':');
  return colon == std::string_view::npos ? receipt : receipt.substr(colon + 1);
}

}  // namespace

std::vector<std::string> mergeReceipts(const std::vector<std::string>& local,
                                       const std::vector<std::string>& remote, int64_t limit) {
  if (limit < 1) return {};
  std::vector<std::string> all;
  all.reserve(local.size() + remote.size());
  for (const auto* list : {&local, &remote}) {
    for (const std::string& receipt : *list) {
      if (!receipt.empty()) all.push_back(receipt);
    }
  }
  std::sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) {
    const auto ka = afterFirstColon(a), kb = afterFirstColon(b);
    return ka != kb ? ka < kb : a < b;
  });
  all.erase(std::unique(all.begin(), all.end()), all.end());
  if (all.size() > static_cast<uint64_t>(limit)) {
    all.erase(all.begin(), all.end() - limit);
  }
  return all;
}

}  // namespace talewick::WorldQuests
