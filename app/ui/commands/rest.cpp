// `talewick rest [DATE…] [--cancel DATE] [--json]`: the rest days declared by the campfire. Days
// declared today or ahead keep the daily streak whole and earn the reprise on the way back; a day
// already gone can no longer be declared. Alone, the command lists the declared days.
#include <memory>
#include <string>
#include <vector>

#include "core/kingdom_rest_store.hpp"
#include "support/day_keys.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct RestOptions {
  std::vector<std::string> days;
  std::string cancel;
  bool json = false;
};

// `text` as a day key; UsageError for anything but a real "yyyy-MM-dd" date.
std::string dayKeyOf(const std::string& text) {
  if (DayKeys::dayNumber(text)) return text;
  throw UsageError(Loc::format(
      Loc::string("cli.badDay", "date invalide : « %@ » (attendu : AAAA-MM-JJ)"), {shown(text)}));
}

void list(const KingdomRestStore& store, Io& io) {
  const RestSanctuary::Declarations& declared = store.declarations();
  if (declared.empty()) {
    io.out << Loc::string("cli.rest.none", "Aucun jour de repos déclaré.") << "\n";
    return;
  }
  io.out << Loc::string("cli.rest.heading", "Jours de repos déclarés :") << "\n";
  for (const auto& [day, declaredOn] : declared) {
    io.out << "  "
           << Loc::format(Loc::string("cli.rest.line", "%@ (déclaré le %@)"),
                          {shown(day), shown(declaredOn)})
           << "\n";
  }
}

int rest(const RestOptions& o, Io& io, AppContext& app) {
  const std::string today = LocalCalendar::dayKey(app.now());
  // Every day is checked before the first is written: a refused line declares nothing.
  std::vector<std::string> days;
  for (const std::string& text : o.days) {
    const std::string day = dayKeyOf(text);
    if (*DayKeys::between(today, day) < 0) {
      throw UsageError(
          Loc::format(Loc::string("cli.rest.past",
                                  "%@ est passé : un repos se déclare le jour même ou à l'avance"),
                      {day}));
    }
    days.push_back(day);
  }
  const std::optional<std::string> cancel =
      o.cancel.empty() ? std::nullopt : std::optional(dayKeyOf(o.cancel));

  KingdomRestStore& store = app.restStore();
  std::vector<std::string> said;
  for (const std::string& day : days) {
    said.push_back(
        store.declare(day, today)
            ? Loc::format(Loc::string("cli.rest.declared", "Repos déclaré le %@."), {day})
            : Loc::format(Loc::string("cli.rest.already",
                                      "Le %@ est déjà un jour de "
                                      "repos."),
                          {day}));
  }
  if (cancel) {
    said.push_back(
        store.cancel(*cancel)
            ? Loc::format(Loc::string("cli.rest.cancelled", "Repos du %@ annulé."), {*cancel})
            : Loc::format(Loc::string("cli.rest.notDeclared", "Aucun repos n'était déclaré le %@."),
                          {*cancel}));
  }
  if (o.json) {
    printJsonValue(io.out, store.state());
    return EXIT_DONE;
  }
  for (const std::string& line : said) io.out << line << "\n";
  if (said.empty()) list(store, io);
  return EXIT_DONE;
}

}  // namespace

Command restCommand() {
  return Command{
      "rest",
      Loc::string("cli.rest.help",
                  "Le sanctuaire : déclarer des jours de repos qui ne brisent pas la série"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<RestOptions>();
        CLI::Option* days =
            cmd.add_option("dates", o->days,
                           Loc::string("cli.rest.dates",
                                       "Jours de repos à déclarer (AAAA-MM-JJ), aujourd'hui "
                                       "ou plus tard"));
        cmd.add_option("--cancel", o->cancel,
                       Loc::string("cli.rest.cancel", "Annule le repos déclaré ce jour-là"))
            ->option_text("AAAA-MM-JJ")
            ->excludes(days);
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return rest(*o, io, app); };
      }};
}

}  // namespace talewick::ui
