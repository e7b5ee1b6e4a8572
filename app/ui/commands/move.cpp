// `talewick move ID --to DATETIME [--duration MIN] [--date DATE]`: moves a quest's occurrence in
// the calendar. DATETIME is "2026-12-07T14:30" (local time unless it carries an offset) or "14:30"
// on the quest's own day; an all-day quest moves to a day, "2026-12-07".
#include <cstdio>
#include <memory>

#include "services/pipeline/remote_event_move.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/send_invitations.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

constexpr int64_t kMaxDurationMin = 7 * 24 * 60;

struct MoveOptions {
  std::string id;
  std::string to;
  int64_t duration = 0;
  std::string date;
  std::string calendar;
  CLI::Option* durationOption = nullptr;
};

std::optional<Date> clockOnDay(const std::string& text, Date day) {
  int hour = 0, minute = 0, used = 0;
  if (text.size() != 5 || std::sscanf(text.c_str(), "%2d:%2d%n", &hour, &minute, &used) != 2 ||
      used != 5 || hour > 23 || minute > 59 || hour < 0 || minute < 0) {
    return std::nullopt;
  }
  const LocalCalendar::Fields f = LocalCalendar::fields(day);
  return LocalCalendar::dateFrom(CivilTime{f.year, f.month, f.day, hour, minute, 0});
}

Date newStart(const std::string& text, const Quest& quest, bool allDay) {
  if (allDay) {
    if (text.size() == 10) return parseDay(text);
    throw UsageError(Loc::format(
        Loc::string("cli.move.allDayTarget",
                    "une quête d'une journée entière se déplace à un jour : « %@ » (attendu : "
                    "AAAA-MM-JJ)"),
        {text}));
  }
  if (auto time = clockOnDay(text, quest.startDate)) return *time;
  if (auto parsed = iso8601::parse(text); parsed && text.size() > 10) {
    if (parsed->offsetSeconds) return iso8601::instant(parsed->civil, *parsed->offsetSeconds);
    if (auto local = LocalCalendar::dateFrom(parsed->civil)) return *local;
  }
  throw UsageError(Loc::format(
      Loc::string("cli.move.badTarget",
                  "moment invalide pour --to : « %@ » (attendu : AAAA-MM-JJTHH:MM ou HH:MM)"),
      {text}));
}

bool isAllDay(const QuestStore& store, const Quest& quest) {
  for (const Quest& q : store.allDayQuests()) {
    if (q.id == quest.id) return true;
  }
  return false;
}

// A moved event with guests sends them its next revision, at the new time.
std::vector<std::string> invitationsAfterMove(AppContext& app, const Quest& quest,
                                              const std::string& calendar, Date start) {
  constexpr std::string_view prefix = "quest_";
  if (!quest.id.starts_with(prefix)) return {};
  std::optional<CalendarEvent> event =
      app.calendarStore().event(quest.id.substr(prefix.size()), calendar);
  if (!event || event->attendees.empty()) return {};
  // Someone else's invitation: its organizer tells the guests, not us.
  if (event->organizer && !event->organizer->isCurrentUser) return {};
  // A series' event is read as first placed: the invitation tells the moved occurrence's time.
  const double length = event->end - event->start;
  event->start = start;
  event->end = start.adding(length);
  return sendInvitations(app, *event, quest.id);
}

// The remote event a quest of the calendar stands for, when its calendar is Google's or
// Outlook's: it moves there, never in the local calendar.
std::optional<pipeline::Item> remoteEvent(AppContext& app, const Quest& quest) {
  constexpr std::string_view prefix = "quest_";
  const std::string eventID = quest.id.starts_with(prefix) ? quest.id.substr(prefix.size()) : "";
  if (!eventID.starts_with(IntegrationPipeline::ID_PREFIX)) return std::nullopt;
  const pipeline::Item* item =
      app.integrationPipeline().itemForCalendarQuest(eventID, quest.rawTitle, quest.startDate);
  if (!item || !pipeline::isMovableRemoteEvent(*item)) return std::nullopt;
  return *item;
}

