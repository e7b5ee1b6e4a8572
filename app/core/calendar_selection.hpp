// Which calendars are read: the hidden ones, the named sets and the active set, kept in the
// preferences under "hiddenCalendarIDs", "calendarSets" and "activeCalendarSetID".
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/preferences.hpp"
#include "text/calendar_sets.hpp"

namespace talewick {

class CalendarSelection {
 public:
  static constexpr const char* HIDDEN_KEY = "hiddenCalendarIDs";
  static constexpr const char* SETS_KEY = "calendarSets";
  static constexpr const char* ACTIVE_SET_KEY = "activeCalendarSetID";

  // Reads the three keys; a damaged value counts as absent.
  explicit CalendarSelection(Preferences& preferences);
  // Reads the three keys again (another process changed them).
  void reload();
  // Whether `key` is one of the three keys.
  static bool isSelectionKey(const std::string& key) {
    return key == HIDDEN_KEY || key == SETS_KEY || key == ACTIVE_SET_KEY;
  }

  const std::set<std::string>& hidden() const { return hidden_; }
  const std::vector<CalendarSet>& sets() const { return sets_; }
  const std::optional<std::string>& activeSetID() const { return activeSetID_; }

  // Flips the calendar's visibility; no set stays active.
  void toggleCalendar(const std::string& id);
  void setHidden(const std::string& id, bool hidden);

  // No set (nullopt): every calendar shown. A set: its calendars shown, the others of `allIDs`
  // hidden. Returns false for an unknown set id (nothing changes).
  bool activateSet(const std::optional<std::string>& id, const std::vector<std::string>& allIDs);

  // A new set of the calendars now shown, activated at once. An empty emoji becomes "⚔️".
  CalendarSet createSet(const std::string& name, const std::string& emoji,
                        const std::vector<std::string>& allIDs);

  // Returns false for an unknown id. Deleting the active set leaves the calendars as they are.
  bool deleteSet(const std::string& id);

 private:
  void saveHidden();
  void saveSets();
  void saveActive();

  Preferences& preferences_;
  std::set<std::string> hidden_;
  std::vector<CalendarSet> sets_;
  std::optional<std::string> activeSetID_;
};

}  // namespace talewick
