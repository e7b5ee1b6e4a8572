// An in-memory calendar store: occurrences are given already expanded. It records the queries
// it answers so tests can tell what was read.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "core/preferences.hpp"

namespace talewick::testing {

class FakeCalendarStore : public CalendarEventStorePort {
 public:
  std::vector<CalendarInfo> calendarList;
  std::vector<CalendarEvent> occurrences;
  std::vector<EventQuery> queries;
  bool accessGranted = true;
  std::string failWrites;  // when set, save and remove throw it

  std::vector<CalendarInfo> calendars() override { return calendarList; }

  std::vector<CalendarEvent> events(const EventQuery& q) override {
    queries.push_back(q);
    std::vector<CalendarEvent> out;
    for (const CalendarEvent& e : occurrences) {
      const bool onCalendar =
          !q.calendarIDs || std::find(q.calendarIDs->begin(), q.calendarIDs->end(), e.calendarID) !=
                                q.calendarIDs->end();
      const bool overlaps = e.start < q.end && (e.end > q.start || e.start >= q.start);
      if (onCalendar && overlaps) out.push_back(e);
    }
    return out;
  }

  std::optional<CalendarEvent> event(const std::string& id,
                                     const std::string& calendarID = {}) override {
    for (const CalendarEvent& e : occurrences) {
      if (e.eventIdentifier == id && (calendarID.empty() || e.calendarID == calendarID)) return e;
    }
    return std::nullopt;
  }

  void save(CalendarEvent& e, EventSpan) override {
    if (!failWrites.empty()) throw CalendarStoreError(failWrites);
    if (e.eventIdentifier.empty()) e.eventIdentifier = "new-" + std::to_string(occurrences.size());
    // A saved occurrence replaces the one it was read as.
    for (CalendarEvent& o : occurrences) {
      if (o.eventIdentifier == e.eventIdentifier && o.occurrenceDate == e.occurrenceDate &&
          o.calendarID == e.calendarID) {
        o = e;
        return;
      }
    }
    occurrences.push_back(e);
  }

  void remove(const CalendarEvent& e, EventSpan span) override {
    if (!failWrites.empty()) throw CalendarStoreError(failWrites);
    std::erase_if(occurrences, [&](const CalendarEvent& o) {
      return o.eventIdentifier == e.eventIdentifier && o.calendarID == e.calendarID &&
             (span == EventSpan::futureEvents ? o.start >= e.start : o.start == e.start);
    });
  }

  int accessRequests = 0;
  bool requestFullAccess() override {
    ++accessRequests;
    return accessGranted;
  }
};

class MemoryPreferences : public Preferences {
 public:
  std::map<std::string, Json> values;
  int writes = 0;

  std::optional<Json> value(const std::string& key) const override {
    auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional<Json>(it->second);
  }
  void set(const std::string& key, Json v) override {
    const bool changed = values.count(key) == 0 || values[key] != v;
    values[key] = std::move(v);
    ++writes;
    if (changed) notifyChanged({key});
  }
  void remove(const std::string& key) override {
    const bool changed = values.erase(key) > 0;
    ++writes;
    if (changed) notifyChanged({key});
  }
};

}  // namespace talewick::testing