int moveRemoteQuest(const pipeline::Item& item, const Quest& quest, Date start,
                    std::optional<int64_t> duration, Io& io, AppContext& app) {
  const double length = static_cast<double>(duration.value_or(quest.durationMin)) * 60;
  std::optional<std::string> failure;
  pipeline::moveRemoteEvent(app.backend(), app.runLoop().serialQueue("backend.remote-move"), item,
                            start, start.adding(length),
                            [&failure](std::optional<std::string> outcome) { failure = outcome; });
  app.runLoop().settle();
  if (failure) {
    io.err << shown(*failure) << "\n";
    return EXIT_FAILED;
  }
  // The quest shows its new time once the pipeline lists the moved event.
  app.integrationPipeline().performRefresh(true);
  app.runLoop().settle();
  io.out << Loc::format(Loc::string("cli.move.done", "Quête déplacée — %@"), {dayHeading(start)})
         << "\n";
  return EXIT_DONE;
}

int moveQuest(const MoveOptions& o, Io& io, AppContext& app) {
  const Date now = app.now();
  const Date day = o.date.empty() ? now : parseDay(o.date);
  std::optional<int64_t> duration;
  if (o.durationOption->count() > 0) {
    if (o.duration < 1 || o.duration > kMaxDurationMin) {
      throw UsageError(Loc::format(
          Loc::string("cli.move.badDuration", "--duration attend une durée entre 1 et %@ minutes"),
          {std::to_string(kMaxDurationMin)}));
    }
    duration = o.duration;
  }
  QuestStore& store = loadWeek(app, day);
  const std::string calendar = questCalendar(store, o.id, o.calendar);
  const Quest quest = findQuest(store, o.id, day, calendar);
  const bool allDay = isAllDay(store, quest);
  if (allDay && duration) {
    throw UsageError(Loc::string("cli.move.allDayDuration",
                                 "--duration ne vaut pas pour une quête d'une journée entière"));
  }
  const Date start = newStart(o.to, quest, allDay);
  if (const std::optional<pipeline::Item> item = remoteEvent(app, quest)) {
    return moveRemoteQuest(*item, quest, start, duration, io, app);
  }
  try {
    if (!store.reschedule(quest, start, duration, calendar)) {
      io.err << shown(store.statusLine()) << "\n";
      return EXIT_FAILED;
    }
  } catch (const CalendarInputError& e) {
    throw UsageError(e.what());
  }
  const std::vector<std::string> invitations = invitationsAfterMove(app, quest, calendar, start);

  // Show the quest where it landed, maybe in another week.
  if (!store.currentInterval() || !store.currentInterval()->contains(DateInterval{start, start}))
    loadWeek(app, start);
  io.out << Loc::format(Loc::string("cli.move.done", "Quête déplacée — %@"), {dayHeading(start)})
         << "\n";
  for (const Quest& q : allDay ? store.allDayQuests() : store.quests()) {
    if (q.id == quest.id && std::abs(q.startDate.seconds - start.seconds) < 60) {
      io.out << questLine(q, titleMode(app), allDay);
      break;
    }
  }
  for (const std::string& line : invitations) io.out << shown(line) << "\n";
  return EXIT_DONE;
}

}  // namespace

Command moveCommand() {
  return Command{
      "move", Loc::string("cli.move.help", "Déplace une quête dans le calendrier"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<MoveOptions>();
        cmd.add_option("id", o->id,
                       Loc::string("cli.quest.idArg",
                                   "Identifiant de la quête (entre crochets dans "
                                   "les listes)"))
            ->required();
        cmd.add_option("--to", o->to,
                       Loc::string("cli.move.to", "Nouveau début : AAAA-MM-JJTHH:MM ou HH:MM"))
            ->required();
        o->durationOption =
            cmd.add_option("--duration", o->duration,
                           Loc::string("cli.move.duration", "Nouvelle durée en minutes"));
        cmd.add_option("--date", o->date,
                       Loc::string("cli.quest.date", "Un jour de sa semaine (AAAA-MM-JJ)"));
        cmd.add_option("--calendar", o->calendar, calendarOptionHelp());
        return [o](Io& io, AppContext& app) { return moveQuest(*o, io, app); };
      }};
}

}  // namespace talewick::ui
