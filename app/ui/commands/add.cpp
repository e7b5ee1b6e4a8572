// `talewick add TEXT… [--calendar HINT]`: quick-add. The sentence is read the way
// `talewick parse` reads it, at the program's now, and becomes a new event of a writable
// calendar; then the quest forged from its first occurrence is shown.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "core/calendar_access.hpp"
#include "platform/ics/lines.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct AddOptions {
  std::vector<std::string> words;
  std::string calendar;
  bool json = false;
};

// --- The calendar ---

// --calendar names a calendar on purpose: by its identifier, else by a piece of its title. When
// nothing answers to it, writing somewhere else would surprise; that is a usage error. A "/hint"
// typed in the sentence is softer: calendarForHint falls back on the first writable calendar.
CalendarInfo chosenCalendar(CalendarEventStorePort& store, const std::string& option,
                            const std::optional<std::string>& typed) {
  const std::vector<CalendarInfo> writable = CalendarAccess::writableCalendars(store);
  if (writable.empty()) {
    throw std::runtime_error(Loc::string(
        "cli.add.noWritable",
        "aucun agenda où écrire : le dossier des calendriers n'en a aucun de modifiable"));
  }
  if (option.empty()) return *CalendarAccess::calendarForHint(store, typed.value_or(""));
  for (const CalendarInfo& c : writable) {
    if (c.identifier == option) return c;
  }
  if (auto found = CalendarAccess::calendarForHint(store, option);
      found && text::lower(found->title).find(text::lower(option)) != std::string::npos) {
    return *found;
  }
  std::string names;
  for (const CalendarInfo& c : writable) names += (names.empty() ? "" : ", ") + c.identifier;
  throw UsageError(
      Loc::format(Loc::string("cli.add.unknownCalendar",
                              "aucun agenda modifiable ne répond à « %@ » (agendas : %@)"),
                  {option, names}));
}

// --- Guests ---

bool startsWithMailto(std::string_view s) {
  static constexpr std::string_view kScheme = "mailto:";
  if (s.size() <= kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if (static_cast<char>(std::tolower(static_cast<unsigned char>(s[i]))) != kScheme[i])
      return false;
  }
  return true;
}

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

// A guest as typed after "avec": "Paul", "lea@exemple.fr", "Léa <lea@exemple.fr>".
struct Guest {
  std::string name;
  std::optional<std::string> address;
};

