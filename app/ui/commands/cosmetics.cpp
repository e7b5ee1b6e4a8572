// `talewick cosmetics [--json]`: every mount, pet and decoration of the kingdom map — its story,
// whether it is unlocked or how far the hero has come towards it, and what is equipped or placed —
// after a kingdom refresh that records what the hero has just earned. `cosmetics equip ID` rides
// a mount, takes a pet along or places a decoration; `cosmetics unequip ID` takes it off again.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

using KingdomCosmetics::Item;
using KingdomCosmetics::Kind;
using KingdomCosmetics::Metric;

struct CosmeticsOptions {
  CLI::App* equipCmd = nullptr;
  CLI::App* unequipCmd = nullptr;
  std::string id;
  bool json = false;
};

std::string kindHeading(Kind kind) {
  switch (kind) {
    case Kind::mount:
      return Loc::string("cli.cosmetics.mounts", "Montures :");
    case Kind::pet:
      return Loc::string("cli.cosmetics.pets", "Compagnon :");
    case Kind::decoration:
      return Loc::string("cli.cosmetics.decorations", "Décorations :");
  }
  return {};
}

// "boss de la semaine : %@/%@": the count and the threshold of a metric.
std::string countFormat(Metric metric) {
  switch (metric) {
    case Metric::weeklyBossesDefeated:
      return Loc::string("cli.cosmetics.bosses", "boss de la semaine : %@/%@");
    case Metric::campaignsCompleted:
      return Loc::string("cli.cosmetics.campaigns", "campagnes menées : %@/%@");
    case Metric::guildSeasonsCompleted:
      return Loc::string("cli.cosmetics.seasons", "saisons de guilde : %@/%@");
  }
  return "%@/%@";
}

// "boss de la semaine : 1/2": where the hero stands against the item's requirement.
std::string progressText(const Item& item, const KingdomCosmetics::Progress& progress) {
  const KingdomCosmetics::Requirement& r = item.requirement;
  return Loc::format(countFormat(r.metric),
                     {std::to_string(progress.value(r.metric)), std::to_string(r.threshold)});
}

bool isShown(const KingdomCosmeticsStore& store, const Item& item) {
  if (const auto mount = store.equippedMount(); mount && mount->id == item.id) return true;
  if (const auto pet = store.equippedPet(); pet && pet->id == item.id) return true;
  for (const Item& placed : store.placedDecorations()) {
    if (placed.id == item.id) return true;
  }
  return false;
}

std::string stateText(const KingdomCosmeticsStore& store, const Item& item) {
  if (isShown(store, item)) {
    switch (item.kind) {
      case Kind::mount:
        return Loc::string("cli.cosmetics.riding", "en selle");
      case Kind::pet:
        return Loc::string("cli.cosmetics.along", "t'accompagne");
      case Kind::decoration:
        return Loc::string("cli.cosmetics.onMap", "sur la carte");
    }
  }
  if (store.isUnlocked(item)) return Loc::string("cli.cosmetics.available", "disponible");
  return progressText(item, store.state().progress);
}

Json listJson(const KingdomCosmeticsStore& store) {
  Json items = Json::array();
  for (const Item& item : KingdomCosmetics::catalog()) {
    const KingdomCosmetics::Progress& progress = store.state().progress;
    items.push_back({{"item", json_coding::encode(item)},
                     {"unlocked", store.isUnlocked(item)},
                     {"count", progress.value(item.requirement.metric)},
                     {"fraction", KingdomCosmetics::fraction(item, progress)},
                     {"equipped", isShown(store, item)}});
  }
  Json decorations = Json::array();
  for (const Item& item : store.placedDecorations()) decorations.push_back(item.id);
  const auto idOf = [](const std::optional<Item>& item) { return item ? Json(item->id) : Json(); };
  return Json{{"progress", json_coding::encode(store.state().progress)},
              {"equippedMountID", idOf(store.equippedMount())},
              {"equippedPetID", idOf(store.equippedPet())},
              {"placedDecorationIDs", decorations},
              {"items", items}};
}

