// The daily board of world quests: generation from the day key, evaluation against live data,
// rewards, crediting marks and the stored JSON. Expected boards were worked out independently
// from the generator's steps.
#include "kingdom/world_quests.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace talewick::WorldQuests {

// Readable failures: records print as their stored JSON.
void PrintTo(const Objective& o, std::ostream* os) { *os << Json(o).dump(); }
void PrintTo(const DailyBoard& b, std::ostream* os) { *os << Json(b).dump(); }

namespace {

using Ids = std::vector<std::string>;
using K = ObjectiveKind;

Objective objective(const std::string& day, K kind, Ids baseline, int64_t target, int64_t xp,
                    int64_t gold) {
  Objective o;
  o.id = day + ":" + std::string(rawValue(kind));
  o.kind = kind;
  o.realm = realmOf(kind);
  o.family = familyOf(kind);
  o.baselineIDs = std::move(baseline);
  o.targetCount = target;
  o.xpReward = xp;
  o.goldReward = gold;
  return o;
}

std::vector<K> kinds(const DailyBoard& board) {
  std::vector<K> out;
  for (const Objective& o : board.objectives) out.push_back(o.kind);
  return out;
}

// Four primary kinds (invitations, backlogTicket, remindersOverdue, deadlineClear) and both
// fillers available.
Candidates busyDay() {
  Candidates c;
  c.pendingInviteIDs = {"inv-e", "inv-a", "inv-d", "inv-b", "inv-c"};
  c.backlogTicketIDs = {"LIN-12", "LIN-7", "LIN-30"};
  c.inProgressTicketIDs = {"LIN-99"};
  c.dueTodayReminderIDs = {"rem-3", "rem-1", "rem-2"};
  c.vaultTaskIDs = {"v2", "v1"};
  c.overdueReminderCount = 2;
  c.overdueDeadlineCount = 1;
  return c;
}

TEST(WorldQuestsKinds, EachKindHasOneRealmAndFamily) {
  const std::vector<std::pair<Realm, Family>> expected = {
      {Realm::personal, Family::baseline},  {Realm::tickets, Family::baseline},
      {Realm::tickets, Family::baseline},   {Realm::reminders, Family::live},
      {Realm::reminders, Family::baseline}, {Realm::deadlines, Family::live},
      {Realm::family, Family::baseline}};
  for (K kind : allCases<K>()) {
    const auto& [realm, family] = expected[static_cast<size_t>(kind)];
    EXPECT_EQ(realmOf(kind), realm) << rawValue(kind);
    EXPECT_EQ(familyOf(kind), family) << rawValue(kind);
  }
}

TEST(WorldQuestsPick, SortsDrawsAndKeepsTheChosenSorted) {
  SeededGenerator rng = SeededGenerator::forKey("2026-12-05");
  EXPECT_TRUE(pick({"b", "a"}, 0, rng).empty());
  EXPECT_TRUE(pick({"b", "a"}, -2, rng).empty());
  EXPECT_EQ(pick({"f", "c", "a"}, 3, rng), (Ids{"a", "c", "f"}));
  EXPECT_EQ(pick({"f", "c", "a"}, 7, rng), (Ids{"a", "c", "f"}));
  // None of the above drew.
  EXPECT_EQ(rng.next(), SeededGenerator::forKey("2026-12-05").next());

  // Two of six: the whole sorted list is shuffled (five draws), the first two kept and sorted.
  rng = SeededGenerator::forKey("2026-12-05");
  EXPECT_EQ(pick({"f", "c", "a", "e", "b", "d"}, 2, rng), (Ids{"c", "d"}));
  EXPECT_EQ(rng.next(), 8977364754324354265u);
}

TEST(WorldQuestsGenerate, BusyDayBoardMatchesObjectiveForObjective) {
  const std::string day = "2026-12-05";
  const DailyBoard board = generate(day, busyDay(), 3);
  EXPECT_EQ(board.dayKey, day);
  EXPECT_FALSE(board.chestCredited);
  // deadlineClear lost the day's draw; three of five invitations, one backlog ticket.
  EXPECT_EQ(board.objectives,
            (std::vector<Objective>{
                objective(day, K::invitations, {"inv-a", "inv-c", "inv-d"}, 3, 120, 36),
                objective(day, K::backlogTicket, {"LIN-7"}, 1, 55, 14),
                objective(day, K::remindersOverdue, {}, 0, 40, 12)}));

  // The same day and the same candidates, in any input order, give the same board.
  Candidates reordered = busyDay();
  std::reverse(reordered.pendingInviteIDs.begin(), reordered.pendingInviteIDs.end());
  std::reverse(reordered.backlogTicketIDs.begin(), reordered.backlogTicketIDs.end());
  EXPECT_EQ(generate(day, reordered, 3), board);
  EXPECT_EQ(generate(day, busyDay(), 3), board);
}

TEST(WorldQuestsGenerate, TheDroppedPrimaryKindDependsOnlyOnTheDayKey) {
  const std::vector<std::pair<std::string, std::vector<K>>> days = {
      {"2026-12-05", {K::invitations, K::backlogTicket, K::remindersOverdue}},
      {"2026-12-06", {K::backlogTicket, K::remindersOverdue, K::deadlineClear}},
      {"2026-12-09", {K::invitations, K::backlogTicket, K::deadlineClear}},
  };
  Candidates other;  // the same four primary kinds from other ids, no fillers
  other.pendingInviteIDs = {"x"};
  other.backlogTicketIDs = {"y", "z"};
  other.overdueReminderCount = 9;
  other.overdueDeadlineCount = 4;
  for (const auto& [day, expected] : days) {
    EXPECT_EQ(kinds(generate(day, busyDay(), 3)), expected) << day;
    EXPECT_EQ(kinds(generate(day, other, 3)), expected) << day;
  }
  EXPECT_EQ(generate("2026-12-06", busyDay(), 3).objectives[0],
            objective("2026-12-06", K::backlogTicket, {"LIN-12"}, 1, 55, 14));
  EXPECT_EQ(generate("2026-12-09", busyDay(), 3).objectives[0].baselineIDs,
            (Ids{"inv-b", "inv-d", "inv-e"}));
}

TEST(WorldQuestsGenerate, MaxObjectivesIsHeldToOneThroughThree) {
  const std::string day = "2026-12-05";
  const DailyBoard three = generate(day, busyDay(), 3);
  EXPECT_EQ(generate(day, busyDay(), 9), three);
  EXPECT_EQ(generate(day, busyDay(), 4), three);

  const std::vector<Objective> one{objective(day, K::remindersOverdue, {}, 0, 40, 12)};
  EXPECT_EQ(generate(day, busyDay(), 1).objectives, one);
  EXPECT_EQ(generate(day, busyDay(), 0).objectives, one);
  EXPECT_EQ(generate(day, busyDay(), -3).objectives, one);

  EXPECT_EQ(generate(day, busyDay(), 2).objectives,
            (std::vector<Objective>{objective(day, K::backlogTicket, {"LIN-30"}, 1, 55, 14),
                                    objective(day, K::remindersOverdue, {}, 0, 40, 12)}));
}

TEST(WorldQuestsGenerate, FillersTicketsAndTheFinalFill) {
  const std::string day = "2027-03-14";
  Candidates c;
  c.pendingInviteIDs = {"inv-4", "inv-2", "inv-3", "inv-1"};
  c.inProgressTicketIDs = {"LIN-3", "LIN-1", "LIN-2"};
  c.dueTodayReminderIDs = {"r2", "r1"};
  c.vaultTaskIDs = {"v9"};
  // No backlog: the ticket objective is ticketDone; remindersDone fills before vaultTasks.
  EXPECT_EQ(generate(day, c, 3).objectives,
            (std::vector<Objective>{
                objective(day, K::invitations, {"inv-1", "inv-2", "inv-4"}, 3, 120, 36),
                objective(day, K::ticketDone, {"LIN-3"}, 1, 55, 14),
                objective(day, K::remindersDone, {"r1", "r2"}, 2, 40, 12)}));

  // A backlog ticket wins over tickets in progress; the two are never on one board.
  c.backlogTicketIDs = {"LIN-0"};
  EXPECT_EQ(kinds(generate(day, c, 3)),
            (std::vector<K>{K::invitations, K::backlogTicket, K::remindersDone}));

  // The reminders realm taken by remindersOverdue blocks remindersDone; the final fill adds
  // deadlineClear without any overdue deadline.
  Candidates blocked;
  blocked.dueTodayReminderIDs = {"r1"};
  blocked.vaultTaskIDs = {"v1"};
  blocked.overdueReminderCount = 1;
  EXPECT_EQ(generate(day, blocked, 3).objectives,
            (std::vector<Objective>{objective(day, K::remindersOverdue, {}, 0, 40, 12),
                                    objective(day, K::vaultTasks, {"v1"}, 1, 20, 6),
                                    objective(day, K::deadlineClear, {}, 0, 45, 14)}));
}

TEST(WorldQuestsGenerate, ReminderTargetsAndRewardsFollowTheCount) {
  Candidates c;
  c.dueTodayReminderIDs = {"r1"};
  Objective o = generate("2026-12-05", c, 1).objectives.at(0);
  EXPECT_EQ(o, objective("2026-12-05", K::remindersDone, {"r1"}, 1, 20, 6));

  c.dueTodayReminderIDs = {"r5", "r3", "r1", "r4", "r2"};
  o = generate("2026-12-05", c, 1).objectives.at(0);
  EXPECT_EQ(o,
            objective("2026-12-05", K::remindersDone, {"r1", "r2", "r3", "r4", "r5"}, 2, 40, 12));
}

TEST(WorldQuestsEvaluate, NoCandidatesGiveABoardDoneAtOnce) {
  const std::string day = "2026-12-05";
  const DailyBoard board = generate(day, Candidates{}, 3);
  EXPECT_EQ(board.objectives,
            (std::vector<Objective>{objective(day, K::remindersOverdue, {}, 0, 40, 12),
                                    objective(day, K::deadlineClear, {}, 0, 45, 14),
                                    objective(day, K::vaultTasks, {}, 0, 20, 6)}));
  EXPECT_EQ(board.completedCount(), 0);
  EXPECT_FALSE(board.allCompleted());

  const Evaluation e = evaluate(board, LiveState{});
  EXPECT_EQ(e.board.completedCount(), 3);
  EXPECT_TRUE(e.board.allCompleted());
  EXPECT_EQ(e.newlyCompleted, e.board.objectives);
  EXPECT_EQ(chestReward(e.board), (Reward{105, 32}));

  // An empty board is never all completed and its chest pays nothing.
  const DailyBoard empty{day, {}, false};
  EXPECT_FALSE(evaluate(empty, LiveState{}).board.allCompleted());
  EXPECT_EQ(chestReward(empty), (Reward{0, 0}));
}

// One objective of `kind` judged against `live`: does it complete?
bool completes(K kind, Ids baseline, int64_t target, const LiveState& live) {
  DailyBoard board{"d", {objective("d", kind, std::move(baseline), target, 1, 1)}, false};
  return evaluate(board, live).board.objectives[0].completed;
}

TEST(WorldQuestsEvaluate, CompletionRulesOfEachKind) {
  LiveState live;
  // invitations: every baseline invitation answered; others still pending do not matter.
  live.stillPendingInviteIDs = {"a", "z"};
  EXPECT_FALSE(completes(K::invitations, {"a", "b"}, 2, live));
  live.stillPendingInviteIDs = {"z"};
  EXPECT_TRUE(completes(K::invitations, {"a", "b"}, 2, live));

  // backlogTicket: leaving the backlog is enough, even when not done.
  live.stillBacklogTicketIDs = {"T1", "T2"};
  EXPECT_FALSE(completes(K::backlogTicket, {"T1"}, 1, live));
  live.stillBacklogTicketIDs = {"T2"};
  EXPECT_TRUE(completes(K::backlogTicket, {"T1"}, 1, live));
  EXPECT_FALSE(completes(K::backlogTicket, {}, 1, live));  // empty baseline: never

  // ticketDone: a baseline ticket done.
  live.doneTicketIDs = {"T9"};
  EXPECT_FALSE(completes(K::ticketDone, {"T1"}, 1, live));
  live.doneTicketIDs = {"T9", "T1"};
  EXPECT_TRUE(completes(K::ticketDone, {"T1"}, 1, live));
  EXPECT_FALSE(completes(K::ticketDone, {}, 1, live));

  // remindersDone and vaultTasks: targetCount of the baseline ids, others do not count.
  live.completedReminderIDs = {"r1", "r9", "r8"};
  EXPECT_FALSE(completes(K::remindersDone, {"r1", "r2", "r3"}, 2, live));
  live.completedReminderIDs = {"r3", "r1"};
  EXPECT_TRUE(completes(K::remindersDone, {"r1", "r2", "r3"}, 2, live));
  live.completedVaultTaskIDs = {"v2"};
  EXPECT_TRUE(completes(K::vaultTasks, {"v1", "v2"}, 1, live));
  EXPECT_FALSE(completes(K::vaultTasks, {"v1", "v2"}, 2, live));
  EXPECT_FALSE(completes(K::vaultTasks, {"v1"}, 1, LiveState{}));

  // Live counts: done only at zero.
  live.overdueReminderCount = 1;
  live.overdueDeadlineCount = 0;
  EXPECT_FALSE(completes(K::remindersOverdue, {}, 0, live));
  EXPECT_TRUE(completes(K::deadlineClear, {}, 0, live));
  live.overdueReminderCount = 0;
  live.overdueDeadlineCount = 3;
  EXPECT_TRUE(completes(K::remindersOverdue, {}, 0, live));
  EXPECT_FALSE(completes(K::deadlineClear, {}, 0, live));
}

TEST(WorldQuestsEvaluate, CompletedObjectivesStayCompletedAndAreReportedOnce) {
  const std::string day = "2026-12-05";
  const DailyBoard board = generate(day, busyDay(), 3);  // invitations, backlogTicket, overdue
  LiveState live;
  live.stillPendingInviteIDs = {"inv-c"};
  live.stillBacklogTicketIDs = {"LIN-12", "LIN-30"};  // LIN-7 moved on
  live.overdueReminderCount = 0;
  Evaluation first = evaluate(board, live);
  EXPECT_EQ(first.board.completedCount(), 2);
  ASSERT_EQ(first.newlyCompleted.size(), 2u);
  EXPECT_EQ(first.newlyCompleted[0].id, day + ":backlogTicket");  // board order
  EXPECT_EQ(first.newlyCompleted[1].id, day + ":remindersOverdue");
  EXPECT_TRUE(first.newlyCompleted[0].completed);

  // Worse news later never undoes a completion, nor credits; only the new completion is reported.
  DailyBoard credited = markCredited(first.board, day + ":backlogTicket");
  LiveState worse;
  worse.stillBacklogTicketIDs = {"LIN-7"};
  worse.overdueReminderCount = 5;
  const Evaluation second = evaluate(credited, worse);
  EXPECT_EQ(second.board.completedCount(), 3);
  EXPECT_TRUE(second.board.allCompleted());
  ASSERT_EQ(second.newlyCompleted.size(), 1u);
  EXPECT_EQ(second.newlyCompleted[0].kind, K::invitations);
  EXPECT_TRUE(second.board.objectives[1].credited);
  EXPECT_TRUE(evaluate(second.board, worse).newlyCompleted.empty());
}

TEST(WorldQuestsRewards, TableChestAndCreditMarks) {
  // {kind, target, xp, gold}: targets below 1 count as 1.
  const std::vector<std::tuple<K, int64_t, int64_t, int64_t>> table = {
      {K::invitations, 0, 40, 12},      {K::invitations, 3, 120, 36},
      {K::backlogTicket, 3, 55, 14},    {K::ticketDone, 0, 55, 14},
      {K::remindersOverdue, 2, 40, 12}, {K::remindersDone, -1, 20, 6},
      {K::remindersDone, 2, 40, 12},    {K::deadlineClear, 0, 45, 14},
      {K::vaultTasks, 1, 20, 6},        {K::vaultTasks, 2, 40, 12}};
  for (const auto& [kind, target, xp, gold] : table) {
    EXPECT_EQ(reward(kind, target), (Reward{xp, gold})) << rawValue(kind) << " " << target;
  }

  const DailyBoard board = generate("2026-12-05", busyDay(), 3);
  EXPECT_EQ(chestReward(board), (Reward{120 + 55 + 40, 36 + 14 + 12}));

  const DailyBoard marked = markCredited(board, "2026-12-05:backlogTicket");
  EXPECT_FALSE(marked.objectives[0].credited);
  EXPECT_TRUE(marked.objectives[1].credited);
  EXPECT_FALSE(marked.objectives[2].credited);
  EXPECT_EQ(markCredited(marked, "2026-12-05:backlogTicket"), marked);
  EXPECT_EQ(markCredited(board, "2026-12-04:backlogTicket"), board);
  EXPECT_FALSE(marked.chestCredited);
  const DailyBoard opened = markChestCredited(marked);
  EXPECT_TRUE(opened.chestCredited);
  EXPECT_EQ(opened.objectives, marked.objectives);
  EXPECT_EQ(objectiveReceiptID(board.objectives[1].id), "wq:2026-12-05:backlogTicket");
}

TEST(WorldQuestsCoding, BoardRoundTripsWithItsStoredKeysAndDecodesStrictly) {
  DailyBoard board = generate("2026-12-05", busyDay(), 3);
  board.objectives[1].completed = true;
  board.objectives[1].credited = true;
  const Json j = board;
  EXPECT_EQ(j["objectives"][1].dump(),
            R"({"id":"2026-12-05:backlogTicket","kind":"backlogTicket","realm":"tickets",)"
            R"("family":"baseline","baselineIDs":["LIN-7"],"targetCount":1,"xpReward":55,)"
            R"("goldReward":14,"completed":true,"credited":true})");
  EXPECT_EQ(j["chestCredited"], false);
  EXPECT_EQ(decodeJsonText<DailyBoard>(j.dump()), board);

  Json bad = j;
  bad["objectives"][0]["kind"] = "invitation";
  EXPECT_THROW(decodeJsonText<DailyBoard>(bad.dump()), DecodeError);
  bad = j;
  bad["objectives"][2].erase("family");
  EXPECT_THROW(decodeJsonText<DailyBoard>(bad.dump()), DecodeError);
  bad = j;
  bad.erase("chestCredited");
  EXPECT_THROW(decodeJsonText<DailyBoard>(bad.dump()), DecodeError);

  EXPECT_EQ(decodeJsonText<Candidates>(Json(busyDay()).dump()), busyDay());
  LiveState live;
  live.doneTicketIDs = {"T1"};
  live.overdueDeadlineCount = 2;
  EXPECT_EQ(decodeJsonText<LiveState>(Json(live).dump()), live);
  EXPECT_THROW(decodeJsonText<LiveState>(R"({"doneTicketIDs":[]})"), DecodeError);
  Json wrongType = Json(live);
  wrongType["overdueReminderCount"] = "0";
  EXPECT_THROW(decodeJsonText<LiveState>(wrongType.dump()), DecodeError);
}

}  // namespace
}  // namespace talewick::WorldQuests
