// The road to the user's calendars. QuestStore and the calendar commands reach events only
// through CalendarEventStorePort; the program wires the vdir folder store, tests an in-memory one.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/date.hpp"
#include "text/quick_parse.hpp"

namespace talewick {

// How far a change to one occurrence of a recurring series reaches.
enum class EventSpan { thisEvent, futureEvents };

struct CalendarInfo {
  std::string identifier;               // stable: the calendar's folder name
  std::string title;                    // its display name (the folder name when it has none)
  std::optional<std::string> colorHex;  // "#RRGGBB"
  bool allowsContentModifications = false;
  std::string sourceTitle;  // the account holding it; empty when unknown
  bool operator==(const CalendarInfo&) const = default;
};

enum class ParticipantStatus {
  unknown,
  pending,
  accepted,
  declined,
  tentative,
  delegated,
  completed,
  inProcess
};
enum class ParticipantRole { unknown, required, optional, chair, nonParticipant };

struct Participant {
  std::optional<std::string> name;  // CN
  std::string url;                  // as written, usually "mailto:…"
  ParticipantStatus status = ParticipantStatus::unknown;
  ParticipantRole role = ParticipantRole::required;
  bool isCurrentUser = false;  // the address is one of the user's own
  bool operator==(const Participant&) const = default;
};

// One occurrence as the calendar store sees it: what is read, and what save() writes.
struct CalendarEvent {
  // Shared by every occurrence of a series (the UID); empty for an event never saved.
  std::string eventIdentifier;
  std::string externalIdentifier;  // the UID as other devices see it
  std::string calendarID;
  std::optional<std::string> title;
  std::optional<std::string> location;
  std::optional<std::string> notes;
  std::optional<std::string> url;
  Date start;
  Date end;
  bool allDay = false;
  std::vector<Participant> attendees;
  std::optional<Participant> organizer;
  // Start of this occurrence as its series placed it (before any move); absent for a single event.
  std::optional<Date> occurrenceDate;
  bool hasRecurrenceRules = false;
  // The series' rule as the calendar holds it, an RRULE value such as "FREQ=WEEKLY;BYDAY=MO";
  // save() writes it on a new event or a whole series.
  std::optional<std::string> recurrenceRule;
  // A new repetition as quick-add reads it; save() writes it in the calendar's own format, in
  // place of recurrenceRule. Never set on what the calendar reads.
  std::optional<ParsedRecurrence> recurrence;
  // Alarms, in minutes before the start.
  std::vector<int> alarmMinutesBefore;
  bool operator==(const CalendarEvent&) const = default;
};

// A query: occurrences overlapping [start, end) on the given calendars (all when absent).
struct EventQuery {
  Date start;
  Date end;
  std::optional<std::vector<std::string>> calendarIDs;
};

// A write the store refused; what() is a French sentence for the status line.
struct CalendarStoreError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A write refused for what it asks rather than for the calendar: a date outside the years an
// iCalendar file can hold (1 to 9999). Nothing was written.
struct CalendarInputError : CalendarStoreError {
  using CalendarStoreError::CalendarStoreError;
};

class CalendarEventStorePort {
 public:
  virtual ~CalendarEventStorePort() = default;

  // The event calendars, sorted by identifier.
  virtual std::vector<CalendarInfo> calendars() = 0;

  EventQuery predicateForEvents(Date start, Date end,
                                std::optional<std::vector<std::string>> calendarIDs) const {
    return EventQuery{start, end, std::move(calendarIDs)};
  }

  // The occurrences of the query (recurring series expanded), sorted by start.
  virtual std::vector<CalendarEvent> events(const EventQuery& query) = 0;

  // Hands `read` the occurrences of the query, in the order of events(), without copying them:
  // months of occurrences are read this way. A store may stay locked meanwhile: `read` must not
  // call it.
  using EventReader = std::function<void(std::span<const CalendarEvent* const>)>;
  virtual void readEvents(const EventQuery& query, const EventReader& read) {
    const std::vector<CalendarEvent> all = events(query);
    std::vector<const CalendarEvent*> pointers;
    pointers.reserve(all.size());
    for (const CalendarEvent& event : all) pointers.push_back(&event);
    read(pointers);
  }

  // The event with that identifier: a single event, or a recurring series as first placed.
  // Two calendars may hold the same identifier (the UID): `calendarID` says which; without it,
  // the first calendar holding it by identifier.
  virtual std::optional<CalendarEvent> event(const std::string& eventIdentifier,
                                             const std::string& calendarID = {}) = 0;

  // Writes `event`: a new event when its identifier is empty (the identifier is then filled in);
  // else the occurrence at `occurrenceDate` (thisEvent) or it and every later one
  // (futureEvents). The event edited is the one with that identifier on `calendarID`; when that
  // calendar has none, the only one with it, which then moves to `calendarID`. Throws
  // CalendarStoreError (CalendarInputError for a date no calendar file can hold).
  virtual void save(CalendarEvent& event, EventSpan span) = 0;

  // Deletes the occurrence (of the event on its `calendarID`), or it and every later one. Throws
  // CalendarStoreError.
  virtual void remove(const CalendarEvent& event, EventSpan span) = 0;

  // Whether the program may read and write the calendars.
  virtual bool requestFullAccess() = 0;
};

}  // namespace talewick
