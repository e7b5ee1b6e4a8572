// `talewick shop` lists what gold buys; `talewick buy ITEM` buys it for the hero.
#include <memory>
#include <variant>

#include "game/economy.hpp"
#include "game/hero_document.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/hero_change.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {

Command shopCommand() {
  return Command{"shop", Loc::string("cli.shop.help", "La boutique : ce que l'or achète"),
                 [](CLI::App& cmd) -> Handler {
                   auto json = std::make_shared<bool>(false);
                   cmd.add_flag("--json", *json, Loc::string("cli.json", "Sortie JSON"));
                   return [json](Io& io, AppContext& app) {
                     const std::vector<Economy::ShopItem> items = Economy::shop();
                     if (*json) {
                       printJson(io.out, json_coding::encode(items));
                       return EXIT_DONE;
                     }
                     const int64_t gold = app.heroStore().payload()->gold;
                     for (const Economy::ShopItem& item : items) {
                       io.out << item.emoji << " " << item.name << " — " << item.blurb << " — "
                              << Loc::format(Loc::string("cli.shop.cost", "%@ or"),
                                             {std::to_string(item.cost)})
                              << "  (" << item.id << ")\n";
                     }
                     io.out << Loc::format(Loc::string("cli.shop.purse", "Ta bourse : %@ or"),
                                           {std::to_string(gold)})
                            << "\n";
                     return EXIT_DONE;
                   };
                 }};
}

Command buyCommand() {
  return Command{"buy", Loc::string("cli.buy.help", "Achète un objet de la boutique"),
                 [](CLI::App& cmd) -> Handler {
                   auto id = std::make_shared<std::string>();
                   cmd.add_option("item", *id,
                                  Loc::string("cli.buy.item", "L'objet (potion_energie…)"))
                       ->required();
                   return [id](Io& io, AppContext& app) {
                     return changeHero(io, app, [&](const Hero& hero) {
                       Economy::BuyResult bought = Economy::buy(hero, *id);
                       if (const auto* error = std::get_if<Economy::BuyError>(&bought)) {
                         throw UsageError(Economy::describe(*error));
                       }
                       return std::get<Hero>(std::move(bought));
                     });
                   };
                 }};
}

}  // namespace talewick::ui
