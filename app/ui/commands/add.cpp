// `talewick add TEXT… [--calendar HINT]`: quick-add. The sentence is read the way
// `talewick parse` reads it, at the program's now, and becomes a new event of a writable
// calendar; then the quest forged from its first occurrence is shown.
#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "core/calendar_access.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/send_invitations.hpp"
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

// The quest of the new event's first occurrence, once its week is loaded.
std::optional<Quest> newQuest(const QuestStore& store, const std::string& identifier,
                              const CalendarEvent& event) {
  const std::string id = "quest_" + identifier;
  const std::string day = LocalCalendar::dayKey(event.start);
  for (const Quest& q : event.allDay ? store.allDayQuests() : store.quests()) {
    if (q.id != id) continue;
    if (event.allDay ? LocalCalendar::dayKey(q.startDate) == day
                     : std::abs(q.startDate - event.start) < 60)
      return store.whole(q);
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
  QuestStore& store = app.questStore();
  std::optional<QuickAdd::Draft> draft;
  try {
    draft = store.quickAdd(sentence.draft, calendar);
  } catch (const CalendarInputError& e) {
    throw UsageError(e.what());
  }
  if (!draft) {
    io.err << "talewick : " << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  const std::string& identifier = draft->event.eventIdentifier;
  loadWeek(app, draft->event.start);
  const std::optional<Quest> quest = newQuest(store, identifier, draft->event);
  const std::vector<std::string> invitations =
      sendInvitations(app, draft->event, "quest_" + identifier);

  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    Json out{{"eventIdentifier", identifier},
             {"calendar", Json{{"identifier", calendar.identifier}, {"title", calendar.title}}}};
    if (quest) {
      out["quest"] = json_coding::encode(*quest);
      out["event"] = json_coding::encode(eventBehind(store, *quest, now));
    }
    if (!invitations.empty()) out["invitations"] = invitations;
    printJson(io.out, out);
    return EXIT_DONE;
  }
  io.out << Loc::format(Loc::string("cli.add.done", "Nouvelle quête dans « %@ » — %@"),
                        {shown(calendar.title), dayHeading(draft->event.start)})
         << "\n";
  if (quest) {
    io.out << questLine(*quest, titleMode(app), draft->event.allDay);
  } else if (app.selection().hidden().count(calendar.identifier)) {
    io.out << Loc::format(Loc::string("cli.add.hidden",
                                      "L'agenda « %@ » est masqué : sa quête se montrera avec lui "
                                      "(talewick calendars show %@)."),
                          {shown(calendar.title), shown(calendar.identifier)})
           << "\n";
  }
  if (!draft->namesInNotes.empty()) {
    std::string names;
    for (const std::string& name : draft->namesInNotes) names += (names.empty() ? "" : ", ") + name;
    io.out << Loc::format(Loc::string("cli.add.namesInNotes",
                                      "Sans adresse, ces invités sont notés dans la description : "
                                      "%@"),
                          {names})
           << "\n";
  }
  for (const std::string& line : invitations) io.out << shown(line) << "\n";
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
