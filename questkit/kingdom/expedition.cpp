#include "kingdom/expedition.hpp"

#include <algorithm>

#include "support/loc.hpp"

namespace talewick {

namespace {

using json_coding::Field;
using Kind = ExpeditionTarget::Kind;

constexpr std::array<std::string_view, 3> kKnownKinds{"linearTicket", "vaultTask", "calendarEvent"};

struct TargetBody {
  std::string id;
  std::string title;
  ExpeditionReward reward;
};

const auto kTargetBodyFields =
    std::tuple{Field{"id", &TargetBody::id}, Field{"title", &TargetBody::title},
               Field{"reward", &TargetBody::reward}};

const auto kStateFields = std::tuple{Field{"id", &ExpeditionState::id},
                                     Field{"target", &ExpeditionState::target},
                                     Field{"startedAt", &ExpeditionState::startedAt},
                                     Field{"durationMinutes", &ExpeditionState::durationMinutes},
                                     Field{"phase", &ExpeditionState::phase},
                                     Field{"issue", &ExpeditionState::issue},
                                     Field{"resolvedAt", &ExpeditionState::resolvedAt}};

}  // namespace

std::string displayName(ExpeditionPhase phase) {
  switch (phase) {
    case ExpeditionPhase::outbound:
      return Loc::string("expedition.phase.outbound", "aller");
    case ExpeditionPhase::focused:
      return Loc::string("expedition.phase.focused", "concentration");
    case ExpeditionPhase::resolved:
      return Loc::string("expedition.phase.resolved", "dénouement");
    case ExpeditionPhase::returning:
      return Loc::string("expedition.phase.returning", "retour");
  }
  return {};
}

std::string describe(const ExpeditionStateError& error) {
  switch (error.kind) {
    case ExpeditionStateError::Kind::invalidTransition:
      return Loc::format(Loc::string("expedition.error.invalidTransition",
                                     "l'expédition ne peut pas passer de l'étape « %@ » à "
                                     "l'étape « %@ »"),
                         {displayName(error.from), displayName(error.to)});
    case ExpeditionStateError::Kind::invalidDuration:
      return Loc::format(
          Loc::string("expedition.error.invalidDuration", "une expédition dure de %@ à %@ minutes"),
          {std::to_string(ExpeditionState::minDurationMinutes),
           std::to_string(ExpeditionState::maxDurationMinutes)});
  }
  return {};
}

// --- ExpeditionTarget ---

ExpeditionTarget ExpeditionTarget::linearTicket(std::string id, std::string title,
                                                ExpeditionReward reward) {
  return {Kind::linearTicket, std::move(id), std::move(title), reward, {}};
}

ExpeditionTarget ExpeditionTarget::vaultTask(std::string id, std::string title,
                                             ExpeditionReward reward) {
  return {Kind::vaultTask, std::move(id), std::move(title), reward, {}};
}

ExpeditionTarget ExpeditionTarget::calendarEvent(std::string id, std::string title,
                                                 ExpeditionReward reward) {
  return {Kind::calendarEvent, std::move(id), std::move(title), reward, {}};
}

ExpeditionTarget ExpeditionTarget::ofKind(const std::string& kind, std::string id,
                                          std::string title, ExpeditionReward reward) {
  const auto known = std::find(kKnownKinds.begin(), kKnownKinds.end(), kind);
  if (known != kKnownKinds.end()) {
    return {static_cast<Kind>(known - kKnownKinds.begin()),
            std::move(id),
            std::move(title),
            reward,
            {}};
  }
  return {Kind::unknown, std::move(id), std::move(title), reward, kind};
}

std::string ExpeditionTarget::storedKind() const {
  if (kind == Kind::unknown) return unknownKind;
  return std::string(kKnownKinds[static_cast<size_t>(kind)]);
}

void to_json(Json& j, const ExpeditionTarget& v) {
  Json body;
  json_coding::writeFields(body, TargetBody{v.id, v.title, v.reward}, kTargetBodyFields);
  j = Json::object();
  j[v.storedKind()] = std::move(body);
}

void from_json(const Json& j, ExpeditionTarget& v) {
  if (!j.is_object() || j.size() != 1) {
    json_coding::fail(Loc::string("expedition.error.targetShape",
                                  "objet attendu, d'une seule clé nommant le genre de cible"));
  }
  const auto only = j.begin();
  TargetBody body;
  try {
    json_coding::readFields(only.value(), body, kTargetBodyFields);
  } catch (const DecodeError& e) {
    throw e.within(only.key());
  }
  v = ExpeditionTarget::ofKind(only.key(), std::move(body.id), std::move(body.title), body.reward);
}

// --- ExpeditionState ---

std::variant<ExpeditionState, ExpeditionStateError> ExpeditionState::make(
    std::string id, ExpeditionTarget target, Date startedAt, int64_t durationMinutes,
    ExpeditionPhase phase, std::optional<ExpeditionIssue> issue, std::optional<Date> resolvedAt) {
  if (durationMinutes < minDurationMinutes || durationMinutes > maxDurationMinutes) {
    return ExpeditionStateError::invalidDuration();
  }
  return ExpeditionState{std::move(id), std::move(target), startedAt, durationMinutes, phase,
                         issue,         resolvedAt};
}

Date ExpeditionState::deadline() const {
  return startedAt.adding(static_cast<double>(durationMinutes) * 60);
}

bool ExpeditionState::isUnderWay() const {
  return phase == ExpeditionPhase::outbound || phase == ExpeditionPhase::focused;
}

std::optional<ExpeditionStateError> ExpeditionState::transition(ExpeditionPhase to) {
  const bool allowed = (phase == ExpeditionPhase::outbound && to == ExpeditionPhase::focused) ||
                       (phase == ExpeditionPhase::resolved && to == ExpeditionPhase::returning);
  if (!allowed) return ExpeditionStateError::invalidTransition(phase, to);
  phase = to;
  return std::nullopt;
}

std::optional<ExpeditionStateError> ExpeditionState::resolve(Date at, ExpeditionIssue as) {
  if (!isUnderWay()) {
    return ExpeditionStateError::invalidTransition(phase, ExpeditionPhase::resolved);
  }
  phase = ExpeditionPhase::resolved;
  issue = as;
  resolvedAt = at;
  return std::nullopt;
}

std::optional<ExpeditionStateError> ExpeditionState::retreat(Date at) {
  return resolve(at, ExpeditionIssue::retreated);
}

bool ExpeditionState::resolveIfDeadlineReached(Date at) {
  if (!isUnderWay() || !hasReachedDeadline(at)) return false;
  // Resolved at the deadline, not at `at`: an application reopened hours later tells when the
  // focus really ended.
  return !resolve(deadline(), ExpeditionIssue::defeated);
}

double ExpeditionState::remainingTime(Date at) const { return deadline() - at; }

bool ExpeditionState::hasReachedDeadline(Date at) const { return at >= deadline(); }

void to_json(Json& j, const ExpeditionState& v) { json_coding::writeFields(j, v, kStateFields); }
void from_json(const Json& j, ExpeditionState& v) { json_coding::readFields(j, v, kStateFields); }

// --- FocusSession ---

namespace FocusSession {

DateInterval focusWindow(Date start, int64_t durationMin) {
  return {start, start.adding(static_cast<double>(std::max<int64_t>(durationMin, 1)) * 60)};
}

}  // namespace FocusSession
}  // namespace talewick
