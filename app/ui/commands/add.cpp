// `talewick add TEXT… [--calendar HINT]`: quick-add. The sentence is read the way
// `talewick parse` reads it, at the program's now, and becomes a new event of a writable
// calendar; then the quest forged from its first occurrence is shown.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "core/calendar_access.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/send_invitations.hpp"
#include "ui/context.hpp"
#include "ui/quick_add_write.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct AddOptions {
  std::vector<std::string> words;
  std::string calendar;
  bool json = false;
  bool meet = false;
};

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

// The sentence as an event of the user's Google calendar with a Meet link: created there, through
// the backend, and never in the local calendar (the pipeline brings it back as a quest).
int addMeetEvent(const QuickSentence& sentence, Io& io, AppContext& app) {
  refuseImpossible(sentence.draft);
  const QuickAdd::Draft draft = QuickAdd::eventOf(sentence.draft, "");
  google::MeetEventRequest request;
  request.title = draft.event.title.value_or("");
  request.start = draft.event.start;
  request.end = draft.event.end;
  if (const char* zone = std::getenv("TZ"); zone && *zone) request.timeZone = zone;
  request.location = draft.event.location;
  request.notes = draft.event.notes;
  for (const Participant& guest : draft.event.attendees) {
    constexpr std::string_view mailto = "mailto:";
    if (guest.url.starts_with(mailto)) request.attendees.push_back(guest.url.substr(mailto.size()));
  }
  google::GoogleCalendarStore& google = app.googleCalendar();
  google.refresh();  // the connection decides whether the event can be asked for
  app.runLoop().settle();
  std::optional<google::MeetEvent> created;
  google.createMeetEvent(request, [&](std::optional<google::MeetEvent> event) { created = event; });
  app.runLoop().settle();
  (created ? io.out : io.err) << shown(google.statusLine()) << "\n";
  if (!created) return EXIT_FAILED;
  app.integrationPipeline().performRefresh(true);
  app.runLoop().settle();
  return EXIT_DONE;
}

int addEvent(const AddOptions& o, Io& io, AppContext& app) {
  const Date now = app.now();
  // Read first: a sentence that says no time writes nothing and touches no folder.
  const QuickSentence sentence = readQuickSentence(o.words, now);
  if (o.meet) return addMeetEvent(sentence, io, app);
  const QuickAddWrite written = writeQuickSentence(app, sentence, o.calendar);
  const CalendarInfo& calendar = written.calendar;
  const QuickAdd::Draft& draft = written.draft;
  QuestStore& store = app.questStore();
  const std::string& identifier = draft.event.eventIdentifier;
  loadWeek(app, draft.event.start);
  const std::optional<Quest> quest = newQuest(store, identifier, draft.event);
  const std::vector<std::string> invitations =
      sendInvitations(app, draft.event, "quest_" + identifier);

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
        cmd.add_flag(
            "--meet", o->meet,
            Loc::string("cli.add.meet",
                        "Crée l'événement dans Google Calendar, avec un lien Google Meet"));
        return [o](Io& io, AppContext& app) { return addEvent(*o, io, app); };
      }};
}

}  // namespace talewick::ui
