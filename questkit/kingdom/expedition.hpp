// Expeditions: a timed focus session on one concrete piece of work. The hero sets out
// (outbound), the user confirms focus (focused), and when the timer runs out the target is
// defeated; the user may retreat before that. Either way the expedition is resolved, then the
// hero walks back (returning). Pure value logic: every moment comes in as an argument.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "kingdom/expedition_reward_receipts.hpp"
#include "support/date.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {

enum class ExpeditionPhase { outbound, focused, resolved, returning };

// How a resolved expedition ended: the deadline reached (the target defeated, the expedition
// won), or an early retreat.
enum class ExpeditionIssue { defeated, retreated };

template <>
struct EnumTraits<ExpeditionPhase> {
  static constexpr std::array<std::string_view, 4> names{"outbound", "focused", "resolved",
                                                         "returning"};
};
template <>
struct EnumTraits<ExpeditionIssue> {
  static constexpr std::array<std::string_view, 2> names{"defeated", "retreated"};
};

// Why a change of an expedition was refused; the expedition is then left as it was.
struct ExpeditionStateError {
  enum class Kind { invalidTransition, invalidDuration };

  Kind kind = Kind::invalidDuration;
  // The refused move, for invalidTransition only.
  ExpeditionPhase from = ExpeditionPhase::outbound;
  ExpeditionPhase to = ExpeditionPhase::outbound;

  static ExpeditionStateError invalidTransition(ExpeditionPhase from, ExpeditionPhase to) {
    return {Kind::invalidTransition, from, to};
  }
  static ExpeditionStateError invalidDuration() { return {}; }
  bool operator==(const ExpeditionStateError&) const = default;
};

// The phase's name in the user's language, for messages.
std::string displayName(ExpeditionPhase phase);
// Why, in the user's language: one line.
std::string describe(const ExpeditionStateError& error);

// The piece of work an expedition is about. A kind this version does not know (written by a
// newer version, or one the application adds, such as a reminder) is kept with its name, so that
// it survives being read and written back.
struct ExpeditionTarget {
  enum class Kind { linearTicket, vaultTask, calendarEvent, unknown };

  Kind kind = Kind::calendarEvent;
  std::string id;
  std::string title;
  ExpeditionReward reward;
  std::string unknownKind;  // the stored kind, for Kind::unknown only

  static ExpeditionTarget linearTicket(std::string id, std::string title, ExpeditionReward reward);
  static ExpeditionTarget vaultTask(std::string id, std::string title, ExpeditionReward reward);
  static ExpeditionTarget calendarEvent(std::string id, std::string title, ExpeditionReward reward);
  // A known kind's name gives that case.
  static ExpeditionTarget ofKind(const std::string& kind, std::string id, std::string title,
                                 ExpeditionReward reward);

  // "linearTicket", "vaultTask", "calendarEvent", or the unknown kind as read.
  std::string storedKind() const;
  bool operator==(const ExpeditionTarget&) const = default;
};

// Encoded as {kind: {"id", "title", "reward"}}: exactly one key, naming the kind.
void to_json(Json& j, const ExpeditionTarget& v);
void from_json(const Json& j, ExpeditionTarget& v);

struct ExpeditionState {
  static constexpr int64_t minDurationMinutes = 5;
  static constexpr int64_t maxDurationMinutes = 180;

  std::string id;
  ExpeditionTarget target;
  Date startedAt;
  int64_t durationMinutes = minDurationMinutes;
  ExpeditionPhase phase = ExpeditionPhase::outbound;
  std::optional<ExpeditionIssue> issue;
  std::optional<Date> resolvedAt;

  // The expedition as given; invalidDuration unless minDurationMinutes ≤ durationMinutes ≤
  // maxDurationMinutes.
  static std::variant<ExpeditionState, ExpeditionStateError> make(
      std::string id, ExpeditionTarget target, Date startedAt, int64_t durationMinutes,
      ExpeditionPhase phase = ExpeditionPhase::outbound,
      std::optional<ExpeditionIssue> issue = std::nullopt,
      std::optional<Date> resolvedAt = std::nullopt);

  // startedAt + durationMinutes minutes.
  Date deadline() const;
  // Outbound or focused: the timer still runs.
  bool isUnderWay() const;

  // The changes below return the refusal and leave the state unchanged when refused.

  // outbound → focused and resolved → returning; any other pair is invalidTransition(phase, to).
  [[nodiscard]] std::optional<ExpeditionStateError> transition(ExpeditionPhase to);
  // From outbound or focused: resolved with `as` at `at`; else invalidTransition(phase, resolved).
  [[nodiscard]] std::optional<ExpeditionStateError> resolve(Date at, ExpeditionIssue as);
  // resolve(at, retreated).
  [[nodiscard]] std::optional<ExpeditionStateError> retreat(Date at);
  // Under way and at or past the deadline: resolved as defeated at the deadline itself (however
  // late `at` is), and true. Otherwise false and nothing changes.
  bool resolveIfDeadlineReached(Date at);

  // Seconds from `at` to the deadline; negative once it has passed.
  double remainingTime(Date at) const;
  bool hasReachedDeadline(Date at) const;

  bool operator==(const ExpeditionState&) const = default;
};

void to_json(Json& j, const ExpeditionState& v);
void from_json(const Json& j, ExpeditionState& v);

namespace FocusSession {

// [start, start + max(durationMin, 1) minutes): a focus window is never empty.
DateInterval focusWindow(Date start, int64_t durationMin);

}  // namespace FocusSession
}  // namespace talewick
