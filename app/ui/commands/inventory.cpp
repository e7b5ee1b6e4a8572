// The hero's items: `talewick inventory`, `equip ITEM_ID`, `equip --best`, `unequip SLOT` and
// `recycle ITEM_ID`. Every change is made through the hero store, on the hero as it stands.
#include <algorithm>
#include <memory>

#include "game/economy.hpp"
#include "game/equipment.hpp"
#include "game/hero_document.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/hero_change.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

std::string itemText(const LootItem& item, bool worn) {
  std::string line = (worn ? "* " : "  ") + shown(item.emoji) + " " + shown(item.name) + "  [" +
                     std::string(rawValue(item.rarity)) + "]";
  if (item.slot) line += " " + Equipment::slotLabel(*item.slot);
  line += "  " + shown(item.effect) + "  (" + shown(item.id) + ")";
  return line;
}

int showInventory(bool json, Io& io, AppContext& app) {
  const Hero hero = HeroDocument::heroOf(*app.heroStore().payload());
  if (json) {
    Json out{{"inventory", json_coding::encode(hero.inventory)},
             {"equipped", json_coding::encode(hero.equipped)},
             {"activeMods", json_coding::encode(Equipment::activeMods(hero))},
             {"effectiveStats", json_coding::encode(Equipment::effectiveStats(hero))},
             {"completedSets", json_coding::encode(Equipment::completedSets(hero))}};
    printJson(io.out, out);
    return EXIT_DONE;
  }
  if (hero.inventory.empty()) {
    io.out << Loc::string("cli.inventory.empty",
                          "Ton sac est vide : rejoue tes journées pour gagner du butin.")
           << "\n";
    return EXIT_DONE;
  }
  io.out << Loc::format(Loc::string("cli.inventory.heading", "Inventaire (%@/60), * = porté"),
                        {std::to_string(hero.inventory.size())})
         << "\n";
  for (const LootItem& item : hero.inventory) {
    const bool worn =
        std::find(hero.equipped.begin(), hero.equipped.end(), item.id) != hero.equipped.end();
    io.out << itemText(item, worn) << "\n";
  }
  for (const std::string& set : Equipment::completedSets(hero)) {
    io.out << Loc::format(Loc::string("cli.inventory.set", "Panoplie complète : %@"),
                          {Loot::setDisplayName(set, app.narrativeMode())})
           << "\n";
  }
  return EXIT_DONE;
}

const LootItem& ownedItem(const Hero& hero, const std::string& id) {
  for (const LootItem& item : hero.inventory) {
    if (item.id == id) return item;
  }
  throw UsageError(
      Loc::format(Loc::string("cli.inventory.unknown", "objet introuvable : « %@ »"), {shown(id)}));
}

// `hero` wearing `item` in place of what its slot held.
Hero wearing(Hero hero, const LootItem& item) {
  if (!item.slot) {
    throw UsageError(Loc::format(Loc::string("cli.inventory.notWearable", "« %@ » ne se porte pas"),
                                 {shown(item.name)}));
  }
  std::erase_if(hero.equipped, [&](const std::string& id) {
    for (const LootItem& i : hero.inventory) {
      if (i.id == id) return i.slot == item.slot;
    }
    return true;  // a worn id the inventory lost
  });
  hero.equipped.push_back(item.id);
  return hero;
}

}  // namespace

Command inventoryCommand() {
  return Command{"inventory", Loc::string("cli.inventory.help", "Les objets du héros"),
                 [](CLI::App& cmd) -> Handler {
                   auto json = std::make_shared<bool>(false);
                   cmd.add_flag("--json", *json, Loc::string("cli.json", "Sortie JSON"));
                   return [json](Io& io, AppContext& app) { return showInventory(*json, io, app); };
                 }};
}

Command equipCommand() {
  return Command{
      "equip",
      Loc::string("cli.equip.help", "Porte un objet (ou le meilleur de chaque emplacement)"),
      [](CLI::App& cmd) -> Handler {
        auto id = std::make_shared<std::string>();
        auto best = std::make_shared<bool>(false);
        auto* idOption = cmd.add_option("item", *id, Loc::string("cli.equip.item", "L'objet"));
        cmd.add_flag("--best", *best,
                     Loc::string("cli.equip.best", "Le meilleur objet de chaque emplacement"))
            ->excludes(idOption);
        cmd.require_option(1);
        return [id, best](Io& io, AppContext& app) {
          return changeHero(io, app, [&](const Hero& hero) {
            if (*best) {
              Hero next = hero;
              next.equipped = Equipment::autoEquip(hero);
              return next;
            }
            return wearing(hero, ownedItem(hero, *id));
          });
        };
      }};
}

Command unequipCommand() {
  return Command{
      "unequip", Loc::string("cli.unequip.help", "Retire l'objet d'un emplacement"),
      [](CLI::App& cmd) -> Handler {
        auto slot = std::make_shared<std::string>();
        cmd.add_option("slot", *slot, Loc::string("cli.unequip.slot", "tete, main ou talisman"))
            ->required();
        return [slot](Io& io, AppContext& app) {
          const std::optional<Slot> which = fromRaw<Slot>(*slot);
          if (!which) {
            throw UsageError(
                Loc::format(Loc::string("cli.unequip.badSlot",
                                        "emplacement inconnu : « %@ » (tete, main, talisman)"),
                            {shown(*slot)}));
          }
          return changeHero(io, app, [&](const Hero& hero) {
            Hero next = hero;
            std::erase_if(next.equipped, [&](const std::string& id) {
              for (const LootItem& i : hero.inventory) {
                if (i.id == id) return i.slot == which;
              }
              return false;
            });
            return next;
          });
        };
      }};
}

Command recycleCommand() {
  return Command{
      "recycle", Loc::string("cli.recycle.help", "Recycle un objet contre de l'or"),
      [](CLI::App& cmd) -> Handler {
        auto id = std::make_shared<std::string>();
        cmd.add_option("item", *id, Loc::string("cli.equip.item", "L'objet"))->required();
        return [id](Io& io, AppContext& app) {
          return changeHero(io, app, [&](const Hero& hero) {
            ownedItem(hero, *id);
            return Economy::recycle(hero, *id);
          });
        };
      }};
}

}  // namespace talewick::ui
