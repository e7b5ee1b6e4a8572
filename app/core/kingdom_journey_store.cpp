#include "core/kingdom_journey_store.hpp"

#include <algorithm>

namespace talewick {

KingdomJourneyStore::KingdomJourneyStore(FilePort& files, std::filesystem::path saveURL,
                                         std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics),
      state_(file_.load<Journey::State>().value_or(Journey::State{})) {}

void KingdomJourneyStore::keep(Journey::State state) {
  if (state == state_) return;
  file_.save(state);
  state_ = std::move(state);
}

Journey::Resolution KingdomJourneyStore::resolve(const std::vector<Journey::Candidate>& candidates,
                                                 const std::string& dayKey) {
  Journey::Resolution resolution = Journey::resolveMain(state_, candidates, dayKey);
  keep(resolution.state);
  return resolution;
}

bool KingdomJourneyStore::choose(const std::string& id,
                                 const std::vector<Journey::Candidate>& candidates,
                                 const std::string& dayKey) {
  const bool known = std::any_of(candidates.begin(), candidates.end(),
                                 [&](const Journey::Candidate& c) { return c.id == id; });
  if (!known) return false;
  keep(Journey::choose(id, state_, candidates, dayKey));
  return true;
}

}  // namespace talewick
