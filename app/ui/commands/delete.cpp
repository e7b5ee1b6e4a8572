// `talewick delete ID [--future] [--date DATE]`: removes a quest's occurrence from the calendar,
// or, with --future, it and every later one of its series.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct DeleteOptions {
  std::string id;
  bool future = false;
  std::string date;
  std::string calendar;
};

int removeQuest(const DeleteOptions& o, Io& io, AppContext& app) {
  const Date day = o.date.empty() ? app.now() : parseDay(o.date);
  QuestStore& store = loadWeek(app, day);
  const std::string calendar = questCalendar(store, o.id, o.calendar);
  const Quest quest = findQuest(store, o.id, day, calendar);
  if (!store.deleteEvent(quest, o.future ? EventSpan::futureEvents : EventSpan::thisEvent,
                         calendar)) {
    io.err << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  const std::string name =
      QuestDisplayTitle{quest.name, quest.rawTitle}.primaryLine(titleMode(app));
  io.out << (o.future ? Loc::format(Loc::string("cli.delete.future",
                                                "Quête retirée, avec la suite de sa série : %@ "
                                                "(%@ et après)."),
                                    {name, dayHeading(quest.startDate)})
                      : Loc::format(Loc::string("cli.delete.done", "Quête retirée : %@ (%@)."),
                                    {name, dayHeading(quest.startDate)}))
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command deleteCommand() {
  return Command{"delete", Loc::string("cli.delete.help", "Retire une quête du calendrier"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<DeleteOptions>();
                   cmd.add_option("id", o->id,
                                  Loc::string("cli.quest.idArg",
                                              "Identifiant de la quête (entre crochets dans "
                                              "les listes)"))
                       ->required();
                   cmd.add_flag("--future", o->future,
                                Loc::string("cli.delete.futureHelp",
                                            "Retire aussi les occurrences suivantes de la série"));
                   cmd.add_option(
                       "--date", o->date,
                       Loc::string("cli.quest.date", "Un jour de sa semaine (AAAA-MM-JJ)"));
                   cmd.add_option("--calendar", o->calendar, calendarOptionHelp());
                   return [o](Io& io, AppContext& app) { return removeQuest(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
