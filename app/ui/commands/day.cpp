// `talewick day [DATE]`: one day's timed quests as a time grid, those that overlap side by side,
// the clashes marked; the all-day quests below it.
#include <algorithm>
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/day_grid.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct DayOptions {
  std::string date;  // empty: today
};

int day(const DayOptions& o, Io& io, AppContext& app) {
  const Date when = o.date.empty() ? app.now() : parseDay(o.date);
  QuestStore& store = loadWeek(app, when);
  std::vector<Quest> timed, allDay;
  for (const QuestStore::AgendaItem& item : store.agenda(when, 1)) {
    (item.allDay ? allDay : timed).push_back(item.quest);
  }
  io.out << shown(store.statusLine()) << "\n\n" << dayHeading(when) << "\n";
  if (timed.empty()) {
    io.out << Loc::string("cli.day.none", "Aucune quête à heure fixe ce jour-là.") << "\n";
  } else {
    io.out << dayGrid(timed);
  }
  const std::vector<bool> clash = clashes(timed);
  if (const auto n = std::count(clash.begin(), clash.end(), true); n > 0) {
    io.out << "\n"
           << Loc::format(Loc::string("cli.day.clashes", "⚠ %@ quêtes se chevauchent."),
                          {std::to_string(n)})
           << "\n";
  }
  if (!allDay.empty()) {
    io.out << "\n" << Loc::string("cli.today.allDay", "Toute la journée") << "\n";
    for (const Quest& quest : allDay)
      io.out << "  " << quest.emoji << "  " << shown(quest.name) << "\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command dayCommand() {
  return Command{
      "day", Loc::string("cli.day.help", "La grille horaire d'une journée, chevauchements compris"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<DayOptions>();
        cmd.add_option("date", o->date,
                       Loc::string("cli.day.date", "Le jour (AAAA-MM-JJ), aujourd'hui par défaut"));
        return [o](Io& io, AppContext& app) { return day(*o, io, app); };
      }};
}

}  // namespace talewick::ui
