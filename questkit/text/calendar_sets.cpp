#include "text/calendar_sets.hpp"

#include <algorithm>

namespace talewick {

using json_coding::Field;
static const auto kCalendarSetFields = std::tuple{
    Field{"id", &CalendarSet::id}, Field{"name", &CalendarSet::name},
    Field{"emoji", &CalendarSet::emoji}, Field{"calendarIDs", &CalendarSet::calendarIDs}};
TALEWICK_JSON_CODING(CalendarSet, kCalendarSetFields)

namespace {
bool contains(const std::vector<std::string>& list, const std::string& id) {
  return std::find(list.begin(), list.end(), id) != list.end();
}
}  // namespace

namespace CalendarSets {

std::vector<std::string> hidden(const CalendarSet& set, const std::vector<std::string>& allIDs) {
  std::vector<std::string> out;
  for (const std::string& id : allIDs) {
    if (!contains(set.calendarIDs, id)) out.push_back(id);
  }
  return out;
}

bool isVisible(const std::string& calendarID, const CalendarSet& set) {
  return contains(set.calendarIDs, calendarID);
}

}  // namespace CalendarSets

namespace CalendarPick {

std::optional<std::string> prefill(const std::optional<std::string>& hintMatchID,
                                   const std::optional<std::string>& sourceID,
                                   const std::vector<std::string>& available) {
  if (hintMatchID && contains(available, *hintMatchID)) return hintMatchID;
  if (sourceID && contains(available, *sourceID)) return sourceID;
  if (!available.empty()) return available.front();
  return std::nullopt;
}

}  // namespace CalendarPick
}  // namespace talewick
