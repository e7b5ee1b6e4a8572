#include "kingdom/kingdom_cosmetics.hpp"

#include <algorithm>
#include <tuple>

#include "support/loc.hpp"

namespace talewick::KingdomCosmetics {

using json_coding::Field;

namespace {

struct Entry {
  std::string_view id;
  Kind kind;
  std::string_view sprite;
  Metric metric;
  int64_t threshold;
  std::string_view name;
  std::string_view story;
};

constexpr std::array<Entry, 11> kEntries{{
    {"mount_destrier", Kind::mount, "cosmetic_mount_destrier", Metric::weeklyBossesDefeated, 2,
     "Destrier des Braves", "Pour avoir terrassé 2 boss de la semaine."},
    {"mount_griffon", Kind::mount, "cosmetic_mount_griffon", Metric::weeklyBossesDefeated, 4,
     "Griffon Souverain", "Pour avoir vaincu 4 boss de la semaine."},
    {"mount_mode_heroicPapa", Kind::mount, "cosmetic_mount_heroicPapa",
     Metric::weeklyBossesDefeated, 6, "Poney des Quêtes",
     "Monture héroïque, gagnée après 6 boss de la semaine."},
    {"mount_mode_darkEpic", Kind::mount, "cosmetic_mount_darkEpic", Metric::weeklyBossesDefeated, 8,
     "Cauchemar de Braise", "Monture sombre, gagnée après 8 boss de la semaine."},
    {"mount_mode_comic", Kind::mount, "cosmetic_mount_comic", Metric::weeklyBossesDefeated, 10,
     "Alpaga de Bureau", "Monture comique, gagnée après 10 boss de la semaine."},
    {"mount_mode_mythological", Kind::mount, "cosmetic_mount_mythological",
     Metric::weeklyBossesDefeated, 12, "Pégase de Poche",
     "Monture mythologique, gagnée après 12 boss de la semaine."},
    {"mount_mode_fairyTale", Kind::mount, "cosmetic_mount_fairyTale", Metric::weeklyBossesDefeated,
     14, "Cerf Enchanté", "Monture de conte, gagnée après 14 boss de la semaine."},
    {"mount_mode_donjon", Kind::mount, "cosmetic_mount_donjon", Metric::weeklyBossesDefeated, 16,
     "Mule du Donjon", "Monture de donjon, gagnée après 16 boss de la semaine."},
    {"pet_chouette", Kind::pet, "cosmetic_pet_chouette", Metric::guildSeasonsCompleted, 1,
     "Chouette de la Guilde", "Pour avoir mené une saison de guilde à son terme."},
    {"deco_statue", Kind::decoration, "cosmetic_deco_statue", Metric::campaignsCompleted, 1,
     "Statue du Héros", "Pour avoir mené une première campagne à sa fin."},
    {"deco_obelisque", Kind::decoration, "cosmetic_deco_obelisque", Metric::campaignsCompleted, 3,
     "Obélisque des Campagnes", "Pour avoir accompli 3 campagnes entières."},
}};

// Mounts walk the map, so they alone carry a walk sheet and move a little faster.
constexpr double kMountSpeed = 1.1;

Item makeItem(const Entry& e) {
  const std::string key = "cosmetic." + std::string(e.id);
  Item item;
  item.id = std::string(e.id);
  item.kind = e.kind;
  item.name = Loc::string(key + ".name", e.name);
  item.story = Loc::string(key + ".story", e.story);
  item.spriteName = std::string(e.sprite);
  if (e.kind == Kind::mount) {
    item.walkSheetName = std::string(e.sprite) + "_walk_4dir";
    item.movementSpeedMultiplier = kMountSpeed;
  }
  item.requirement = {e.metric, e.threshold};
  return item;
}

std::vector<Item> select(bool (*keep)(const Item&, const Progress&, const Progress&),
                         const Progress& a, const Progress& b) {
  std::vector<Item> out;
  for (const Item& i : catalog()) {
    if (keep(i, a, b)) out.push_back(i);
  }
  return out;
}

}  // namespace

int64_t Progress::value(Metric metric) const {
  switch (metric) {
    case Metric::weeklyBossesDefeated:
      return weeklyBossesDefeated;
    case Metric::campaignsCompleted:
      return campaignsCompleted;
    case Metric::guildSeasonsCompleted:
      return guildSeasonsCompleted;
  }
  return 0;
}

const std::vector<Item>& catalog() {
  static const std::vector<Item> items = [] {
    std::vector<Item> out;
    for (const Entry& e : kEntries) out.push_back(makeItem(e));
    return out;
  }();
  return items;
}

std::vector<Item> catalog(Kind kind) {
  std::vector<Item> out;
  std::copy_if(catalog().begin(), catalog().end(), std::back_inserter(out),
               [kind](const Item& i) { return i.kind == kind; });
  return out;
}

std::optional<Item> item(std::string_view id) {
  for (const Item& i : catalog()) {
    if (i.id == id) return i;
  }
  return std::nullopt;
}

bool isUnlocked(const Item& item, const Progress& progress) {
  return progress.value(item.requirement.metric) >= item.requirement.threshold;
}

double fraction(const Item& item, const Progress& progress) {
  const int64_t threshold = item.requirement.threshold;
  if (threshold <= 0) return 1.0;
  const double f =
      static_cast<double>(progress.value(item.requirement.metric)) / static_cast<double>(threshold);
  return std::clamp(f, 0.0, 1.0);
}

std::vector<Item> unlocked(const Progress& progress) {
  return select([](const Item& i, const Progress& p, const Progress&) { return isUnlocked(i, p); },
                progress, progress);
}

std::vector<Item> newlyUnlocked(const Progress& before, const Progress& now) {
  return select([](const Item& i, const Progress& b,
                   const Progress& n) { return isUnlocked(i, n) && !isUnlocked(i, b); },
                before, now);
}

std::string unlockReceiptID(std::string_view itemID) { return "cosmetic:" + std::string(itemID); }

static const auto kProgressFields =
    std::tuple{Field{"weeklyBossesDefeated", &Progress::weeklyBossesDefeated},
               Field{"campaignsCompleted", &Progress::campaignsCompleted},
               Field{"guildSeasonsCompleted", &Progress::guildSeasonsCompleted}};
TALEWICK_JSON_CODING(Progress, kProgressFields)

static const auto kRequirementFields =
    std::tuple{Field{"metric", &Requirement::metric}, Field{"threshold", &Requirement::threshold}};
TALEWICK_JSON_CODING(Requirement, kRequirementFields)

static const auto kItemFields =
    std::tuple{Field{"id", &Item::id},
               Field{"kind", &Item::kind},
               Field{"name", &Item::name},
               Field{"story", &Item::story},
               Field{"spriteName", &Item::spriteName},
               Field{"walkSheetName", &Item::walkSheetName},
               Field{"movementSpeedMultiplier", &Item::movementSpeedMultiplier},
               Field{"requirement", &Item::requirement}};
TALEWICK_JSON_CODING(Item, kItemFields)

}  // namespace talewick::KingdomCosmetics
