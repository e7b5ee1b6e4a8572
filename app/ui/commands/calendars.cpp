// `talewick calendars [hide|show ID]`: the calendars read, and which of them are hidden.
#include <memory>

#include "core/calendar_port.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct CalendarsOptions {
  bool json = false;
  std::string id;
  CLI::App* hide = nullptr;
  CLI::App* show = nullptr;
};

int list(const CalendarsOptions& o, Io& io, AppContext& app) {
  const auto& hidden = app.selection().hidden();
  const std::vector<CalendarInfo> calendars = app.calendarStore().calendars();
  if (o.json) {
    Json out = Json::array();
    for (const CalendarInfo& c : calendars) {
      Json j = {{"identifier", c.identifier}, {"title", c.title}};
      if (c.colorHex) j["color"] = *c.colorHex;
      j["writable"] = c.allowsContentModifications;
      j["hidden"] = hidden.contains(c.identifier);
      out.push_back(std::move(j));
    }
    printJson(io.out, out);
    return EXIT_DONE;
  }
  if (calendars.empty()) {
    io.out << Loc::string("cli.calendars.none", "Aucun calendrier.") << "\n";
  }
  for (const CalendarInfo& c : calendars) {
    io.out << (hidden.contains(c.identifier) ? "  " : "● ") << padded(c.identifier, 24) << "  "
           << padded(c.title, 24) << "  " << padded(c.colorHex.value_or("-"), 8) << "  "
           << (c.allowsContentModifications
                   ? Loc::string("cli.calendars.writable", "écriture")
                   : Loc::string("cli.calendars.readOnly", "lecture seule"))
           << (hidden.contains(c.identifier) ? "  " + Loc::string("cli.calendars.hidden", "masqué")
                                             : "")
           << "\n";
  }
  return EXIT_DONE;
}

int setHidden(const CalendarsOptions& o, bool hide, Io& io, AppContext& app) {
  const std::vector<std::string> ids = app.calendarIDs();
  if (std::find(ids.begin(), ids.end(), o.id) == ids.end()) {
    throw UsageError(
        Loc::format(Loc::string("cli.calendars.unknown", "calendrier inconnu : %@"), {o.id}));
  }
  app.selection().setHidden(o.id, hide);
  io.out << Loc::format(hide ? Loc::string("cli.calendars.nowHidden", "%@ est masqué.")
                             : Loc::string("cli.calendars.nowShown", "%@ est affiché."),
                        {shown(o.id)})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command calendarsCommand() {
  return Command{
      "calendars",
      Loc::string("cli.calendars.help", "Les calendriers lus, et ceux qui sont masqués"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<CalendarsOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->hide = cmd.add_subcommand("hide",
                                     Loc::string("cli.calendars.hideHelp", "Masque un calendrier"));
        o->show = cmd.add_subcommand(
            "show", Loc::string("cli.calendars.showHelp", "Affiche un calendrier masqué"));
        for (CLI::App* sub : {o->hide, o->show}) {
          sub->add_option("id", o->id, Loc::string("cli.calendars.id", "Identifiant du calendrier"))
              ->required();
        }
        return [o](Io& io, AppContext& app) {
          if (o->hide->parsed()) return setHidden(*o, true, io, app);
          if (o->show->parsed()) return setHidden(*o, false, io, app);
          return list(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