int showCosmetics(const CosmeticsOptions& o, Io& io, AppContext& app) {
  const KingdomRefresh refresh = refreshKingdom(app);
  const KingdomCosmeticsStore& store = app.kingdom().cosmetics();
  if (o.json) {
    printJson(io.out, listJson(store));
    return EXIT_DONE;
  }
  printPayments(io.out, refresh);
  std::optional<Kind> heading;
  for (const Item& item : KingdomCosmetics::catalog()) {
    if (heading != item.kind) io.out << (heading ? "\n" : "") << kindHeading(item.kind) << "\n";
    heading = item.kind;
    io.out << "  " << (store.isUnlocked(item) ? "[x] " : "[ ] ") << item.name << " — "
           << stateText(store, item) << "  [" << item.id << "]\n"
           << "      " << item.story << "\n";
  }
  return EXIT_DONE;
}

// The refusal of `cosmetics equip` or `unequip` as the user reads it.
std::string refusalText(KingdomCosmeticsStore::Refusal refusal, const std::string& id,
                        const KingdomCosmeticsStore& store) {
  using Refusal = KingdomCosmeticsStore::Refusal;
  const std::optional<Item> item = KingdomCosmetics::item(id);
  switch (refusal) {
    case Refusal::unknownItem:
      break;
    case Refusal::locked:
      return Loc::format(Loc::string("cli.cosmetics.locked", "« %@ » reste à gagner (%@)"),
                         {item->name, progressText(*item, store.state().progress)});
    case Refusal::notShown:
      return Loc::format(Loc::string("cli.cosmetics.notShown", "« %@ » n'est pas sur la carte"),
                         {item->name});
  }
  return Loc::format(Loc::string("cli.cosmetics.unknown",
                                 "cosmétique inconnu : « %@ » (talewick cosmetics les liste)"),
                     {shown(id)});
}

std::string shownNowText(Kind kind) {
  switch (kind) {
    case Kind::mount:
      return Loc::string("cli.cosmetics.ridingNow", "%@ : ta monture désormais.");
    case Kind::pet:
      return Loc::string("cli.cosmetics.alongNow", "%@ : ton compagnon désormais.");
    case Kind::decoration:
      return Loc::string("cli.cosmetics.onMapNow", "%@ : sur la carte désormais.");
  }
  return "%@";
}

int change(const CosmeticsOptions& o, Io& io, AppContext& app, bool equip) {
  KingdomCosmeticsStore& store = app.kingdom().cosmetics();
  const std::optional<KingdomCosmeticsStore::Refusal> refusal =
      equip ? store.equip(o.id) : store.unequip(o.id);
  if (refusal) throw UsageError(refusalText(*refusal, o.id, store));
  const std::optional<Item> item = KingdomCosmetics::item(o.id);
  const std::string name = item ? item->name : shown(o.id);
  io.out << Loc::format(
                equip ? shownNowText(item->kind)
                      : Loc::string("cli.cosmetics.removed", "« %@ » n'est plus sur la carte."),
                {name})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command cosmeticsCommand() {
  return Command{
      "cosmetics",
      Loc::string("cli.cosmetics.help",
                  "Les montures, le compagnon et les décorations de la carte du royaume"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<CosmeticsOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->equipCmd = cmd.add_subcommand(
            "equip", Loc::string("cli.cosmetics.equipHelp",
                                 "Monte une monture, emmène un compagnon ou place une décoration"));
        o->unequipCmd = cmd.add_subcommand(
            "unequip", Loc::string("cli.cosmetics.unequipHelp",
                                   "Retire une monture, un compagnon ou une décoration"));
        for (CLI::App* sub : {o->equipCmd, o->unequipCmd}) {
          sub->add_option("id", o->id,
                          Loc::string("cli.cosmetics.id", "L'identifiant du cosmétique"))
              ->required();
        }
        return [o](Io& io, AppContext& app) {
          if (o->equipCmd->parsed()) return change(*o, io, app, true);
          if (o->unequipCmd->parsed()) return change(*o, io, app, false);
          return showCosmetics(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