Guest guestOf(const std::string& piece) {
  Guest guest;
  std::istringstream words(piece);
  for (std::string word; words >> word;) {
    std::string_view bare = word;
    while (!bare.empty() && std::string_view("<(\"'").find(bare.front()) != std::string_view::npos)
      bare.remove_prefix(1);
    while (!bare.empty() &&
           std::string_view(">)\"'.;:").find(bare.back()) != std::string_view::npos)
      bare.remove_suffix(1);
    if (startsWithMailto(bare)) bare.remove_prefix(7);
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

// --- Repetition ---

std::string localDayStamp(Date date) {
  const LocalCalendar::Fields f = LocalCalendar::fields(date);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", f.year, f.month, f.day);
  return text;
}

std::vector<int64_t> ruleWeekdays(const ParsedRecurrence& rule) {
  std::vector<int64_t> days;
  for (const int64_t day : rule.weekdays) {
    if (day >= 1 && day <= 7 && std::find(days.begin(), days.end(), day) == days.end())
      days.push_back(day);
  }
  return days;
}

// The RRULE value of the draft's repetition. UNTIL takes the value type of DTSTART, as the
// iCalendar format requires: a UTC time for a timed series, the local day for an all-day one.
std::string ruleText(const ParsedRecurrence& rule, bool allDay) {
  static constexpr const char* kFrequencies[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
  static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
  std::string out = std::string("FREQ=") + kFrequencies[static_cast<size_t>(rule.frequency)];
  if (rule.interval > 1) out += ";INTERVAL=" + std::to_string(rule.interval);
  std::string days;
  for (const int64_t day : ruleWeekdays(rule))
    days += (days.empty() ? "" : ",") + std::string(kDays[day - 1]);
  if (!days.empty()) out += ";BYDAY=" + days;
  if (rule.until) {
    out += ";UNTIL=" + (allDay ? localDayStamp(*rule.until) : ics::utcStamp(*rule.until));
  } else if (rule.count && *rule.count > 0) {
    out += ";COUNT=" + std::to_string(*rule.count);
  }
  return out;
}

// Where the series really starts. "Sport 18h tous les lundis" said on a Wednesday reads as today
// at 18:00, a day the rule never names; the iCalendar format leaves such a start undefined (some
// programs count it as an occurrence, others do not). The first day from the draft's day on that
// the rule names has the same meaning everywhere.
Date firstOccurrence(const ParsedEvent& draft) {
  if (!draft.recurrence || draft.recurrence->frequency != ParsedRecurrence::Frequency::weekly)
    return draft.start;
  const std::vector<int64_t> days = ruleWeekdays(*draft.recurrence);
  if (days.empty()) return draft.start;
  for (int offset = 0; offset < 7; ++offset) {
    const Date day = LocalCalendar::addingDays(draft.start, offset);
    if (std::find(days.begin(), days.end(), LocalCalendar::fields(day).weekday) == days.end())
      continue;
    // A series that would end before its first named day keeps the start it was given.
    if (draft.recurrence->until && *draft.recurrence->until < day) return draft.start;
    return day;
  }
  return draft.start;
}

// --- The event ---

struct Draft {
  CalendarEvent event;
  std::vector<std::string> namesInNotes;  // guests typed without an address
};

Draft eventOf(const ParsedEvent& parsed, const CalendarInfo& calendar) {
  Draft draft;
  CalendarEvent& e = draft.event;
  e.calendarID = calendar.identifier;
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
  for (const std::string& piece : parsed.attendees) {
    Guest guest = guestOf(piece);
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
  // The notes are the user's own words, written as typed. NotesSanitizer is for what invitations
  // paste in (HTML, dial-in boilerplate) and only ever cleans for display.
  std::string notes = parsed.notes.value_or("");
  if (!draft.namesInNotes.empty()) {
    std::string names;
    for (const std::string& name : draft.namesInNotes) names += (names.empty() ? "" : ", ") + name;
    notes += (notes.empty() ? "" : "\n") +
             Loc::format(Loc::string("cli.add.withNote", "Avec : %@"), {names});
  }
  if (!notes.empty()) e.notes = notes;

  if (parsed.reminderMinutes)
    e.alarmMinutesBefore.push_back(
        static_cast<int>(std::clamp<int64_t>(*parsed.reminderMinutes, 0, 525600)));
  if (parsed.recurrence) {
    e.recurrenceRule = ruleText(*parsed.recurrence, e.allDay);
    e.hasRecurrenceRules = true;
  }
  return draft;
}

// The quest of the new event's first occurrence, once its week is loaded.
std::optional<Quest> newQuest(const QuestStore& store, const std::string& identifier,
                              const CalendarEvent& event) {
  const std::string id = "quest_" + identifier;
  const std::string day = LocalCalendar::dayKey(event.start);
  for (const Quest& q : event.allDay ? store.allDayQuests() : store.quests()) {
    if (q.id != id) continue;
    if (event.allDay ? LocalCalendar::dayKey(q.startDate) == day
                     : std::abs(q.startDate - event.start) < 60)
      return q;
  }
  return std::nullopt;
}

// A day that does not exist or a repetition that cannot be leaves its words in the title and the
// event on another day, or unrepeated: written, it would not be what the user meant.
void refuseImpossible(const ParsedEvent& draft) {
  const auto refused = [](const char* key, const char* french, const std::string& words) {
    return UsageError(Loc::format(Loc::string(key, french), {words}) +
                      Loc::string("cli.add.nothingWritten", ", rien n'est écrit"));
  };
  if (draft.impossibleDate) {
    throw refused("cli.quick.impossibleDate", "« %@ » : ce jour n'existe pas",
                  *draft.impossibleDate);
  }
  if (draft.impossibleRecurrence) {
    throw refused("cli.quick.impossibleRecurrence",
                  "« %@ » : répétition impossible, son intervalle vaut au moins 1",
                  *draft.impossibleRecurrence);
  }
}

int addEvent(const AddOptions& o, Io& io, AppContext& app) {
  const Date now = app.now();
  // Read first: a sentence that says no time writes nothing and touches no folder.
  const QuickSentence sentence = readQuickSentence(o.words, now);
  refuseImpossible(sentence.draft);
  CalendarEventStorePort& calendars = app.calendarStore();
  if (!calendars.requestFullAccess()) {
    io.err << "talewick : " << Loc::string("cli.events.denied", "accès calendrier refusé") << "\n";
    return EXIT_FAILED;
  }
  const CalendarInfo calendar = chosenCalendar(calendars, o.calendar, sentence.draft.calendarHint);
  const Draft draft = eventOf(sentence.draft, calendar);

  QuestStore& store = app.questStore();
  std::optional<std::string> identifier;
  try {
    identifier = store.createEvent(draft.event);
  } catch (const CalendarInputError& e) {
    throw UsageError(e.what());
  }
  if (!identifier) {
    io.err << "talewick : " << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  loadWeek(app, draft.event.start);
  const std::optional<Quest> quest = newQuest(store, *identifier, draft.event);

  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    Json out{{"eventIdentifier", *identifier},
             {"calendar", Json{{"identifier", calendar.identifier}, {"title", calendar.title}}}};
    if (quest) {
      out["quest"] = json_coding::encode(*quest);
      out["event"] = json_coding::encode(eventBehind(store, *quest, now));
    }
    printJson(io.out, out);
    return EXIT_DONE;
  }
  io.out << Loc::format(Loc::string("cli.add.done", "Nouvelle quête dans « %@ » — %@"),
                        {shown(calendar.title), dayHeading(draft.event.start)})
         << "\n";
  if (quest) {
    io.out << questLine(*quest, titleMode(app), draft.event.allDay);
  } else if (app.selection().hidden().count(calendar.identifier)) {
    io.out << Loc::format(Loc::string("cli.add.hidden",
                                      "L'agenda « %@ » est masqué : sa quête se montrera avec lui "
                                      "(talewick calendars show %@)."),
                          {shown(calendar.title), shown(calendar.identifier)})
           << "\n";
  }
  if (!draft.namesInNotes.empty()) {
    std::string names;
    for (const std::string& name : draft.namesInNotes) names += (names.empty() ? "" : ", ") + name;
    io.out << Loc::format(Loc::string("cli.add.namesInNotes",
                                      "Sans adresse, ces invités sont notés dans la description : "
                                      "%@"),
                          {names})
           << "\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command addCommand() {
  return Command{
      "add",
      Loc::string("cli.add.help",
                  "Ajoute un événement écrit en une phrase (« Piscine samedi 10h »)"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<AddOptions>();
        cmd.add_option("text", o->words,
                       Loc::string("cli.quick.text",
                                   "La phrase, en un ou plusieurs mots (« Piscine samedi 10h »)"))
            ->required();
        cmd.add_option("--calendar", o->calendar,
                       Loc::string("cli.add.calendar",
                                   "L'agenda où écrire, par identifiant ou par un morceau de son "
                                   "titre (l'emporte sur un « /agenda » dans la phrase)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return addEvent(*o, io, app); };
      }};
}

}  // namespace talewick::ui
