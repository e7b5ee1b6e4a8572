// The journey's state of the day (the main quest chosen or recommended), kept in
// journey-v1.json so that a restart keeps the day's main quest. Main loop only. A state that
// cannot be saved throws FileError and leaves the store as it was.
#pragma once

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/state_file.hpp"
#include "kingdom/journey.hpp"

namespace talewick {

class KingdomJourneyStore {
 public:
  static constexpr const char* FILE_NAME = "journey-v1.json";

  // Reads `saveURL` at once (nothing, or a damaged file: a fresh state at the first refresh; see
  // StateFile).
  KingdomJourneyStore(FilePort& files, std::filesystem::path saveURL,
                      std::ostream& diagnostics = std::cerr);

  const Journey::State& state() const { return state_; }

  // The main quest of this refresh; the state is kept (and written when it changed).
  Journey::Resolution resolve(const std::vector<Journey::Candidate>& candidates,
                              const std::string& dayKey);
  // Makes the candidate `id` the day's main quest; false when no candidate carries it.
  bool choose(const std::string& id, const std::vector<Journey::Candidate>& candidates,
              const std::string& dayKey);

 private:
  void keep(Journey::State state);

  StateFile file_;
  Journey::State state_;
};

}  // namespace talewick
