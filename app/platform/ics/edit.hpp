// Edits of one .ics file of a vdir calendar, as text in and text out. The vdir store finds the
// file of an event by its UID, applies one of these and writes the result atomically.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "core/calendar_port.hpp"
#include "support/date.hpp"

namespace talewick::ics {

// What an edit leaves behind.
struct Edit {
  // The file's new text; nullopt when nothing is left and the file is to be deleted.
  std::optional<std::string> updated;
  // A file to create beside it: (uid, text). Saving "future events" of a series starts a new
  // series there.
  std::optional<std::pair<std::string, std::string>> created;
};

// The text of a new file holding `event` (a single event, or a series when it has a
// recurrenceRule) under `uid`. `now` is its creation stamp.
std::string newEventFile(const CalendarEvent& event, const std::string& uid, Date now);

// Applies `event` (whose occurrenceDate names the occurrence of a series) to the file:
// a single event is rewritten; thisEvent on a series writes a RECURRENCE-ID override;
// futureEvents ends the series before the occurrence with UNTIL and starts a new series there
// (in `created`, under a new uid). Throws CalendarStoreError when the file does not parse or does
// not hold the event.
Edit saveOccurrence(const std::string& fileText, const CalendarEvent& event, EventSpan span,
                    Date now);

// Removes the occurrence: a single event empties the file (updated = nullopt); thisEvent on a
// series adds an EXDATE (and drops that occurrence's override); futureEvents ends the series
// before it with UNTIL and drops later overrides — or empties the file when it is the first.
Edit removeOccurrence(const std::string& fileText, const CalendarEvent& event, EventSpan span);

}  // namespace talewick::ics
