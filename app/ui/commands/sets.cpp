// `talewick sets [create|activate|delete]`: named sets of calendars shown together.
#include <memory>

#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct SetsOptions {
  bool json = false;
  std::string name, emoji, id;
  CLI::App* create = nullptr;
  CLI::App* activate = nullptr;
  CLI::App* remove = nullptr;
};

int list(const SetsOptions& o, Io& io, AppContext& app) {
  const CalendarSelection& selection = app.selection();
  if (o.json) {
    printJsonValue(io.out, selection.sets());
    return EXIT_DONE;
  }
  if (selection.sets().empty()) {
    io.out << Loc::string("cli.sets.none", "Aucun ensemble de calendriers.") << "\n";
  }
  for (const CalendarSet& set : selection.sets()) {
    const bool active = selection.activeSetID() == set.id;
    io.out << (active ? "● " : "  ") << shown(set.emoji) << " " << padded(set.name, 20) << "  "
           << shown(set.id) << "  (";
    for (size_t i = 0; i < set.calendarIDs.size(); ++i) {
      io.out << (i ? ", " : "") << shown(set.calendarIDs[i]);
    }
    io.out << ")\n";
  }
  return EXIT_DONE;
}

// The name a new set may take: not blank, and not one a set already has (case and accents
// aside), since sets are told apart by name in every list.
std::string newSetName(const CalendarSelection& selection, const std::string& typed) {
  const std::string name(text::trim(typed));
  if (name.empty()) throw UsageError(Loc::string("cli.sets.emptyName", "nom d'ensemble vide"));
  for (const CalendarSet& set : selection.sets()) {
    if (text::fold(text::trim(set.name)) == text::fold(name)) {
      throw UsageError(
          Loc::format(Loc::string("cli.sets.taken", "un ensemble s'appelle déjà « %@ » (%@)"),
                      {set.name, set.id}));
    }
  }
  return name;
}

int run(const SetsOptions& o, Io& io, AppContext& app) {
  CalendarSelection& selection = app.selection();
  if (o.create->parsed()) {
    const CalendarSet set =
        selection.createSet(newSetName(selection, o.name), o.emoji, app.calendarIDs());
    io.out << Loc::format(Loc::string("cli.sets.created", "Ensemble « %@ » créé et activé : %@"),
                          {set.name, set.id})
           << "\n";
    return EXIT_DONE;
  }
  if (o.activate->parsed()) {
    const std::optional<std::string> id =
        o.id == "none" ? std::nullopt : std::optional<std::string>(o.id);
    if (!selection.activateSet(id, app.calendarIDs())) {
      throw UsageError(
          Loc::format(Loc::string("cli.sets.unknown", "ensemble inconnu : %@"), {o.id}));
    }
    io.out << (id ? Loc::string("cli.sets.activated", "Ensemble activé.")
                  : Loc::string("cli.sets.deactivated", "Tous les calendriers sont affichés."))
           << "\n";
    return EXIT_DONE;
  }
  if (o.remove->parsed()) {
    if (!selection.deleteSet(o.id)) {
      throw UsageError(
          Loc::format(Loc::string("cli.sets.unknown", "ensemble inconnu : %@"), {o.id}));
    }
    io.out << Loc::string("cli.sets.deleted", "Ensemble supprimé.") << "\n";
    return EXIT_DONE;
  }
  return list(o, io, app);
}

}  // namespace

Command setsCommand() {
  return Command{
      "sets", Loc::string("cli.sets.help", "Les ensembles de calendriers affichés ensemble"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<SetsOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->create = cmd.add_subcommand(
            "create", Loc::string("cli.sets.createHelp",
                                  "Crée un ensemble des calendriers affichés, et l'active"));
        o->create->add_option("name", o->name, Loc::string("cli.sets.name", "Nom de l'ensemble"))
            ->required();
        o->create->add_option("--emoji", o->emoji, Loc::string("cli.sets.emoji", "Son emoji"));
        o->activate = cmd.add_subcommand(
            "activate", Loc::string("cli.sets.activateHelp",
                                    "Active un ensemble (« none » : tous les calendriers)"));
        o->activate->add_option("id", o->id, Loc::string("cli.sets.id", "Identifiant"))->required();
        o->remove = cmd.add_subcommand("delete",
                                       Loc::string("cli.sets.deleteHelp", "Supprime un ensemble"));
        o->remove->add_option("id", o->id, Loc::string("cli.sets.id", "Identifiant"))->required();
        return [o](Io& io, AppContext& app) { return run(*o, io, app); };
      }};
}

}  // namespace talewick::ui
