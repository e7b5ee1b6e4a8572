// A quick-add sentence written as a new event: the one path `talewick add` and the desktop's
// quick-add field both take, so that a sentence lands in the same calendar, with the same refusals,
// whichever one wrote it.
#pragma once

#include <optional>
#include <string>

#include "core/calendar_port.hpp"
#include "core/quick_add.hpp"
#include "ui/commands/commands.hpp"

namespace talewick::ui {

class AppContext;

struct QuickAddWrite {
  CalendarInfo calendar;
  QuickAdd::Draft draft;  // the event as written, its identifier set
};

// Writes `sentence`'s draft through the quest store into the calendar `calendarOption` names (its
// identifier, else a piece of its title), else the one a "/hint" in the sentence names, else the
// first writable one. A day or a repetition that cannot be, or a `calendarOption` nothing answers
// to, throws UsageError with nothing written; no calendar access, no writable calendar or a
// failed write throws std::runtime_error with the line to show.
// A day that does not exist or a repetition that cannot be: UsageError, nothing is written.
void refuseImpossible(const ParsedEvent& draft);

QuickAddWrite writeQuickSentence(AppContext& app, const QuickSentence& sentence,
                                 const std::string& calendarOption);

}  // namespace talewick::ui
