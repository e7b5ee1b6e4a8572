// The cosmetics the hero shows on the kingdom map, kept in kingdom-cosmetics-v1.json: the
// equipped mount and pet, the decorations placed, the progress last observed and the unlock
// receipts the hero store has confirmed. Main loop only. A change that cannot be saved throws
// FileError and leaves the store as it was; each change first takes in what another process
// saved.
//
// An item is unlocked while the progress reaches its requirement, and for good once its receipt
// is confirmed: a chronicle that forgets its oldest weeks, or another machine whose chronicles
// hold less, does not take back what the hero earned.
#pragma once

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/hero_store.hpp"
#include "core/payment.hpp"
#include "core/state_file.hpp"
#include "kingdom/kingdom_cosmetics.hpp"

namespace talewick {

// The content of kingdom-cosmetics-v1.json. The ids are kept as written: one this version does
// not know, or of an item no longer unlocked, is ignored when shown.
struct KingdomCosmeticsState {
  std::optional<std::string> equippedMountID;
  std::optional<std::string> equippedPetID;
  std::vector<std::string> placedDecorationIDs;
  KingdomCosmetics::Progress progress;
  std::vector<std::string> confirmedReceiptIDs;
  bool operator==(const KingdomCosmeticsState&) const = default;
};

void to_json(Json& j, const KingdomCosmeticsState& v);
void from_json(const Json& j, KingdomCosmeticsState& v);

class KingdomCosmeticsStore {
 public:
  static constexpr const char* FILE_NAME = "kingdom-cosmetics-v1.json";

  enum class Refusal {
    unknownItem,  // no item of the catalogue has this id
    locked,       // the item is not unlocked yet
    notShown,     // unequip: the item is neither equipped nor placed
  };

  // Reads `saveURL` at once (nothing, or a damaged file: nothing equipped, no progress; see
  // StateFile). `hero` outlives the store.
  KingdomCosmeticsStore(FilePort& files, std::filesystem::path saveURL, HeroStore& hero,
                        std::ostream& diagnostics = std::cerr);

  const KingdomCosmeticsState& state() const { return state_; }
  bool isUnlocked(const KingdomCosmetics::Item& item) const;

  // The equipped mount and pet, and the decorations placed (in the order they were placed):
  // only known items of the right kind that are unlocked.
  std::optional<KingdomCosmetics::Item> equippedMount() const;
  std::optional<KingdomCosmetics::Item> equippedPet() const;
  std::vector<KingdomCosmetics::Item> placedDecorations() const;

  // Takes in the hero's progress: records with the hero store, under its unlock receipt, each
  // item `progress` newly unlocks and each unlocked item whose receipt is not confirmed yet (a
  // receipt the hero store refuses is tried again at the next observation; one the hero
  // document already holds, from this machine or another, counts as confirmed). Returns the
  // unlocks recorded now, as payments of nothing whose `what` tells the user.
  std::vector<Payment> observe(const KingdomCosmetics::Progress& progress);

  // A mount or a pet takes the place of the one of its kind; a decoration is placed on the map
  // (placing it again changes nothing). Refused, nothing written: unknownItem, locked.
  std::optional<Refusal> equip(const std::string& id);
  // Takes the mount or the pet off, or the decoration off the map; an id this version does not
  // know is taken off too. Refused, nothing written: unknownItem, notShown.
  std::optional<Refusal> unequip(const std::string& id);

 private:
  KingdomCosmeticsState current();
  // Saves `next` unless it is what the file held (`loaded`), then takes it.
  void keep(const KingdomCosmeticsState& loaded, KingdomCosmeticsState next);

  StateFile file_;
  HeroStore& hero_;
  KingdomCosmeticsState state_;
};

}  // namespace talewick
