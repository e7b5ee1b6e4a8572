// The user's pins of quests and calendars to realms, kept in territory-overrides-v1.json.
// Main loop only. A change that cannot be saved throws FileError and leaves the pins as they were.
#pragma once

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "core/state_file.hpp"
#include "kingdom/kingdom_realm.hpp"
#include "kingdom/territory_overrides.hpp"

namespace talewick {

class KingdomTerritoryOverrideStore {
 public:
  static constexpr const char* FILE_NAME = "territory-overrides-v1.json";

  // Reads `saveURL` at once (nothing, or a damaged file: no pins; see StateFile).
  KingdomTerritoryOverrideStore(FilePort& files, std::filesystem::path saveURL,
                                std::ostream& diagnostics = std::cerr);

  const TerritoryOverrides& overrides() const { return overrides_; }

  void pinQuest(const std::string& questID, KingdomRealm realm);
  void pinCalendar(const std::string& calendarID, KingdomRealm realm);
  // Removes the pin that applies to the quest (its own, else its calendar's); false when none did.
  bool unpin(const std::string& questID, const std::optional<std::string>& calendarID);
  // Removes the calendar's own pin; false when it had none.
  bool unpinCalendar(const std::string& calendarID);

 private:
  void keep(TerritoryOverrides next);

  StateFile file_;
  TerritoryOverrides overrides_;
};

}  // namespace talewick
