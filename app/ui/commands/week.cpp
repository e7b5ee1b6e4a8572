// `talewick week [DATE]`: the Monday-first week holding DATE (today by default), day by day.
#include <memory>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct WeekOptions {
  std::string date;
  CLI::Option* dateGiven = nullptr;  // `week ""` is a bad date, not today
  bool json = false;
};

int week(const WeekOptions& o, Io& io, AppContext& app) {
  const Date day = o.dateGiven->count() == 0 ? app.now() : parseDay(o.date);
  QuestStore& store = loadWeek(app, day);
  const Date monday = QuestStore::weekInterval(day).start;
  const std::vector<QuestStore::AgendaItem> items = store.agenda(monday, 7);
  // The status line of an empty or unreachable calendar counts the demonstration quests, which
  // are dated today: a week without today shows them after its own days, as a preview.
  const Date now = app.now();
  const bool preview = store.source() != QuestSource::agenda && items.empty();
  const std::vector<QuestStore::AgendaItem> demo =
      preview ? store.agenda(now, 1) : std::vector<QuestStore::AgendaItem>{};
  if (o.json) {
    Json out = storeJson(store);
    out["from"] = LocalCalendar::dayKey(monday);
    out["days"] = agendaJson(items, monday, 7, true);
    if (!demo.empty()) out["preview"] = agendaJson(demo, now, 1, false);
    printJson(io.out, out);
    return EXIT_DONE;
  }
  io.out << shown(store.statusLine()) << "\n";
  printAgenda(io.out, items, monday, 7, true, titleMode(app));
  if (!demo.empty()) {
    io.out << "\n"
           << Loc::string("cli.week.preview", "Aperçu — la journée de démonstration :") << "\n";
    printAgenda(io.out, demo, now, 1, false, titleMode(app));
  }
  return EXIT_DONE;
}

}  // namespace

Command weekCommand() {
  return Command{"week", Loc::string("cli.week.help", "Les quêtes de la semaine, jour par jour"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<WeekOptions>();
                   o->dateGiven = cmd.add_option(
                       "date", o->date,
                       Loc::string("cli.week.date", "Un jour de la semaine voulue (AAAA-MM-JJ)"));
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext& app) { return week(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
