// `talewick vocation [--json]`: the hero's vocation and the four to choose from, as the current
// narrative mode presents them; `vocation choose ID` takes one — the first choice free, a change
// afterwards for gold.
#include <memory>

#include "game/hero_document.hpp"
#include "kingdom/vocations.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/hero_change.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct VocationOptions {
  CLI::App* chooseCmd = nullptr;
  std::string id;
  bool json = false;
};

int list(const VocationOptions& o, Io& io, AppContext& app) {
  const Hero hero = HeroDocument::heroOf(*app.heroStore().payload());
  const RPGMode mode = app.narrativeMode();
  const std::optional<VocationRole> current = Vocations::role(hero.vocation);
  const int64_t cost = Vocations::choiceCost(hero);
  if (o.json) {
    Json roles = Json::array();
    for (VocationRole r : allCases<VocationRole>()) {
      const VocationDisplay d = Vocations::display(r, mode);
      roles.push_back(Json{{"id", std::string(rawValue(r))},
                           {"name", d.name},
                           {"emoji", d.emoji},
                           {"tagline", d.tagline},
                           {"startDelta", json_coding::encode(Vocations::startDelta(r))},
                           {"passive", json_coding::encode(Vocations::passive(r))}});
    }
    printJson(io.out, Json{{"vocation", current ? Json(std::string(rawValue(*current))) : Json()},
                           {"cost", cost},
                           {"gold", hero.gold},
                           {"vocations", std::move(roles)}});
    return EXIT_DONE;
  }
  if (current) {
    const VocationDisplay d = Vocations::display(*current, mode);
    io.out << Loc::format(Loc::string("cli.hero.vocation", "Vocation : %@"),
                          {d.emoji + " " + d.name})
           << "\n\n";
  } else {
    io.out << Loc::string("cli.vocation.none",
                          "Pas encore de vocation : le premier choix est offert.")
           << "\n\n";
  }
  for (VocationRole r : allCases<VocationRole>()) {
    const VocationDisplay d = Vocations::display(r, mode);
    io.out << (current == r ? "● " : "  ") << padded(std::string(rawValue(r)), 11) << d.emoji << " "
           << d.name << " — " << d.tagline << "\n";
  }
  if (current) {
    io.out << "\n"
           << Loc::format(Loc::string("cli.vocation.cost",
                                      "Changer de vocation : %@ or (ta bourse : %@ or)"),
                          {std::to_string(cost), std::to_string(hero.gold)})
           << "\n";
  }
  return EXIT_DONE;
}

int choose(const VocationOptions& o, Io& io, AppContext& app) {
  requireSoundHero(app);
  const RPGMode mode = app.narrativeMode();
  if (const auto refusal = app.heroStore().chooseVocation(o.id, mode)) {
    throw UsageError(Vocations::describe(*refusal));
  }
  const HeroSyncPayload& hero = *app.heroStore().payload();
  io.out << Loc::format(Loc::string("cli.vocation.chosen", "Vocation : %@ · %@ or"),
                        {hero.vocationEmoji.value_or("") + " " + hero.vocationName.value_or(""),
                         std::to_string(hero.gold)})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command vocationCommand() {
  return Command{
      "vocation", Loc::string("cli.vocation.help", "La vocation du héros, et son choix"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<VocationOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->chooseCmd = cmd.add_subcommand(
            "choose", Loc::string("cli.vocation.chooseHelp",
                                  "Choisit une vocation (gardien, erudit, bourrin, funambule)"));
        o->chooseCmd->add_option("id", o->id, Loc::string("cli.vocation.id", "La vocation"))
            ->required();
        return [o](Io& io, AppContext& app) {
          if (o->chooseCmd->parsed()) return choose(*o, io, app);
          return list(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
