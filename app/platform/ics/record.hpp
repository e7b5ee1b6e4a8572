// A calendar record (CalendarEvent) written over the VEVENT that holds it, as content lines.
//
// Only what the record says is written: its times, title, place, notes, link, rule, participants
// and alarms. A field whose value did not change keeps its line as it was written, and every line
// and component the record has no field for (X- properties, alarms of other kinds, parameters
// nobody here knows) stays where it is.
#pragma once

#include <string>

#include "core/calendar_port.hpp"
#include "platform/ics/lines.hpp"
#include "platform/ics/times.hpp"
#include "support/date.hpp"

namespace talewick::ics {

// The form `event` is written in over the VEVENT: dates for an all-day event, else the timed
// form its DTSTART had, else the process zone (or UTC).
TimeForm writingForm(const Component& ev, const CalendarEvent& event);

// Writes the record's fields over the VEVENT, times in `form`; its recurrence rule too when
// `withRule` (an override has none of its own). Throws CalendarStoreError for a rule that does
// not read.
void writeRecord(Component& ev, const CalendarEvent& event, const TimeForm& form, Zones& zones,
                 bool withRule);

// SEQUENCE goes up by one (from 0 when missing or unreadable).
void bumpSequence(Component& ev);

// A new SEQUENCE, with DTSTAMP and LAST-MODIFIED at `now`.
void touch(Component& ev, Date now);

}  // namespace talewick::ics
