#include "core/expedition_store.hpp"

#include <algorithm>

#include "core/uuid.hpp"
#include "support/loc.hpp"

namespace talewick {

namespace {

using json_coding::Field;

const auto kFields = std::tuple{
    Field{"expedition", &ExpeditionStoreState::expedition},
    Field{"rewardReceiptIDs", &ExpeditionStoreState::rewardReceiptIDs, json_coding::lenient}};

}  // namespace

void to_json(Json& j, const ExpeditionStoreState& v) { json_coding::writeFields(j, v, kFields); }
void from_json(const Json& j, ExpeditionStoreState& v) { json_coding::readFields(j, v, kFields); }

ExpeditionStore::ExpeditionStore(FilePort& files, std::filesystem::path saveURL, HeroStore& hero,
                                 const Clock& clock, std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics),
      hero_(hero),
      state_(file_.load<ExpeditionStoreState>().value_or(ExpeditionStoreState{})) {
  try {
    resolveIfNeeded(clock());
  } catch (const FileError& e) {
    // Opening a store never fails: the deadline stays due, and the next change tries again.
    diagnostics << "talewick : " << e.what() << '\n';
  }
}

std::optional<Date> ExpeditionStore::nextDeadline() const {
  const std::optional<ExpeditionState>& e = state_.expedition;
  if (!e || !e->isUnderWay()) return std::nullopt;
  return e->deadline();
}

ExpeditionStoreState ExpeditionStore::current() {
  // A file gone missing (or set aside as damaged) leaves what this store knew.
  return file_.load<ExpeditionStoreState>().value_or(state_);
}

bool ExpeditionStore::settle(ExpeditionStoreState& next) {
  const std::optional<ExpeditionState>& e = next.expedition;
  if (!e || e->issue != ExpeditionIssue::defeated) return false;
  std::vector<std::string>& settled = next.rewardReceiptIDs;
  if (std::find(settled.begin(), settled.end(), e->id) != settled.end()) return false;
  // The hero's receipt makes the payment once for every store that sees this expedition won;
  // the list here only spares the hero's document a write at each later change.
  const HeroSync::Credit credit =
      hero_.credit(RewardKind::expedition, e->id, e->target.reward.xp, e->target.reward.gold);
  settled = ExpeditionRewardReceipts::appending(e->id, settled, RECEIPT_LIMIT);
  return credit == HeroSync::Credit::credited;
}

void ExpeditionStore::keep(const ExpeditionStoreState& onDisk, ExpeditionStoreState next) {
  const bool paid = settle(next);
  if (next != onDisk) file_.save(next);
  if (next == state_) return;
  Change change{state_.expedition, next.expedition, paid};
  state_ = std::move(next);
  observers_.notify(change);
}

std::optional<ExpeditionStore::Error> ExpeditionStore::apply(
    const std::function<std::optional<ExpeditionStateError>(ExpeditionState&)>& change) {
  const ExpeditionStoreState onDisk = current();
  ExpeditionStoreState next = onDisk;
  std::optional<Error> refusal;
  if (!next.expedition) {
    refusal = Refusal::noExpedition;
  } else if (std::optional<ExpeditionStateError> error = change(*next.expedition)) {
    refusal = *error;
  }
  keep(onDisk, std::move(next));
  return refusal;
}

std::variant<ExpeditionState, ExpeditionStore::Error> ExpeditionStore::start(
    ExpeditionTarget target, int64_t durationMinutes, Date at) {
  auto made = ExpeditionState::make(randomUUID(), std::move(target), at, durationMinutes);
  if (const auto* error = std::get_if<ExpeditionStateError>(&made)) return *error;
  // The one before may have ended unseen: it is won (and paid) before it can be replaced.
  resolveIfNeeded(at);
  const ExpeditionStoreState onDisk = current();
  ExpeditionStoreState next = onDisk;
  if (next.expedition && next.expedition->isUnderWay()) {
    keep(onDisk, std::move(next));
    return Refusal::underWay;
  }
  next.expedition = std::get<ExpeditionState>(std::move(made));
  keep(onDisk, std::move(next));
  return *state_.expedition;
}

std::optional<ExpeditionStore::Error> ExpeditionStore::markFocused() {
  return apply([](ExpeditionState& e) { return e.transition(ExpeditionPhase::focused); });
}

bool ExpeditionStore::resolveIfNeeded(Date at) {
  bool resolved = false;
  apply([&](ExpeditionState& e) {
    resolved = e.resolveIfDeadlineReached(at);
    return std::nullopt;
  });
  return resolved;
}

std::optional<ExpeditionStore::Error> ExpeditionStore::retreat(Date at) {
  return apply([&](ExpeditionState& e) { return e.retreat(at); });
}

std::optional<ExpeditionStore::Error> ExpeditionStore::beginReturning() {
  return apply([](ExpeditionState& e) { return e.transition(ExpeditionPhase::returning); });
}

std::optional<ExpeditionStore::Error> ExpeditionStore::finishReturn() {
  const ExpeditionStoreState onDisk = current();
  ExpeditionStoreState next = onDisk;
  std::optional<Error> refusal;
  if (!next.expedition) {
    refusal = Refusal::noExpedition;
  } else if (next.expedition->isUnderWay()) {
    refusal = Refusal::underWay;
  } else {
    next.expedition.reset();
  }
  keep(onDisk, std::move(next));
  return refusal;
}

std::optional<Date> ExpeditionStore::tick(Date now) {
  resolveIfNeeded(now);
  return nextDeadline();
}

int ExpeditionStore::observe(std::function<void(const Change&)> observer) {
  return observers_.add(std::move(observer));
}

void ExpeditionStore::unobserve(int token) { observers_.remove(token); }

std::string ExpeditionStore::describe(const Error& error) {
  if (const auto* stateError = std::get_if<ExpeditionStateError>(&error)) {
    return talewick::describe(*stateError);
  }
  switch (std::get<Refusal>(error)) {
    case Refusal::noExpedition:
      return Loc::string("expedition.error.none", "aucune expédition en cours");
    case Refusal::underWay:
      return Loc::string("expedition.error.underWay",
                         "une expédition est en cours : battez en retraite ou attendez son terme");
  }
  return {};
}

}  // namespace talewick
