// Expeditions as `talewick rules` reaches them. The expedition a change works on is the argument
// "state", and the change answers the expedition after it. A change the expedition refuses (a
// move its phase does not allow, a duration out of range) is bad arguments, the refusal its
// reason.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "kingdom/expedition.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;

ExpeditionState state(const Json& j) { return required<ExpeditionState>(j, "state"); }
Date at(const Json& j) { return required<Date>(j, "at"); }

Json changed(const ExpeditionState& e, const std::optional<ExpeditionStateError>& refusal) {
  if (refusal) throw DecodeError("", describe(*refusal));
  return json_coding::encode(e);
}

Json init(const Json& j) {
  auto made = ExpeditionState::make(
      required<std::string>(j, "id"), required<ExpeditionTarget>(j, "target"),
      required<Date>(j, "startedAt"), required<int64_t>(j, "durationMinutes"),
      optional<ExpeditionPhase>(j, "phase").value_or(ExpeditionPhase::outbound),
      optional<ExpeditionIssue>(j, "issue"), optional<Date>(j, "resolvedAt"));
  if (const auto* refusal = std::get_if<ExpeditionStateError>(&made)) {
    throw DecodeError("durationMinutes", describe(*refusal));
  }
  return json_coding::encode(std::get<ExpeditionState>(made));
}
Json transition(const Json& j) {
  ExpeditionState e = state(j);
  const auto refusal = e.transition(required<ExpeditionPhase>(j, "to"));
  return changed(e, refusal);
}
Json resolve(const Json& j) {
  ExpeditionState e = state(j);
  const auto refusal = e.resolve(at(j), required<ExpeditionIssue>(j, "as"));
  return changed(e, refusal);
}
Json retreat(const Json& j) {
  ExpeditionState e = state(j);
  const auto refusal = e.retreat(at(j));
  return changed(e, refusal);
}
Json resolveIfDeadlineReached(const Json& j) {
  ExpeditionState e = state(j);
  const bool resolved = e.resolveIfDeadlineReached(at(j));
  return Json{{"state", json_coding::encode(e)}, {"resolved", resolved}};
}
Json remainingTime(const Json& j) { return state(j).remainingTime(at(j)); }
Json hasReachedDeadline(const Json& j) { return state(j).hasReachedDeadline(at(j)); }

Json focusWindow(const Json& j) {
  const DateInterval window =
      FocusSession::focusWindow(required<Date>(j, "start"), required<int64_t>(j, "durationMin"));
  return Json{{"start", json_coding::encode(window.start)},
              {"end", json_coding::encode(window.end)}};
}

using Receipts = std::vector<std::string>;
Json appending(const Json& j) {
  return ExpeditionRewardReceipts::appending(
      required<std::string>(j, "id"), required<Receipts>(j, "to"), required<int64_t>(j, "limit"));
}
Json merged(const Json& j) {
  return ExpeditionRewardReceipts::merged(required<Receipts>(j, "local"),
                                          required<Receipts>(j, "remote"),
                                          required<int64_t>(j, "limit"));
}

constexpr std::array kRules{
    Rule{"ExpeditionState.init", init},
    Rule{"ExpeditionState.transition", transition},
    Rule{"ExpeditionState.resolve", resolve},
    Rule{"ExpeditionState.retreat", retreat},
    Rule{"ExpeditionState.resolveIfDeadlineReached", resolveIfDeadlineReached},
    Rule{"ExpeditionState.remainingTime", remainingTime},
    Rule{"ExpeditionState.hasReachedDeadline", hasReachedDeadline},
    Rule{"FocusSession.focusWindow", focusWindow},
    Rule{"ExpeditionRewardReceipts.appending", appending},
    Rule{"ExpeditionRewardReceipts.merged", merged},
};

}  // namespace

std::span<const Rule> expeditionRules() { return kRules; }

}  // namespace talewick::ui
