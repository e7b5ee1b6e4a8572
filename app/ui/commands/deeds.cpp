// `talewick deeds`: the hero's deeds, unlocked and still to win, in the narrative mode's words.
#include <algorithm>
#include <memory>

#include "game/achievements.hpp"
#include "game/hero_document.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
Command deedsCommand() {
  return Command{"deeds", Loc::string("cli.deeds.help", "Les hauts faits du héros"),
                 [](CLI::App& cmd) -> Handler {
                   auto json = std::make_shared<bool>(false);
                   cmd.add_flag("--json", *json, Loc::string("cli.json", "Sortie JSON"));
                   return [json](Io& io, AppContext& app) {
                     const RPGMode mode = app.narrativeMode();
                     const Hero hero = HeroDocument::heroOf(*app.heroStore().payload());
                     const std::vector<Deed> unlocked = Achievements::unlockedDeeds(hero, mode);
                     const auto isUnlocked = [&](const Deed& d) {
                       return std::any_of(unlocked.begin(), unlocked.end(),
                                          [&](const Deed& u) { return u.id == d.id; });
                     };
                     const std::vector<Deed> all = Achievements::allDeeds(mode);
                     if (*json) {
                       Json locked = Json::array();
                       for (const Deed& d : all) {
                         if (!isUnlocked(d)) locked.push_back(json_coding::encode(d));
                       }
                       Json out{{"unlocked", json_coding::encode(unlocked)}, {"locked", locked}};
                       if (auto top = Achievements::topDeedTitle(unlocked))
                         out["topDeedTitle"] = *top;
                       printJson(io.out, out);
                       return EXIT_DONE;
                     }
                     io.out << Loc::format(
                                   Loc::string("cli.deeds.heading", "Hauts faits : %@ sur %@"),
                                   {std::to_string(unlocked.size()), std::to_string(all.size())})
                            << "\n";
                     for (const Deed& d : all) {
                       io.out << (isUnlocked(d) ? "✔ " : "· ") << d.emoji << " " << d.title << " — "
                              << d.desc << "\n";
                     }
                     return EXIT_DONE;
                   };
                 }};
}

}  // namespace talewick::ui
