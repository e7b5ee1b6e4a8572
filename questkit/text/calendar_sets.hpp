// Named sets of calendars ("Travail", "Famille"…): activating one shows its calendars and hides
// the others. And which calendar a form should offer first.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/json.hpp"

namespace talewick {

struct CalendarSet {
  std::string id;  // a UUID text
  std::string name;
  std::string emoji;
  std::vector<std::string> calendarIDs;  // shown when the set is active
  bool operator==(const CalendarSet&) const = default;
};

void to_json(Json& j, const CalendarSet& v);
void from_json(const Json& j, CalendarSet& v);

namespace CalendarSets {

inline constexpr std::string_view DEFAULT_EMOJI = "⚔️";

// The calendars to hide while `set` is active: every identifier not in the set.
std::vector<std::string> hidden(const CalendarSet& set, const std::vector<std::string>& allIDs);

bool isVisible(const std::string& calendarID, const CalendarSet& set);

}  // namespace CalendarSets

namespace CalendarPick {

// The calendar a form starts on: the hint's match when available, else the source calendar when
// available, else the first available one.
std::optional<std::string> prefill(const std::optional<std::string>& hintMatchID,
                                   const std::optional<std::string>& sourceID,
                                   const std::vector<std::string>& available);

}  // namespace CalendarPick
}  // namespace talewick
