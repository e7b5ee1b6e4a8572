// The journey's state of the day (the main quest chosen or recommended), kept in
// journey-v1.json so that a restart keeps the day's main quest. Main loop only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "kingdom/journey.hpp"

namespace talewick {

class KingdomJourneyStore {
 public:
  static constexpr const char* FILE_NAME = "journey-v1.json";

  // Reads `saveURL` at once (nothing, or a damaged file: a fresh state at the first refresh).
  explicit KingdomJourneyStore(std::filesystem::path saveURL);

  const Journey::State& state() const { return state_; }

  // The main quest of this refresh; the state is kept (and written when it changed).
  Journey::Resolution resolve(const std::vector<Journey::Candidate>& candidates,
                              const std::string& dayKey);
  // Makes the candidate `id` the day's main quest; false when no candidate carries it.
  bool choose(const std::string& id, const std::vector<Journey::Candidate>& candidates,
              const std::string& dayKey);

 private:
  void keep(Journey::State state);

  std::filesystem::path saveURL_;
  Journey::State state_;
};

}  // namespace talewick
