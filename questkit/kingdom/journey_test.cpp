// Journey: the recommendation order, the day's main quest across refreshes, the user's choice and
// the side objectives.
#include "kingdom/journey.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talewick {
namespace {

using Journey::Candidate;
using Journey::CandidateKind;
using Journey::State;
using WorldQuests::Realm;

Candidate candidate(std::string id, CandidateKind kind, std::optional<double> due = std::nullopt) {
  Candidate c;
  c.id = std::move(id);
  c.kind = kind;
  c.realm = Realm::deadlines;
  c.title = "Quête " + c.id;
  if (due) c.dueAt = Date{*due};
  return c;
}

std::optional<std::string> recommendedId(const std::vector<Candidate>& candidates) {
  const auto r = Journey::recommend(candidates);
  return r ? std::optional(r->id) : std::nullopt;
}

std::optional<std::string> mainId(const Journey::Resolution& r) {
  return r.main ? std::optional(r.main->id) : std::nullopt;
}

constexpr const char* kToday = "2026-12-07";
constexpr const char* kTomorrow = "2026-12-08";

TEST(Journey, RecommendByKindThenDueDateThenId) {
  using K = CandidateKind;
  EXPECT_EQ(recommendedId({}), std::nullopt);
  EXPECT_EQ(recommendedId(
                {candidate("b", K::overdueDeadline, 200), candidate("a", K::overdueDeadline, 100)}),
            "a");
  EXPECT_EQ(recommendedId({candidate("b", K::overdueDeadline, 100),
                           candidate("a2", K::overdueDeadline, 100)}),
            "a2");
  // No due date loses to any due date of the same kind, whatever the order.
  EXPECT_EQ(recommendedId({candidate("a", K::vaultTask), candidate("z", K::vaultTask, 1e12)}), "z");
  EXPECT_EQ(recommendedId({candidate("z", K::vaultTask, 1e12), candidate("a", K::vaultTask)}), "z");
  // The kind comes first.
  EXPECT_EQ(recommendedId({candidate("u", K::calendarUpcoming, 0), candidate("v", K::vaultTask),
                           candidate("i", K::invitation, 5e9)}),
            "i");
}

TEST(Journey, FirstRefreshOfTheDayRecommendsAndKeepsIt) {
  const std::vector<Candidate> list{candidate("r", CandidateKind::reminderDueToday),
                                    candidate("d", CandidateKind::overdueDeadline)};
  const auto first = Journey::resolveMain(State{}, list, kToday);
  EXPECT_EQ(mainId(first), "d");
  EXPECT_FALSE(first.isChosen);
  EXPECT_EQ(first.state, (State{kToday, std::nullopt, "d", 0}));
  // A more pressing candidate arriving later does not dislodge the day's recommendation.
  auto more = list;
  more.push_back(candidate("a", CandidateKind::overdueDeadline, 0));
  const auto second = Journey::resolveMain(first.state, more, kToday);
  EXPECT_EQ(mainId(second), "d");
  EXPECT_EQ(second.state, first.state);
}

TEST(Journey, ARecommendationSurvivesOneMissedRefreshButNotTwo) {
  const Candidate d = candidate("d", CandidateKind::overdueDeadline);
  const Candidate r = candidate("r", CandidateKind::reminderDueToday);
  const State start{kToday, std::nullopt, "d", 0};

  const auto missedOnce = Journey::resolveMain(start, {r}, kToday);
  EXPECT_EQ(mainId(missedOnce), "r");  // stands in for this refresh
  EXPECT_EQ(missedOnce.state, (State{kToday, std::nullopt, "d", 1}));
  const auto back = Journey::resolveMain(missedOnce.state, {r, d}, kToday);
  EXPECT_EQ(mainId(back), "d");
  EXPECT_EQ(back.state.recommendedMissedRefreshes, 0);

  const auto missedTwice = Journey::resolveMain(missedOnce.state, {r}, kToday);
  EXPECT_EQ(mainId(missedTwice), "r");
  EXPECT_EQ(missedTwice.state, (State{kToday, std::nullopt, "r", 0}));
  // Once replaced, the old recommendation coming back does not take over again.
  EXPECT_EQ(mainId(Journey::resolveMain(missedTwice.state, {r, d}, kToday)), "r");

  // Nothing left at all: no main quest; the second miss leaves no recommendation behind.
  const auto emptyOnce = Journey::resolveMain(start, {}, kToday);
  EXPECT_EQ(emptyOnce.main, std::nullopt);
  const auto emptyTwice = Journey::resolveMain(emptyOnce.state, {}, kToday);
  EXPECT_EQ(emptyTwice.state, (State{kToday, std::nullopt, std::nullopt, 0}));
  EXPECT_EQ(mainId(Journey::resolveMain(emptyTwice.state, {r}, kToday)), "r");
}

TEST(Journey, AChoiceWinsWhileItsCandidateIsThere) {
  const Candidate d = candidate("d", CandidateKind::overdueDeadline);
  const Candidate v = candidate("v", CandidateKind::vaultTask);
  const State recommended = Journey::resolveMain(State{}, {d, v}, kToday).state;

  // Choosing an id no candidate carries changes nothing.
  EXPECT_EQ(Journey::choose("inconnu", recommended, {d, v}, kToday), recommended);
  const State chosen = Journey::choose("v", recommended, {d, v}, kToday);
  EXPECT_EQ(chosen, (State{kToday, "v", "d", 0}));
  const auto withChoice = Journey::resolveMain(chosen, {d, v}, kToday);
  EXPECT_EQ(mainId(withChoice), "v");
  EXPECT_TRUE(withChoice.isChosen);
  EXPECT_EQ(withChoice.state, chosen);

  // The chosen candidate gone: the recommendation rules take over, the choice stays stored.
  const auto without = Journey::resolveMain(chosen, {d}, kToday);
  EXPECT_EQ(mainId(without), "d");
  EXPECT_FALSE(without.isChosen);
  EXPECT_EQ(without.state.chosenMainID, "v");
  EXPECT_TRUE(Journey::resolveMain(without.state, {d, v}, kToday).isChosen);
}

TEST(Journey, ANewDayForgetsYesterday) {
  const Candidate d = candidate("d", CandidateKind::overdueDeadline);
  const Candidate v = candidate("v", CandidateKind::vaultTask);
  const State yesterday{kToday, "v", "v", 1};
  const auto next = Journey::resolveMain(yesterday, {d, v}, kTomorrow);
  EXPECT_EQ(mainId(next), "d");
  EXPECT_FALSE(next.isChosen);
  EXPECT_EQ(next.state, (State{kTomorrow, std::nullopt, "d", 0}));
  // A choice made on a stale state starts the new day afresh with that choice.
  EXPECT_EQ(Journey::choose("d", yesterday, {d, v}, kTomorrow),
            (State{kTomorrow, "d", std::nullopt, 0}));
}

TEST(Journey, SecondariesAreTheOpenObjectivesInBoardOrder) {
  WorldQuests::DailyBoard board;
  board.dayKey = kToday;
  for (const char* id : {"o1", "o2", "o3", "o4"}) {
    WorldQuests::Objective o;
    o.id = id;
    board.objectives.push_back(o);
  }
  board.objectives[1].completed = true;
  const auto ids = [](const std::vector<WorldQuests::Objective>& objectives) {
    std::vector<std::string> out;
    for (const auto& o : objectives) out.push_back(o.id);
    return out;
  };
  EXPECT_EQ(ids(Journey::secondaries(board, 2)), (std::vector<std::string>{"o1", "o3"}));
  EXPECT_EQ(ids(Journey::secondaries(board, 10)), (std::vector<std::string>{"o1", "o3", "o4"}));
  EXPECT_TRUE(Journey::secondaries(board, 0).empty());
  EXPECT_TRUE(Journey::secondaries(std::nullopt, 3).empty());
}

TEST(Journey, JsonOfCandidatesAndState) {
  Candidate c = candidate("lin-42", CandidateKind::ticketInProgress, 86400);
  c.realm = Realm::tickets;
  c.xpReward = 55;
  c.goldReward = 14;
  const std::string text = Json(c).dump();
  EXPECT_EQ(text,
            R"({"id":"lin-42","realm":"tickets","kind":"ticketInProgress","title":"Quête lin-42",)"
            R"("dueAt":86400.0,"xpReward":55,"goldReward":14})");
  EXPECT_EQ(decodeJsonText<Candidate>(text), c);
  const State s{kToday, std::nullopt, "d", 1};
  EXPECT_EQ(Json(s).dump(),
            R"({"dayKey":"2026-12-07","recommendedMainID":"d","recommendedMissedRefreshes":1})");
  EXPECT_EQ(decodeJsonText<State>(Json(s).dump()), s);
  EXPECT_THROW(decodeJsonText<State>(R"({"dayKey":"2026-12-07"})"), DecodeError);
}

}  // namespace
}  // namespace talewick
