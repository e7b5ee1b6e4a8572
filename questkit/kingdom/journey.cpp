#include "kingdom/journey.hpp"

#include <algorithm>
#include <tuple>

namespace talewick::Journey {

using json_coding::Field;

namespace {

const Candidate* withId(const std::vector<Candidate>& candidates, const std::string& id) {
  for (const auto& c : candidates) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

// The day's state: `state` itself on its own day, a fresh one otherwise.
State forDay(const State& state, const std::string& dayKey) {
  return state.dayKey == dayKey ? state : freshState(dayKey);
}

bool morePressing(const Candidate& a, const Candidate& b) {
  if (a.kind != b.kind) return a.kind < b.kind;
  if (a.dueAt != b.dueAt) {
    if (!a.dueAt) return false;  // no due date: the distant future
    if (!b.dueAt) return true;
    return *a.dueAt < *b.dueAt;
  }
  return a.id < b.id;
}

}  // namespace

State freshState(const std::string& dayKey) { return State{dayKey, std::nullopt, std::nullopt, 0}; }

std::optional<Candidate> recommend(const std::vector<Candidate>& candidates) {
  if (candidates.empty()) return std::nullopt;
  return *std::min_element(candidates.begin(), candidates.end(), morePressing);
}

Resolution resolveMain(const State& previous, const std::vector<Candidate>& candidates,
                       const std::string& dayKey) {
  State state = forDay(previous, dayKey);
  if (state.chosenMainID) {
    if (const auto* chosen = withId(candidates, *state.chosenMainID)) {
      return Resolution{*chosen, state, true};
    }
  }
  if (state.recommendedMainID) {
    if (const auto* recommended = withId(candidates, *state.recommendedMainID)) {
      state.recommendedMissedRefreshes = 0;
      return Resolution{*recommended, state, false};
    }
    const auto standIn = recommend(candidates);
    state.recommendedMissedRefreshes += 1;
    if (state.recommendedMissedRefreshes > 1) {
      state.recommendedMainID = standIn ? std::optional(standIn->id) : std::nullopt;
      state.recommendedMissedRefreshes = 0;
    }
    return Resolution{standIn, state, false};
  }
  const auto fresh = recommend(candidates);
  state.recommendedMainID = fresh ? std::optional(fresh->id) : std::nullopt;
  state.recommendedMissedRefreshes = 0;
  return Resolution{fresh, state, false};
}

State choose(const std::string& id, const State& state, const std::vector<Candidate>& candidates,
             const std::string& dayKey) {
  if (!withId(candidates, id)) return state;
  State chosen = forDay(state, dayKey);
  chosen.chosenMainID = id;
  return chosen;
}

std::vector<WorldQuests::Objective> secondaries(const std::optional<WorldQuests::DailyBoard>& board,
                                                int64_t limit) {
  std::vector<WorldQuests::Objective> out;
  if (!board || limit < 1) return out;
  for (const auto& objective : board->objectives) {
    if (static_cast<int64_t>(out.size()) >= limit) break;
    if (!objective.completed) out.push_back(objective);
  }
  return out;
}

static const auto kCandidateFields = std::tuple{Field{"id", &Candidate::id},
                                                Field{"realm", &Candidate::realm},
                                                Field{"kind", &Candidate::kind},
                                                Field{"title", &Candidate::title},
                                                Field{"dueAt", &Candidate::dueAt},
                                                Field{"xpReward", &Candidate::xpReward},
                                                Field{"goldReward", &Candidate::goldReward}};
TALEWICK_JSON_CODING(Candidate, kCandidateFields)

static const auto kStateFields =
    std::tuple{Field{"dayKey", &State::dayKey}, Field{"chosenMainID", &State::chosenMainID},
               Field{"recommendedMainID", &State::recommendedMainID},
               Field{"recommendedMissedRefreshes", &State::recommendedMissedRefreshes}};
TALEWICK_JSON_CODING(State, kStateFields)

void to_json(Json& j, const Resolution& v) {
  json_coding::writeFields(
      j, v,
      std::tuple{Field{"main", &Resolution::main}, Field{"state", &Resolution::state},
                 Field{"isChosen", &Resolution::isChosen}});
}

}  // namespace talewick::Journey
