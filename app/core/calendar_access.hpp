// Reading the calendar as the game needs it: occurrences become DayEvents, hidden calendars stay
// unread, and occurrences being deleted stay invisible until the store lets them go.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "game/day_event.hpp"
#include "game/quest.hpp"

namespace talewick::CalendarAccess {

// Every e-mail address found in the texts ("mailto:" links, "Name <a@b.fr>", several per text),
// folded to lower case and without diacritics, each once, in order of first appearance.
std::vector<std::string> normalizeAddresses(const std::vector<std::string>& texts);

// The game's view of an occurrence on `calendar` (which may be null when unknown). nullopt when
// the occurrence has no calendar.
std::optional<DayEvent> makeDayEvent(const CalendarEvent& event, const CalendarInfo* calendar);

struct DayEventLists {
  std::vector<DayEvent> timed;
  std::vector<DayEvent> allDay;
  bool operator==(const DayEventLists&) const = default;
};

// The occurrences overlapping [start, end) on every calendar not hidden, split into timed and
// all-day, each list without repeats (same trimmed title, start and end): the first one read
// stands for its repeats, except that an occurrence of the event `preferred` identifies (one the
// user just wrote) stands for those it repeats. Hidden calendars are not queried; with every
// calendar hidden the store is not queried at all.
DayEventLists fetchDayEvents(CalendarEventStorePort& store, Date start, Date end,
                             const std::set<std::string>& hidden,
                             const std::string& preferred = {});

// The calendars the user may write to, by title (case-insensitive).
std::vector<CalendarInfo> writableCalendars(CalendarEventStorePort& store);

// The first writable calendar whose title holds `hint` (case-insensitive), else the first
// writable calendar; nullopt when none is writable.
std::optional<CalendarInfo> calendarForHint(CalendarEventStorePort& store, const std::string& hint);

// The occurrence a quest was forged from: its series found by identifier (on `calendarID` when
// given), then, for a recurring series, the occurrence of the quest's day starting within 60
// seconds of the quest.
std::optional<CalendarEvent> occurrenceEvent(CalendarEventStorePort& store, const Quest& quest,
                                             const std::string& calendarID = {});

// The event identifier behind a quest id ("quest_" removed).
std::string eventIdentifier(const Quest& quest);

// Removes from `quests` the target's occurrence (thisEvent: same series, start within a second)
// or it and every later one of its series (futureEvents).
void removeOptimistically(std::vector<Quest>& quests, const Quest& target, EventSpan span);

// The status line after a calendar write failed, or could not start because the quest has no
// occurrence behind it (a demonstration quest).
enum class CalendarWrite { create, edit, move, remove };
std::string failedWriteStatus(CalendarWrite write, const std::string& error);
std::string demoQuestStatus(CalendarWrite write);  // for move and remove

// An occurrence whose deletion was asked for elsewhere and must stay hidden meanwhile.
struct CalendarDeletionTombstone {
  std::optional<std::string> externalIdentifier;
  std::string normalizedTitle;  // trimmed, lower-cased
  Date startDate;
  Date endDate;
  EventSpan span = EventSpan::thisEvent;
  bool operator==(const CalendarDeletionTombstone&) const = default;
};

CalendarDeletionTombstone tombstoneFor(const DayEvent& event, EventSpan span);

struct Reconciled {
  std::vector<DayEvent> events;                                // without the tombstoned ones
  std::vector<CalendarDeletionTombstone> remainingTombstones;  // those that still hid something
};
Reconciled reconcile(const std::vector<DayEvent>& events,
                     const std::vector<CalendarDeletionTombstone>& tombstones);

}  // namespace talewick::CalendarAccess
