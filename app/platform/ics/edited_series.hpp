// An event inside a file being edited: the components that hold it, and where the occurrences of
// its series fall. Occurrences are compared by key (times.hpp: the second, or the local day of an
// all-day series), and the rule is walked by the reader's walk (occurrences.hpp), so that an
// edit finds the occurrences the reader shows.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "platform/ics/lines.hpp"
#include "platform/ics/times.hpp"
#include "platform/ics/zones.hpp"

namespace talewick::ics {

// Why an edit is refused.
CalendarStoreError unreadableFile();
CalendarStoreError eventNotFound();
CalendarStoreError occurrenceMissing();

// The VEVENTs of one UID in the first calendar of the document holding it.
struct EventParts {
  Component* calendar = nullptr;
  Component* master = nullptr;  // the VEVENT without RECURRENCE-ID
  std::vector<Component*> overrides;
};

// Throws eventNotFound() when no calendar holds the UID.
EventParts findEvent(Document& doc, const std::string& uid);

bool isRecurring(const Component& master);

// A series as the edits see it: its master, the value and form of its DTSTART, its rule.
struct EditedSeries {
  Component* master = nullptr;
  TimeValue start;
  TimeForm form;
  bool byDay = false;
  std::optional<std::string> rule;  // the RRULE value
};

// Throws unreadableFile() when the master has no DTSTART that reads.
EditedSeries readSeries(Component& master);

std::set<Key> excludedKeys(const EditedSeries& s, Zones& zones);

// Whether the record's rule says what the series' RRULE says (the record may carry the rule as
// it was read back, written another way): then the series keeps its own line.
bool sameRule(const std::optional<std::string>& recordRule, const EditedSeries& s);

// Whether an occurrence of the series (DTSTART, the rule, RDATEs; EXDATEs taken out) falls
// before `key`.
bool hasOccurrenceBefore(const EditedSeries& s, Key key, Zones& zones);

// How many occurrences the rule (with DTSTART) places before `key`, excluded ones included:
// what a COUNT has used up.
int ruleInstancesBefore(const EditedSeries& s, Key key, Zones& zones);

// Whether the series still has an occurrence that is not excluded.
bool anyOccurrenceLeft(const EditedSeries& s, Zones& zones);

// Whether the rule places an occurrence at or after `key` (true when it cannot be read).
bool ruleReaches(const EditedSeries& s, Key key, Zones& zones);

// The key of the occurrence a VEVENT's RECURRENCE-ID names.
std::optional<Key> recurrenceKey(const Component& c, bool byDay, Zones& zones);

// The override of the occurrence at `key`, or null.
Component* findOverride(const EventParts& event, bool byDay, Key key, Zones& zones);

}  // namespace talewick::ics
