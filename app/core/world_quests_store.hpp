// The day's board of world quests, kept in world-quests-v1.json, and the crediting of what it
// pays. Every payment goes through the hero's receipts, so an objective or a chest is paid once
// whatever the refreshes, restarts and machines. Main loop only. A board that cannot be saved
// throws FileError and leaves the store's board as it was.
#pragma once

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/hero_store.hpp"
#include "core/payment.hpp"
#include "core/state_file.hpp"
#include "kingdom/world_quests.hpp"

namespace talewick {

class WorldQuestsStore {
 public:
  static constexpr const char* FILE_NAME = "world-quests-v1.json";

  using Payment = talewick::Payment;

  // Reads `saveURL` at once (nothing, or a damaged file: no board; see StateFile). `hero` outlives
  // the store.
  WorldQuestsStore(FilePort& files, std::filesystem::path saveURL, HeroStore& hero,
                   std::ostream& diagnostics = std::cerr);

  const std::optional<WorldQuests::DailyBoard>& board() const { return board_; }

  // One refresh: a new board when the day changed or its board was lost (see draw()), then the
  // completions `live` shows, then the payments they earn.
  std::vector<Payment> refresh(const std::string& dayKey, const WorldQuests::Candidates& candidates,
                               const WorldQuests::LiveState& live, int64_t maxObjectives);

 private:
  // The board of `dayKey` drawn from `candidates` (`maxObjectives` the day's capacity target).
  // An objective or the chest the hero's receipts show paid today (the board's file was lost)
  // stands won, so that nothing is paid or shown twice.
  WorldQuests::DailyBoard draw(const std::string& dayKey, const WorldQuests::Candidates& candidates,
                               int64_t maxObjectives) const;
  bool paidToday(const std::string& receipt) const;
  void keep(WorldQuests::DailyBoard board);

  StateFile file_;
  HeroStore& hero_;
  std::optional<WorldQuests::DailyBoard> board_;
};

}  // namespace talewick
