// `talewick agenda [--days N]`: the quests of the next N days (7 by default), day by day.
#include <memory>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

constexpr int kMaxDays = 366;

struct AgendaOptions {
  std::string days = "7";
  bool json = false;
};

int agenda(const AgendaOptions& o, Io& io, AppContext& app) {
  const int days = static_cast<int>(parseWholeNumber(o.days, "--days", 1, kMaxDays));
  const Date today = LocalCalendar::startOfDay(app.now());
  const DateInterval window{today,
                            LocalCalendar::startOfDay(LocalCalendar::addingDays(today, days))};
  QuestStore& store = app.questStore();
  store.load(window, store.labelFor(window));
  const std::vector<QuestStore::AgendaItem> items = store.agenda(today, days);
  if (o.json) {
    Json out = storeJson(store);
    out["from"] = LocalCalendar::dayKey(today);
    out["days"] = agendaJson(items, today, days, false);
    printJson(io.out, out);
    return EXIT_DONE;
  }
  io.out << shown(store.statusLine()) << "\n";
  if (items.empty()) {
    io.out << "\n"
           << Loc::counted(days, "cli.agenda.none", "Aucune quête aujourd'hui.",
                           "Aucune quête sur ces %@ jours.")
           << "\n";
  }
  printAgenda(io.out, items, today, days, false, titleMode(app));
  return EXIT_DONE;
}

}  // namespace

Command agendaCommand() {
  return Command{
      "agenda", Loc::string("cli.agenda.help", "Les quêtes des prochains jours (7 par défaut)"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<AgendaOptions>();
        cmd.add_option("--days", o->days,
                       Loc::string("cli.agenda.days", "Nombre de jours, aujourd'hui compris"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return agenda(*o, io, app); };
      }};
}

}  // namespace talewick::ui
