// The journey: one main quest of the day, proposed among the user's live obligations, that the
// user may swap for another. The proposal holds for the day: a recommended main quest stays until
// the user chooses, or until it has been missing from the candidates for two refreshes in a row
// (one miss may just be a sync hiccup). A new day key forgets the choice and the recommendation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kingdom/world_quests.hpp"
#include "support/date.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {
namespace Journey {

// Declaration order is the priority order, highest first.
enum class CandidateKind {
  overdueDeadline,
  campaignStep,
  ticketInProgress,
  invitation,
  reminderDueToday,
  backlogTicket,
  vaultTask,
  calendarUpcoming,
};

struct Candidate {
  std::string id;
  WorldQuests::Realm realm = WorldQuests::Realm::personal;
  CandidateKind kind = CandidateKind::calendarUpcoming;
  std::string title;
  std::optional<Date> dueAt;
  int64_t xpReward = 0;
  int64_t goldReward = 0;
  bool operator==(const Candidate&) const = default;
};

// Kept between refreshes, for one day.
struct State {
  std::string dayKey;  // "yyyy-MM-dd"
  std::optional<std::string> chosenMainID;
  std::optional<std::string> recommendedMainID;
  int64_t recommendedMissedRefreshes = 0;
  bool operator==(const State&) const = default;
};

struct Resolution {
  std::optional<Candidate> main;
  State state;
  bool isChosen = false;  // the main quest is the user's choice, not the recommendation
  bool operator==(const Resolution&) const = default;
};

// The fresh state of a day: nothing chosen, nothing recommended.
State freshState(const std::string& dayKey);

// The most pressing candidate: the highest-priority kind, then the earliest due date (none counts
// as the distant future), then the smallest id (byte order). nullopt for no candidates.
std::optional<Candidate> recommend(const std::vector<Candidate>& candidates);

// The main quest of this refresh and the state to keep:
// - a state of another day starts afresh;
// - a chosen candidate still present is the main quest (isChosen);
// - else a recommended candidate still present stays, and its miss count returns to 0;
// - else a recommended candidate missing once is kept in the state while recommend() stands in
//   for this refresh; missing a second time, recommend() replaces it (count back to 0);
// - else recommend() becomes the day's recommendation.
// A chosen id whose candidate has gone stays stored: it wins again if it comes back.
Resolution resolveMain(const State& state, const std::vector<Candidate>& candidates,
                       const std::string& dayKey);

// The day's state with `id` chosen; `state` unchanged when no candidate carries `id`.
State choose(const std::string& id, const State& state, const std::vector<Candidate>& candidates,
             const std::string& dayKey);

// The side objectives shown under the main quest: the board's objectives not yet completed, in
// board order, at most `limit` (none for no board or a limit below 1).
std::vector<WorldQuests::Objective> secondaries(const std::optional<WorldQuests::DailyBoard>& board,
                                                int64_t limit);

void to_json(Json& j, const Candidate& v);
void from_json(const Json& j, Candidate& v);
void to_json(Json& j, const State& v);
void from_json(const Json& j, State& v);
void to_json(Json& j, const Resolution& v);

}  // namespace Journey

template <>
struct EnumTraits<Journey::CandidateKind> {
  static constexpr std::array<std::string_view, 8> names{
      "overdueDeadline",  "campaignStep",  "ticketInProgress", "invitation",
      "reminderDueToday", "backlogTicket", "vaultTask",        "calendarUpcoming"};
};

}  // namespace talewick
