// `talewick parse TEXT… [--now DATETIME]`: what quick-add reads in a sentence, without writing
// anything — the draft field by field, then the sentence again with the words it recognised,
// coloured the way the quick-add field colours them.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>
#include <utility>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct ParseOptions {
  std::vector<std::string> words;
  std::string now;
  bool json = false;
};

// "2026-03-18T10:00" on the local clock, or with its own offset; a day alone is its midnight.
Date parseNow(const std::string& text) {
  if (auto parsed = iso8601::parse(text)) {
    if (parsed->offsetSeconds) return iso8601::instant(parsed->civil, *parsed->offsetSeconds);
    if (auto local = LocalCalendar::dateFrom(parsed->civil)) return *local;
  }
  throw UsageError(
      Loc::format(Loc::string("cli.parse.badNow",
                              "moment invalide pour --now : « %@ » (attendu : AAAA-MM-JJTHH:MM)"),
                  {text}));
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

std::string roleName(SpanColorRole role) {
  static constexpr const char* kFrench[] = {"quand",      "durée",  "lieu",  "invités", "rappel",
                                            "répétition", "agenda", "visio", "note"};
  static_assert(std::size(kFrench) == EnumTraits<SpanColorRole>::names.size());
  return Loc::string("cli.parse.role." + std::string(rawValue(role)),
                     kFrench[static_cast<size_t>(role)]);
}

// One ANSI colour per role, picked so that neighbours in a typical sentence (a day and a time, a
// place and its guests) never share a hue; the link is underlined like links usually are.
std::string_view roleColour(SpanColorRole role) {
  static constexpr std::string_view kColours[] = {"1;36", "36", "32",   "35", "33",
                                                  "34",   "91", "4;94", "90"};
  static_assert(std::size(kColours) == EnumTraits<SpanColorRole>::names.size());
  return kColours[static_cast<size_t>(role)];
}

// Colours only for a person looking at a terminal: never in a pipe, a file or a test's stream,
// and never when NO_COLOR asks for none (any non-empty value, as that convention says).
bool wantsColour(const Io& io) {
  const char* noColour = std::getenv("NO_COLOR");
  if (noColour && *noColour) return false;
  return &io.out == &std::cout && ::isatty(STDOUT_FILENO) == 1;
}

std::string painted(std::string_view text, SpanColorRole role, bool colour) {
  if (!colour) return std::string(text);
  return "\x1b[" + std::string(roleColour(role)) + "m" + std::string(text) + "\x1b[0m";
}

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

// Neighbouring recognised words of one role, as the reader sees them ("avec Paul et Marie").
struct Group {
  size_t begin = 0, end = 0;  // bytes
  SpanColorRole role = SpanColorRole::temporal;
};

std::vector<Group> groups(std::string_view text, const std::vector<ParsedSpan>& spans) {
  const std::vector<size_t> at = byteOffsets(text);
  const auto byteAt = [&](int64_t unit) {
    return at[static_cast<size_t>(
        std::clamp<int64_t>(unit, 0, static_cast<int64_t>(at.size()) - 1))];
  };
  std::vector<Group> out;
  for (const ParsedSpan& span : spans) {
    const Group g{byteAt(span.range.location), byteAt(span.range.location + span.range.length),
                  span.colorRole()};
    if (g.end <= g.begin) continue;
    if (!out.empty() && out.back().role == g.role && out.back().end <= g.begin &&
        text.substr(out.back().end, g.begin - out.back().end).find_first_not_of(" \t") ==
            std::string_view::npos) {
      out.back().end = g.end;
    } else {
      out.push_back(g);
    }
  }
  return out;
}

// The first line of the sentence (the only one quick-add colours) with its recognised words
// painted.
std::string paintedSentence(std::string_view line, const std::vector<Group>& marks, bool colour) {
  std::string out;
  size_t at = 0;
  for (const Group& g : marks) {
    if (g.begin < at || g.end > line.size()) continue;
    out += line.substr(at, g.begin - at);
    out += painted(line.substr(g.begin, g.end - g.begin), g.role, colour);
    at = g.end;
  }
  return out + std::string(line.substr(at));
}

std::string marksText(std::string_view line, const std::vector<Group>& marks, bool colour) {
  std::string out;
  for (const Group& g : marks) {
    if (g.end > line.size()) continue;
    out += (out.empty() ? "" : " · ") +
           Loc::format(
               Loc::string("cli.parse.mark", "« %@ » %@"),
               {painted(line.substr(g.begin, g.end - g.begin), g.role, colour), roleName(g.role)});
  }
  return out;
}

void printDraft(std::ostream& out, const std::string& sentence, const ParsedEvent& d, bool colour) {
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
  const std::string_view line =
      std::string_view(sentence).substr(0, sentence.find_first_of("\n\r"));
  const std::vector<Group> marks = groups(sentence, d.spans);
  row("sentence", "Phrase", paintedSentence(line, marks, colour));
  row("marks", "Repères", marksText(line, marks, colour));

  int width = 0;
  for (const auto& [label, value] : rows) width = std::max(width, text::perceivedLength(label));
  const std::string indent(static_cast<size_t>(width) + 3, ' ');
  for (const auto& [label, value] : rows) {
    out << padded(label, width) << " : ";
    // Notes may run over several lines: the next ones line up under the first.
    size_t start = 0;
    for (size_t end; (end = value.find('\n', start)) != std::string::npos; start = end + 1)
      out << value.substr(start, end - start) << "\n" << indent;
    out << value.substr(start) << "\n";
  }
}

int parseSentence(const ParseOptions& o, Io& io, AppContext& app) {
  const Date now = o.now.empty() ? app.now() : parseNow(o.now);
  const QuickSentence sentence = readQuickSentence(o.words, now);
  if (o.json) {
    printJsonValue(io.out, sentence.draft);
    return EXIT_DONE;
  }
  printDraft(io.out, sentence.text, sentence.draft, wantsColour(io));
  return EXIT_DONE;
}

}  // namespace

Command parseCommand() {
  return Command{
      "parse",
      Loc::string("cli.parse.help", "Ce que l'ajout rapide lit dans une phrase, sans rien écrire"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<ParseOptions>();
        cmd.add_option("text", o->words,
                       Loc::string("cli.quick.text",
                                   "La phrase, en un ou plusieurs mots (« Piscine samedi 10h »)"))
            ->required();
        cmd.add_option("--now", o->now,
                       Loc::string("cli.parse.now",
                                   "L'instant où la phrase est dite (AAAA-MM-JJTHH:MM ; "
                                   "maintenant par défaut)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return parseSentence(*o, io, app); };
      }};
}

}  // namespace talewick::ui
