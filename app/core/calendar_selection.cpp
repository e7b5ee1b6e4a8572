#include "core/calendar_selection.hpp"

#include <algorithm>

#include "core/uuid.hpp"
#include "support/text.hpp"

namespace talewick {

CalendarSelection::CalendarSelection(Preferences& preferences) : preferences_(preferences) {
  reload();
}

void CalendarSelection::reload() {
  hidden_.clear();
  for (std::string& id : preferences_.stringList(HIDDEN_KEY)) hidden_.insert(std::move(id));
  if (auto sets = preferences_.value(SETS_KEY)) {
    try {
      json_coding::decode(*sets, sets_);
    } catch (const DecodeError&) {
      sets_.clear();
    }
  } else {
    sets_.clear();
  }
  activeSetID_ = preferences_.string(ACTIVE_SET_KEY);
}

void CalendarSelection::saveHidden() {
  preferences_.set(HIDDEN_KEY, json_coding::encode(std::vector(hidden_.begin(), hidden_.end())));
}

void CalendarSelection::saveSets() { preferences_.set(SETS_KEY, json_coding::encode(sets_)); }

void CalendarSelection::saveActive() {
  if (activeSetID_) {
    preferences_.set(ACTIVE_SET_KEY, *activeSetID_);
  } else {
    preferences_.remove(ACTIVE_SET_KEY);
  }
}

void CalendarSelection::toggleCalendar(const std::string& id) {
  setHidden(id, !hidden_.contains(id));
}

void CalendarSelection::setHidden(const std::string& id, bool hide) {
  if (hide) {
    hidden_.insert(id);
  } else {
    hidden_.erase(id);
  }
  saveHidden();
  activeSetID_.reset();
  saveActive();
}

bool CalendarSelection::activateSet(const std::optional<std::string>& id,
                                    const std::vector<std::string>& allIDs) {
  if (!id) {
    hidden_.clear();
  } else {
    auto set =
        std::find_if(sets_.begin(), sets_.end(), [&](const CalendarSet& s) { return s.id == *id; });
    if (set == sets_.end()) return false;
    const auto hide = CalendarSets::hidden(*set, allIDs);
    hidden_ = std::set<std::string>(hide.begin(), hide.end());
  }
  saveHidden();
  activeSetID_ = id;
  saveActive();
  return true;
}

CalendarSet CalendarSelection::createSet(const std::string& name, const std::string& emoji,
                                         const std::vector<std::string>& allIDs) {
  CalendarSet set;
  set.id = randomUUID();
  set.name = name;
  set.emoji = std::string(text::trim(emoji));
  if (set.emoji.empty()) set.emoji = CalendarSets::DEFAULT_EMOJI;
  for (const std::string& id : allIDs) {
    if (!hidden_.contains(id)) set.calendarIDs.push_back(id);
  }
  sets_.push_back(set);
  saveSets();
  activateSet(set.id, allIDs);
  return set;
}

bool CalendarSelection::deleteSet(const std::string& id) {
  const auto removed = std::erase_if(sets_, [&](const CalendarSet& s) { return s.id == id; });
  if (removed == 0) return false;
  saveSets();
  return true;
}

}  // namespace talewick
