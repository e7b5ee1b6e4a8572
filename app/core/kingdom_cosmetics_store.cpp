#include "core/kingdom_cosmetics_store.hpp"

#include <algorithm>
#include <tuple>

#include "support/loc.hpp"

namespace talewick {

using KingdomCosmetics::Item;
using KingdomCosmetics::Kind;

namespace {

using json_coding::Field;

const auto kStateFields =
    std::tuple{Field{"equippedMountID", &KingdomCosmeticsState::equippedMountID},
               Field{"equippedPetID", &KingdomCosmeticsState::equippedPetID},
               Field{"placedDecorationIDs", &KingdomCosmeticsState::placedDecorationIDs},
               // Kept by this program beside the keys every reader knows: a file without them
               // reads as no progress yet.
               Field{"progress", &KingdomCosmeticsState::progress, json_coding::lenient},
               Field{"confirmedReceiptIDs", &KingdomCosmeticsState::confirmedReceiptIDs,
                     json_coding::lenient}};

bool contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

bool unlockedIn(const KingdomCosmeticsState& state, const Item& item) {
  return KingdomCosmetics::isUnlocked(item, state.progress) ||
         contains(state.confirmedReceiptIDs, KingdomCosmetics::unlockReceiptID(item.id));
}

// The item `id` names when it is of `kind` and unlocked in `state`.
std::optional<Item> shown(const KingdomCosmeticsState& state, const std::string& id, Kind kind) {
  std::optional<Item> item = KingdomCosmetics::item(id);
  if (!item || item->kind != kind || !unlockedIn(state, *item)) return std::nullopt;
  return item;
}

std::string unlockWhat(const Item& item) {
  switch (item.kind) {
    case Kind::mount:
      return Loc::format(
          Loc::string("kingdom.cosmetics.newMount", "Nouvelle monture débloquée : %@"),
          {item.name});
    case Kind::pet:
      return Loc::format(Loc::string("kingdom.cosmetics.newPet", "Nouveau compagnon débloqué : %@"),
                         {item.name});
    case Kind::decoration:
      return Loc::format(
          Loc::string("kingdom.cosmetics.newDecoration", "Nouvelle décoration débloquée : %@"),
          {item.name});
  }
  return item.name;
}

}  // namespace

void to_json(Json& j, const KingdomCosmeticsState& v) {
  json_coding::writeFields(j, v, kStateFields);
}
void from_json(const Json& j, KingdomCosmeticsState& v) {
  json_coding::readFields(j, v, kStateFields);
}

KingdomCosmeticsStore::KingdomCosmeticsStore(FilePort& files, std::filesystem::path saveURL,
                                             HeroStore& hero, std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics), hero_(hero), state_(current()) {}

KingdomCosmeticsState KingdomCosmeticsStore::current() {
  return file_.load<KingdomCosmeticsState>().value_or(KingdomCosmeticsState{});
}

void KingdomCosmeticsStore::keep(const KingdomCosmeticsState& loaded, KingdomCosmeticsState next) {
  // Compared with the file, not with what this store last saw: another process may have saved
  // since, and a change that only undoes theirs must still be written.
  if (next != loaded) file_.save(next);
  state_ = std::move(next);
}

bool KingdomCosmeticsStore::isUnlocked(const Item& item) const { return unlockedIn(state_, item); }

std::optional<Item> KingdomCosmeticsStore::equippedMount() const {
  if (!state_.equippedMountID) return std::nullopt;
  return shown(state_, *state_.equippedMountID, Kind::mount);
}

std::optional<Item> KingdomCosmeticsStore::equippedPet() const {
  if (!state_.equippedPetID) return std::nullopt;
  return shown(state_, *state_.equippedPetID, Kind::pet);
}

std::vector<Item> KingdomCosmeticsStore::placedDecorations() const {
  std::vector<Item> placed;
  for (const std::string& id : state_.placedDecorationIDs) {
    std::optional<Item> item = shown(state_, id, Kind::decoration);
    const bool twice = item && std::any_of(placed.begin(), placed.end(),
                                           [&](const Item& p) { return p.id == id; });
    if (item && !twice) placed.push_back(std::move(*item));
  }
  return placed;
}

std::vector<Payment> KingdomCosmeticsStore::observe(const KingdomCosmetics::Progress& progress) {
  const KingdomCosmeticsState loaded = current();
  KingdomCosmeticsState next = loaded;
  const std::vector<Item> newly = KingdomCosmetics::newlyUnlocked(next.progress, progress);
  const std::vector<std::string> held =
      hero_.payload() ? hero_.payload()->cosmeticRewardReceiptIDs : std::vector<std::string>{};
  std::vector<Payment> unlocks;
  for (const Item& item : KingdomCosmetics::catalog()) {
    const std::string receipt = KingdomCosmetics::unlockReceiptID(item.id);
    const bool confirmed = contains(next.confirmedReceiptIDs, receipt);
    const bool isNew =
        std::any_of(newly.begin(), newly.end(), [&](const Item& n) { return n.id == item.id; });
    const bool due = isNew || (KingdomCosmetics::isUnlocked(item, progress) && !confirmed);
    // Recorded before (on another machine, or by a file of ours since lost) tells the user
    // nothing; an item earned on another machine is confirmed by the hero's document alone.
    const bool nowConfirmed =
        due ? pay(hero_, RewardKind::cosmetic, receipt, 0, 0, unlockWhat(item), unlocks)
            : contains(held, receipt);
    if (nowConfirmed && !confirmed) next.confirmedReceiptIDs.push_back(receipt);
  }
  next.progress = progress;
  keep(loaded, std::move(next));
  return unlocks;
}

std::optional<KingdomCosmeticsStore::Refusal> KingdomCosmeticsStore::equip(const std::string& id) {
  const KingdomCosmeticsState loaded = current();
  KingdomCosmeticsState next = loaded;
  const std::optional<Item> item = KingdomCosmetics::item(id);
  if (!item) return Refusal::unknownItem;
  if (!unlockedIn(next, *item)) return Refusal::locked;
  switch (item->kind) {
    case Kind::mount:
      next.equippedMountID = id;
      break;
    case Kind::pet:
      next.equippedPetID = id;
      break;
    case Kind::decoration:
      if (!contains(next.placedDecorationIDs, id)) next.placedDecorationIDs.push_back(id);
      break;
  }
  keep(loaded, std::move(next));
  return std::nullopt;
}

std::optional<KingdomCosmeticsStore::Refusal> KingdomCosmeticsStore::unequip(
    const std::string& id) {
  const KingdomCosmeticsState loaded = current();
  KingdomCosmeticsState next = loaded;
  bool found = false;
  for (std::optional<std::string>* worn : {&next.equippedMountID, &next.equippedPetID}) {
    if (*worn == id) {
      worn->reset();
      found = true;
    }
  }
  std::vector<std::string>& placed = next.placedDecorationIDs;
  const auto end = std::remove(placed.begin(), placed.end(), id);
  found = found || end != placed.end();
  placed.erase(end, placed.end());
  if (!found) return KingdomCosmetics::item(id) ? Refusal::notShown : Refusal::unknownItem;
  keep(loaded, std::move(next));
  return std::nullopt;
}

}  // namespace talewick
