// `talewick vigil`: mends up to three missed days at half reward, once a week, so that a broken
// streak survives. The missed days' quests are chosen like a replay's.
#include "kingdom/vigil.hpp"

#include <memory>

#include "game/day_replay.hpp"
#include "game/hero_document.hpp"
#include "game/vigil_recap.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/hero_change.hpp"
#include "ui/commands/replay_flow.hpp"
#include "ui/commands/replay_text.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct VigilOptions {
  std::string persona;
  bool json = false;
  bool dryRun = false;
};

// Why no vigil is held today, as the user reads it; EXIT_DONE when none is needed.
int noVigil(const Vigil::Eligibility& e, Io& io) {
  using Kind = Vigil::Eligibility::Kind;
  switch (e.kind) {
    case Kind::notNeeded:
      io.out << Loc::string("cli.vigil.notNeeded",
                            "Pas de veillée à tenir : aucun jour manqué à sauver.")
             << "\n";
      return EXIT_DONE;
    case Kind::extinguished:
      io.out << Loc::format(Loc::string("cli.vigil.extinguished",
                                        "%@ jours manqués : la flamme est éteinte (une veillée en "
                                        "sauve 3 au plus)."),
                            {std::to_string(e.missed)})
             << "\n";
      return EXIT_FAILED;
    case Kind::spent:
      io.out << Loc::string("cli.vigil.spent",
                            "Une veillée a déjà été tenue cette semaine : une seule tous les 7 "
                            "jours.")
             << "\n";
      return EXIT_FAILED;
    case Kind::available:
      break;
  }
  return EXIT_DONE;
}

int vigil(const VigilOptions& o, Io& io, AppContext& app) {
  const std::optional<PersonaKind> persona = parsePersona(o.persona);
  const bool asking = io.terminal && !o.json;
  requireAnswerer(asking, persona);
  requireSoundHero(app);
  HeroStore& heroes = app.heroStore();
  const Hero before = HeroDocument::heroOf(*heroes.payload());
  const std::string today = LocalCalendar::dayKey(app.now());
  const Vigil::Eligibility e =
      Vigil::eligibility(before.lastReplayDateISO, before.lastVigilISO, today, before.streak);
  if (e.kind != Vigil::Eligibility::Kind::available) return noVigil(e, io);

  std::vector<Vigil::Day> days;
  std::vector<std::string> receipts;
  Engine::Choices choices;
  for (const std::string& key : e.days) {
    Vigil::Day day{key, questsOfDay(app, parseDay(key))};
    if (asking && !day.quests.empty()) io.out << replayHeading(key, day.quests.size()) << "\n";
    if (!chooseOptions(io, asking, persona, before, key, day.quests, choices)) {
      io.out << Loc::string("cli.replay.abandoned", "Rejeu abandonné : rien n'a changé.") << "\n";
      return EXIT_FAILED;
    }
    receipts.push_back(DayReplay::receiptID(key));
    days.push_back(std::move(day));
  }

  const RPGMode mode = app.narrativeMode();
  std::optional<DayRecap> recap;
  Hero after;
  const auto mend = [&](const Hero& hero) -> std::optional<Hero> {
    recap = Vigil::computeVigil(hero, days, choices, mode);
    if (!recap) return std::nullopt;
    after = Vigil::applyVigil(hero, *recap, today);
    return after;
  };
  if (o.dryRun) {
    mend(before);
  } else if (heroes.changeHero(receipts, mend) == HeroSync::Credit::alreadyCredited) {
    return alreadyReplayed(io, e.days.front());
  }
  if (!recap) {
    io.out << Loc::string("cli.vigil.nothingPlayed",
                          "Aucune quête choisie : la veillée ne sauve rien.")
           << "\n";
    return EXIT_FAILED;
  }
  if (o.json) {
    printJsonValue(io.out, *recap);
  } else {
    io.out << recapText(*recap, after, o.dryRun);
  }
  return EXIT_DONE;
}

}  // namespace

Command vigilCommand() {
  return Command{
      "vigil",
      Loc::string("cli.vigil.help",
                  "Veillée : rejoue jusqu'à 3 jours manqués à demi-récompense pour sauver ta "
                  "série (une fois par semaine)"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<VigilOptions>();
        cmd.add_option("--auto", o->persona,
                       Loc::string("cli.replay.auto",
                                   "Répond aux quêtes laissées sans choix (brave, balanced, "
                                   "caring)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        cmd.add_flag("--dry-run", o->dryRun,
                     Loc::string("cli.replay.dryRun", "Calcule sans rien appliquer"));
        return [o](Io& io, AppContext& app) { return vigil(*o, io, app); };
      }};
}

}  // namespace talewick::ui
