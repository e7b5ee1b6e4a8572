// The user's pins of quests and calendars to realms, kept in territory-overrides-v1.json.
// Main loop only.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "kingdom/kingdom_realm.hpp"
#include "kingdom/territory_overrides.hpp"

namespace talewick {

class KingdomTerritoryOverrideStore {
 public:
  static constexpr const char* FILE_NAME = "territory-overrides-v1.json";

  // Reads `saveURL` at once (nothing, or a damaged file: no pins).
  explicit KingdomTerritoryOverrideStore(std::filesystem::path saveURL);

  const TerritoryOverrides& overrides() const { return overrides_; }

  void pinQuest(const std::string& questID, KingdomRealm realm);
  void pinCalendar(const std::string& calendarID, KingdomRealm realm);
  // Removes the pin that applies to the quest (its own, else its calendar's); false when none did.
  bool unpin(const std::string& questID, const std::optional<std::string>& calendarID);
  // Removes the calendar's own pin; false when it had none.
  bool unpinCalendar(const std::string& calendarID);

 private:
  std::filesystem::path saveURL_;
  TerritoryOverrides overrides_;
};

}  // namespace talewick
