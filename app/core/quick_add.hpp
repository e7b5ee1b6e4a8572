// A quick-add draft as the calendar event it becomes: the series starts on the first day its
// rule names, guests with an address are invited, guests known only by name are kept in the
// notes, and the repetition goes down as a record for the calendar to write in its own format.
#pragma once

#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "text/quick_parse.hpp"

namespace talewick::QuickAdd {

// A guest as typed after "avec": "Paul", "lea@exemple.fr", "Léa <lea@exemple.fr>".
struct Guest {
  std::string name;
  std::optional<std::string> address;  // without "mailto:"
  bool operator==(const Guest&) const = default;
};
Guest guestOf(const std::string& typed);

// Where the series really starts. "Sport 18h tous les lundis" said on a Wednesday reads as today
// at 18:00, a day the rule never names; calendar programs disagree on whether such a start is an
// occurrence. The first day from the draft's day on that the rule names means the same
// everywhere. A series that would end before that day keeps the start it was given.
Date firstOccurrence(const ParsedEvent& draft);

struct Draft {
  CalendarEvent event;
  std::vector<std::string> namesInNotes;  // guests typed without an address
};

// The new event of `calendarID` that `parsed` describes (no identifier yet).
Draft eventOf(const ParsedEvent& parsed, const std::string& calendarID);

}  // namespace talewick::QuickAdd
