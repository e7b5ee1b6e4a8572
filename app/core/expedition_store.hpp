// The expedition under way (at most one), kept in expedition-v1.json with the ids of the
// expeditions whose reward is settled. A won expedition (defeated at its deadline) pays its
// target's reward once, under the expedition's id in the hero's receipts, however many restarts,
// processes and machines see it end; a retreat pays nothing, since the focus was not held to the
// end.
//
// No timers here: whoever keeps time (the daemon) asks nextDeadline() and calls tick() then.
// Every change first takes in what another process (a command while the daemon runs) saved, and
// observers hear each change. Main loop only. A change that cannot be saved (the expedition's
// file, or the hero's when paying) throws FileError and leaves the store as it was.
#pragma once

#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/clock.hpp"
#include "core/hero_store.hpp"
#include "core/observers.hpp"
#include "core/state_file.hpp"
#include "kingdom/expedition.hpp"

namespace talewick {

struct ExpeditionStoreState {
  std::optional<ExpeditionState> expedition;
  // Expeditions whose reward has been settled (paid here, found paid, or worth nothing), the
  // most recent last.
  std::vector<std::string> rewardReceiptIDs;
  bool operator==(const ExpeditionStoreState&) const = default;
};

void to_json(Json& j, const ExpeditionStoreState& v);
void from_json(const Json& j, ExpeditionStoreState& v);

class ExpeditionStore {
 public:
  static constexpr const char* FILE_NAME = "expedition-v1.json";
  // The target kind of a reminder: kept as a kind the shared records do not name, which they
  // write back unchanged.
  static constexpr const char* REMINDER_TARGET = "reminder";
  // Likewise the target kind of a ticket of a connected tracker other than Linear.
  static constexpr const char* TRACKER_TICKET_TARGET = "trackerTicket";
  static constexpr int64_t RECEIPT_LIMIT = 128;

  // Refusals of the store's own, beside the expedition's rules.
  enum class Refusal {
    noExpedition,  // nothing to change
    underWay,      // an expedition under way can be neither replaced nor ended
  };
  using Error = std::variant<ExpeditionStateError, Refusal>;

  struct Change {
    std::optional<ExpeditionState> previous;
    std::optional<ExpeditionState> current;
    bool paid = false;  // this change credited current's reward to the hero
  };

  // Reads `saveURL` at once (nothing, or a damaged file: no expedition; see StateFile), then
  // resolves an expedition whose deadline passed while no one watched, as of `clock()`. A
  // resolution that cannot be saved then is said on `diagnostics` and tried again at the next
  // change. `hero` has started (a reward it refuses for want of a document is not paid later)
  // and outlives the store.
  ExpeditionStore(FilePort& files, std::filesystem::path saveURL, HeroStore& hero,
                  const Clock& clock, std::ostream& diagnostics = std::cerr);

  const std::optional<ExpeditionState>& expedition() const { return state_.expedition; }
  const ExpeditionStoreState& state() const { return state_; }
  // The deadline of the expedition under way; nullopt when none is.
  std::optional<Date> nextDeadline() const;

  // A new expedition, outbound from `at`, with a new random id; it replaces one that is over.
  // Refused: invalidDuration, or underWay while another is (one whose deadline has passed at `at`
  // is resolved first, and no longer is).
  std::variant<ExpeditionState, Error> start(ExpeditionTarget target, int64_t durationMinutes,
                                             Date at);
  std::optional<Error> markFocused();
  // Resolves the expedition when its deadline has passed at `at` (as defeated, at the deadline);
  // true when it did.
  bool resolveIfNeeded(Date at);
  std::optional<Error> retreat(Date at);
  std::optional<Error> beginReturning();
  // Ends the run of an expedition resolved or returning; one under way is refused (underWay).
  std::optional<Error> finishReturn();

  // The daemon's call at nextDeadline(), and whenever the file changed: takes in the file,
  // resolves what is due at `now`, and returns the deadline to wait for next.
  std::optional<Date> tick(Date now);

  // Returns a token for unobserve().
  int observe(std::function<void(const Change&)> observer);
  void unobserve(int token);

  // Why, in the user's language: one line.
  static std::string describe(const Error& error);

 private:
  // The state as the file holds it now (another process may have saved since).
  ExpeditionStoreState current();
  // Pays the reward of a won expedition not settled yet and records it settled; true when paid
  // now (not found paid, nor worth nothing).
  bool settle(ExpeditionStoreState& next);
  // Settles `next`, saves it when it differs from `onDisk`, takes it and tells the observers.
  void keep(const ExpeditionStoreState& onDisk, ExpeditionStoreState next);
  // Applies `change` to the expedition as saved; refused when there is none, or by `change`
  // (nothing is written then).
  std::optional<Error> apply(
      const std::function<std::optional<ExpeditionStateError>(ExpeditionState&)>& change);

  StateFile file_;
  HeroStore& hero_;
  ExpeditionStoreState state_;
  ObserverList<const Change&> observers_;
};

}  // namespace talewick
