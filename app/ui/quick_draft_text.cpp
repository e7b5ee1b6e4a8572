#include "ui/quick_draft_text.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

// The byte offset in `text` of every UTF-16 offset, the end included: spans count UTF-16 units
// (what text fields index by) and the terminal wants bytes.
std::vector<size_t> byteOffsets(std::string_view text) {
  std::vector<size_t> at;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    at.push_back(i);
    if (length == 4) at.push_back(i);  // outside the basic plane: a surrogate pair
    i = std::min(text.size(), i + length);
  }
  at.push_back(text.size());
  return at;
}

// "30 juin 2026".
std::string dayMonthYear(Date date) {
  static constexpr const char* kMonths[] = {"janvier",   "février", "mars",     "avril",
                                            "mai",       "juin",    "juillet",  "août",
                                            "septembre", "octobre", "novembre", "décembre"};
  const LocalCalendar::Fields f = LocalCalendar::fields(date);
  const std::string number =
      f.day == 1 ? Loc::string("cli.firstOfMonth", "1er") : std::to_string(f.day);
  return number + " " + Loc::string("cli.month." + std::to_string(f.month), kMonths[f.month - 1]) +
         " " + std::to_string(f.year);
}

// "45 min", "1 h", "1 h 30".
std::string minutesText(int64_t minutes) {
  if (minutes < 60) return std::to_string(minutes) + " min";
  std::string out = std::to_string(minutes / 60) + " h";
  if (minutes % 60 != 0) {
    char rest[8];
    std::snprintf(rest, sizeof rest, " %02d", static_cast<int>(minutes % 60));
    out += rest;
  }
  return out;
}

// Weekday names run inside a French sentence in lower case; other languages keep their capital.
std::string weekdayName(int64_t weekday) {
  static constexpr const char* kWeekdays[] = {"Dimanche", "Lundi",    "Mardi", "Mercredi",
                                              "Jeudi",    "Vendredi", "Samedi"};
  if (weekday < 1 || weekday > 7) return std::to_string(weekday);
  const std::string name =
      Loc::string("cli.weekday." + std::to_string(weekday), kWeekdays[weekday - 1]);
  return Loc::language() == Loc::Language::fr ? text::lower(name) : name;
}

std::string recurrenceText(const ParsedRecurrence& rule) {
  std::string out = rule.humanLabelFR();
  if (!rule.weekdays.empty()) {
    std::string days;
    for (const int64_t weekday : rule.weekdays)
      days += (days.empty() ? "" : ", ") + weekdayName(weekday);
    out += " · " + days;
  }
  if (rule.until) {
    out += " · " +
           Loc::format(Loc::string("cli.parse.until", "jusqu'au %@"), {dayMonthYear(*rule.until)});
  }
  return out;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> draftRows(const ParsedEvent& d) {
  std::vector<std::pair<std::string, std::string>> rows;
  const auto row = [&](const char* key, const char* french, std::string value) {
    rows.emplace_back(Loc::string(std::string("cli.parse.field.") + key, french), std::move(value));
  };
  row("title", "Titre", d.title);
  const std::string day =
      dayHeading(d.start) + " " + std::to_string(LocalCalendar::fields(d.start).year);
  if (d.isAllDay) {
    row("start", "Début", day);
    row("duration", "Durée", Loc::string("cli.parse.allDay", "toute la journée"));
  } else {
    row("start", "Début", day + " · " + clockText(d.start));
    row("duration", "Durée", minutesText(d.durationMin));
  }
  if (d.impossibleDate) {
    row("ignored", "Ignoré",
        Loc::format(Loc::string("cli.quick.impossibleDate", "« %@ » : ce jour n'existe pas"),
                    {*d.impossibleDate}));
  }
  if (d.impossibleRecurrence) {
    row("ignored", "Ignoré",
        Loc::format(Loc::string("cli.quick.impossibleRecurrence",
                                "« %@ » : répétition impossible, son intervalle vaut au moins 1"),
                    {*d.impossibleRecurrence}));
  }
  if (d.location) row("place", "Lieu", *d.location);
  if (!d.attendees.empty()) {
    std::string guests;
    for (const std::string& guest : d.attendees) guests += (guests.empty() ? "" : ", ") + guest;
    row("guests", "Invités", guests);
  }
  if (d.reminderMinutes) {
    row("reminder", "Rappel",
        *d.reminderMinutes == 0 ? Loc::string("cli.parse.atStart", "à l'heure du début")
                                : Loc::format(Loc::string("cli.parse.before", "%@ avant"),
                                              {minutesText(*d.reminderMinutes)}));
  }
  if (d.recurrence) row("recurrence", "Répétition", recurrenceText(*d.recurrence));
  if (d.calendarHint) row("calendar", "Agenda", *d.calendarHint);
  if (d.meetingURL) row("meeting", "Visio", *d.meetingURL);
  if (d.notes && !d.notes->empty()) row("notes", "Notes", *d.notes);
  return rows;
}

std::vector<SpanGroup> spanGroups(std::string_view text, const std::vector<ParsedSpan>& spans) {
  const std::vector<size_t> at = byteOffsets(text);
  const auto unitAt = [&](int64_t unit) {
    return std::clamp<int64_t>(unit, 0, static_cast<int64_t>(at.size()) - 1);
  };
  std::vector<SpanGroup> out;
  for (const ParsedSpan& span : spans) {
    const int64_t first = unitAt(span.range.location);
    const int64_t last = unitAt(span.range.location + span.range.length);
    const SpanGroup g{at[static_cast<size_t>(first)], at[static_cast<size_t>(last)], first, last,
                      span.colorRole()};
    if (g.end <= g.begin) continue;
    if (!out.empty() && out.back().role == g.role && out.back().end <= g.begin &&
        text.substr(out.back().end, g.begin - out.back().end).find_first_not_of(" \t") ==
            std::string_view::npos) {
      out.back().end = g.end;
      out.back().unitEnd = g.unitEnd;
    } else {
      out.push_back(g);
    }
  }
  return out;
}

std::string roleName(SpanColorRole role) {
  static constexpr const char* kFrench[] = {"quand",      "durée",  "lieu",  "invités", "rappel",
                                            "répétition", "agenda", "visio", "note"};
  static_assert(std::size(kFrench) == EnumTraits<SpanColorRole>::names.size());
  return Loc::string("cli.parse.role." + std::string(rawValue(role)),
                     kFrench[static_cast<size_t>(role)]);
}

}  // namespace talewick::ui
