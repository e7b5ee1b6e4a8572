// The daily board of world quests: objectives drawn from the day's real work, paid once each.
//
// Each day offers at most three objectives, one per realm, chosen from the user's live
// obligations (pending invitations, tracker tickets, reminders, overdue deadlines, task-file
// tasks). The board depends only on the day key and the candidates, so every regeneration on the
// same day, here or on another machine, gives the same board, objective ids and baselines
// included. Objectives complete when the live data moves; each completed objective pays once,
// and a board completed in full opens a chest that pays its total once more.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/enum_traits.hpp"
#include "support/json.hpp"
#include "support/seeded_generator.hpp"

namespace talewick {

namespace WorldQuests {

// Raw value = case name.
enum class Realm { personal, tickets, reminders, deadlines, family };

// How completion is judged: against identifiers captured when the board was generated
// (baseline) or against a count read from the present data (live).
enum class Family { baseline, live };

// Raw value = case name. Each kind belongs to one realm and one family (see realmOf, familyOf).
enum class ObjectiveKind {
  invitations,       // personal, baseline: every baseline invitation answered
  backlogTicket,     // tickets, baseline: a baseline ticket has left the backlog
  ticketDone,        // tickets, baseline: a baseline ticket in progress is done
  remindersOverdue,  // reminders, live: no reminder overdue any more
  remindersDone,     // reminders, baseline: targetCount of today's reminders ticked
  deadlineClear,     // deadlines, live: no deadline overdue any more
  vaultTasks,        // family, baseline: targetCount of the task-file tasks done
};

}  // namespace WorldQuests

template <>
struct EnumTraits<WorldQuests::Realm> {
  static constexpr std::array<std::string_view, 5> names{"personal", "tickets", "reminders",
                                                         "deadlines", "family"};
};
template <>
struct EnumTraits<WorldQuests::Family> {
  static constexpr std::array<std::string_view, 2> names{"baseline", "live"};
};
template <>
struct EnumTraits<WorldQuests::ObjectiveKind> {
  static constexpr std::array<std::string_view, 7> names{
      "invitations",   "backlogTicket", "ticketDone", "remindersOverdue",
      "remindersDone", "deadlineClear", "vaultTasks"};
};

namespace WorldQuests {

// A board never holds more objectives than this.
inline constexpr int64_t MAX_OBJECTIVES = 3;

Realm realmOf(ObjectiveKind kind);
Family familyOf(ObjectiveKind kind);

// What the day offers when the board is generated.
struct Candidates {
  std::vector<std::string> pendingInviteIDs;
  std::vector<std::string> backlogTicketIDs;
  std::vector<std::string> inProgressTicketIDs;
  std::vector<std::string> dueTodayReminderIDs;
  std::vector<std::string> vaultTaskIDs;
  int64_t overdueReminderCount = 0;
  int64_t overdueDeadlineCount = 0;
  bool operator==(const Candidates&) const = default;
};

// The present data an evaluation judges the board against.
struct LiveState {
  std::vector<std::string> stillPendingInviteIDs;
  std::vector<std::string> stillBacklogTicketIDs;
  std::vector<std::string> doneTicketIDs;
  std::vector<std::string> completedReminderIDs;
  std::vector<std::string> completedVaultTaskIDs;
  int64_t overdueReminderCount = 0;
  int64_t overdueDeadlineCount = 0;
  bool operator==(const LiveState&) const = default;
};

struct Objective {
  std::string id;  // day key + ":" + the kind's raw value
  ObjectiveKind kind = ObjectiveKind::invitations;
  Realm realm = Realm::personal;
  Family family = Family::baseline;
  std::vector<std::string> baselineIDs;
  int64_t targetCount = 0;
  int64_t xpReward = 0;
  int64_t goldReward = 0;
  bool completed = false;
  bool credited = false;
  bool operator==(const Objective&) const = default;
};

struct DailyBoard {
  std::string dayKey;
  std::vector<Objective> objectives;
  bool chestCredited = false;

  int64_t completedCount() const;
  // True when the board has at least one objective and all are completed.
  bool allCompleted() const;
  bool operator==(const DailyBoard&) const = default;
};

struct Reward {
  int64_t xp = 0;
  int64_t gold = 0;
  bool operator==(const Reward&) const = default;
};

struct Evaluation {
  DailyBoard board;
  std::vector<Objective> newlyCompleted;  // in board order
};

// `count` of `ids` chosen with `rng`: nothing when count ≤ 0; every id, sorted, without drawing
// when count covers them all; otherwise the sorted ids shuffled, the first `count` kept and
// sorted again.
std::vector<std::string> pick(std::vector<std::string> ids, int64_t count, SeededGenerator& rng);

// The board of `dayKey`: at most maxObjectives (held to 1 … 3) objectives, one per realm, all
// random choices drawn from SeededGenerator::forKey(dayKey). The chest starts unpaid.
DailyBoard generate(const std::string& dayKey, const Candidates& candidates, int64_t maxObjectives);

// The board with every objective not yet completed judged against `live`, and those that pass.
// A completed objective stays completed whatever `live` says.
Evaluation evaluate(const DailyBoard& board, const LiveState& live);

// What an objective of `kind` pays, with t = max(targetCount, 1): invitations 40t / 12t,
// backlogTicket and ticketDone 55 / 14, remindersOverdue 40 / 12, remindersDone and vaultTasks
// 20t / 6t, deadlineClear 45 / 14.
Reward reward(ObjectiveKind kind, int64_t targetCount);

// The board with the objective `objectiveID` marked credited; unchanged when there is none.
DailyBoard markCredited(const DailyBoard& board, const std::string& objectiveID);
DailyBoard markChestCredited(const DailyBoard& board);

// The chest pays the board's total once more: the sums of the objectives' xp and gold.
Reward chestReward(const DailyBoard& board);

// The receipt under which the hero is paid for one objective ("wq:" + id) and for the day's chest.
std::string objectiveReceiptID(const std::string& objectiveID);
std::string chestReceiptID(const std::string& dayKey);

// The union of two receipt lists without duplicates and without empty strings, sorted by the text
// after the first ":" (the whole text when there is none), then by the whole text, keeping the
// last `limit` entries. So a full list forgets the oldest days first. limit < 1 gives [].
std::vector<std::string> mergeReceipts(const std::vector<std::string>& local,
                                       const std::vector<std::string>& remote, int64_t limit);

void to_json(Json& j, const Candidates& v);
void from_json(const Json& j, Candidates& v);
void to_json(Json& j, const LiveState& v);
void from_json(const Json& j, LiveState& v);
void to_json(Json& j, const Objective& v);
void from_json(const Json& j, Objective& v);
void to_json(Json& j, const DailyBoard& v);
void from_json(const Json& j, DailyBoard& v);

}  // namespace WorldQuests
}  // namespace talewick
