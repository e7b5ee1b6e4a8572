#include "core/quick_add.hpp"

#include <algorithm>
#include <sstream>
#include <string_view>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick::QuickAdd {
namespace {

// "lea@exemple.fr": one "@" with something before it and a dotted domain after it.
bool looksLikeAddress(std::string_view s) {
  const size_t at = s.find('@');
  if (at == std::string_view::npos || at == 0 || s.find('@', at + 1) != std::string_view::npos)
    return false;
  const std::string_view domain = s.substr(at + 1);
  const size_t dot = domain.find('.');
  return dot != std::string_view::npos && dot > 0 && domain.back() != '.' &&
         s.find_first_of("<>\"'(),;:[] ") == std::string_view::npos;
}

std::vector<int64_t> ruleWeekdays(const ParsedRecurrence& rule) {
  std::vector<int64_t> days;
  for (const int64_t day : rule.weekdays) {
    if (day >= 1 && day <= 7 && std::find(days.begin(), days.end(), day) == days.end())
      days.push_back(day);
  }
  return days;
}

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

}  // namespace

Guest guestOf(const std::string& typed) {
  Guest guest;
  std::istringstream words(typed);
  for (std::string word; words >> word;) {
    std::string_view bare = word;
    while (!bare.empty() && std::string_view("<(\"'").find(bare.front()) != std::string_view::npos)
      bare.remove_prefix(1);
    while (!bare.empty() &&
           std::string_view(">)\"'.;:").find(bare.back()) != std::string_view::npos)
      bare.remove_suffix(1);
    if (bare.size() > 7 && text::lower(std::string(bare.substr(0, 7))) == "mailto:")
      bare.remove_prefix(7);
    if (!guest.address && looksLikeAddress(bare)) {
      guest.address = std::string(bare);
      continue;
    }
    guest.name += (guest.name.empty() ? "" : " ") + word;
  }
  const size_t first = guest.name.find_first_not_of("\"'");
  const size_t last = guest.name.find_last_not_of("\"'");
  guest.name = first == std::string::npos ? "" : guest.name.substr(first, last - first + 1);
  return guest;
}

Date firstOccurrence(const ParsedEvent& draft) {
  if (!draft.recurrence || draft.recurrence->frequency != ParsedRecurrence::Frequency::weekly)
    return draft.start;
  const std::vector<int64_t> days = ruleWeekdays(*draft.recurrence);
  if (days.empty()) return draft.start;
  for (int offset = 0; offset < 7; ++offset) {
    const Date day = LocalCalendar::addingDays(draft.start, offset);
    if (std::find(days.begin(), days.end(), LocalCalendar::fields(day).weekday) == days.end())
      continue;
    if (draft.recurrence->until && *draft.recurrence->until < day) return draft.start;
    return day;
  }
  return draft.start;
}

Draft eventOf(const ParsedEvent& parsed, const std::string& calendarID) {
  Draft draft;
  CalendarEvent& e = draft.event;
  e.calendarID = calendarID;
  e.title = parsed.title;
  e.location = parsed.location;
  e.url = parsed.meetingURL;
  e.allDay = parsed.isAllDay;
  const Date start = firstOccurrence(parsed);
  if (e.allDay) {
    e.start = LocalCalendar::startOfDay(start);
    e.end = LocalCalendar::addingDays(e.start, 1);
  } else {
    e.start = start;
    e.end = start.adding(60.0 * static_cast<double>(std::max<int64_t>(parsed.durationMin, 0)));
  }

  // An ATTENDEE is a calendar address: a line without one breaks other programs, and an invented
  // one would send invitations nowhere. A guest known only by name is kept, in the notes.
  for (const std::string& typed : parsed.attendees) {
    Guest guest = guestOf(typed);
    if (!guest.address) {
      if (!guest.name.empty()) draft.namesInNotes.push_back(guest.name);
      continue;
    }
    Participant who;
    if (!guest.name.empty()) who.name = guest.name;
    who.url = "mailto:" + *guest.address;
    who.role = ParticipantRole::required;
    e.attendees.push_back(std::move(who));
  }
  // The notes are the user's own words, written as typed: cleaning is for what invitations paste
  // in, and only ever for display.
  std::string notes = parsed.notes.value_or("");
  if (!draft.namesInNotes.empty()) {
    notes += (notes.empty() ? "" : "\n") + Loc::format(Loc::string("cli.add.withNote", "Avec : %@"),
                                                       {joined(draft.namesInNotes)});
  }
  if (!notes.empty()) e.notes = notes;

  if (parsed.reminderMinutes)
    e.alarmMinutesBefore.push_back(
        static_cast<int>(std::clamp<int64_t>(*parsed.reminderMinutes, 0, 525600)));
  if (parsed.recurrence) {
    e.recurrence = *parsed.recurrence;
    e.recurrence->weekdays = ruleWeekdays(*parsed.recurrence);
    e.hasRecurrenceRules = true;
  }
  return draft;
}

}  // namespace talewick::QuickAdd
