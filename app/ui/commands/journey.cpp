// `talewick journey choose ID`: makes one of today's candidates (as `talewick kingdom` lists
// them, e.g. "invite:…" or "reminder:…") the main quest of the day, instead of the recommended one.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

// The candidate `typed` names: its whole id, or the start of exactly one id (ids are long).
std::optional<std::string> candidateID(const std::vector<Journey::Candidate>& candidates,
                                       const std::string& typed) {
  std::optional<std::string> found;
  for (const Journey::Candidate& c : candidates) {
    if (c.id == typed) return c.id;
    if (c.id.rfind(typed, 0) != 0) continue;
    if (found && *found != c.id) return std::nullopt;
    found = c.id;
  }
  return found;
}

int choose(const std::string& typed, Io& io, AppContext& app) {
  const KingdomRefresh refresh = refreshKingdom(app);
  printPayments(io.out, refresh);
  const auto& candidates = refresh.view->snapshot.journeyCandidates;
  const std::optional<std::string> id =
      typed.empty() ? std::nullopt : candidateID(candidates, typed);
  if (!id || !app.kingdom().chooseMain(*id)) {
    std::string known;
    for (const Journey::Candidate& c : candidates) known += "\n  " + c.id + "  " + c.title;
    throw UsageError(
        Loc::format(Loc::string("cli.journey.unknown",
                                "aucune quête « %@ » (ou plusieurs) parmi celles du jour :%@"),
                    {typed, known.empty() ? Loc::string("cli.journey.none", " (aucune)") : known}));
  }
  const Journey::Candidate& main = *app.kingdom().view()->journey.main;
  io.out << Loc::format(Loc::string("cli.journey.chosen", "Quête principale du jour : %@ (%@)"),
                        {shown(main.title), candidateKindLabel(main.kind)})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command journeyCommand() {
  return Command{
      "journey", Loc::string("cli.journey.help", "Le voyage : choisir la quête principale du jour"),
      [](CLI::App& cmd) -> Handler {
        auto id = std::make_shared<std::string>();
        CLI::App* chooseCmd = cmd.add_subcommand(
            "choose",
            Loc::string("cli.journey.chooseHelp", "Fait d'une quête du jour la quête principale"));
        chooseCmd->add_option("id", *id, Loc::string("cli.journey.id", "Identifiant"))->required();
        cmd.require_subcommand(1);
        return [id](Io& io, AppContext& app) { return choose(*id, io, app); };
      }};
}

}  // namespace talewick::ui
