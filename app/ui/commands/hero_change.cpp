#include "ui/commands/hero_change.hpp"

#include <stdexcept>

#include "game/hero_document.hpp"
#include "support/loc.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {

void requireSoundHero(AppContext& app) {
  if (const auto copy = app.heroStore().damagedCopy()) {
    throw std::runtime_error(Loc::format(
        Loc::string("cli.hero.damagedCopy",
                    "le document du héros était endommagé ; sa copie est gardée sous %@ : "
                    "répare-le (ou retire cette copie) avant de jouer"),
        {shown(copy->string())}));
  }
}

int changeHero(Io& io, AppContext& app, const std::function<Hero(const Hero&)>& change) {
  requireSoundHero(app);
  HeroStore& store = app.heroStore();
  const HeroSync::Credit result =
      store.changeHero({}, [&](const Hero& hero) { return std::optional<Hero>(change(hero)); });
  if (result != HeroSync::Credit::credited) {
    io.out << Loc::string("cli.heroChange.none", "Rien n'a changé.") << "\n";
    return EXIT_DONE;
  }
  const Hero hero = HeroDocument::heroOf(*store.payload());
  std::string worn;
  for (const LootItem& item : hero.equippedItems()) {
    worn += (worn.empty() ? "" : ", ") + shown(item.emoji) + " " + shown(item.name);
  }
  io.out << Loc::format(Loc::string("cli.heroChange.done", "%@ or · porté : %@"),
                        {std::to_string(hero.gold),
                         worn.empty() ? Loc::string("cli.heroChange.nothingWorn", "rien") : worn})
         << "\n";
  return EXIT_DONE;
}

}  // namespace talewick::ui
