// Whether a quest drops an item and which one: weighted picks over the catalogue's pools, drawn
// from the caller's random source so that a seeded replay drops the same templates again.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include "game/loot.hpp"

namespace talewick::Loot {
namespace {

// At this chaos or above, a drop may be cursed.
constexpr int64_t kCursedChaos = 73;
constexpr double kCursedChance = 0.4;

std::atomic<int64_t> lootSeq{0};

LootItem fromPool(const std::vector<const Template*>& templates, RPGMode mode, const Rng& rng) {
  const Template& t = *templates[pickIndex(static_cast<int64_t>(templates.size()), rng())];
  return makeItem(t, mode, nextId());
}

const std::vector<const Template*>& poolOrCommon(Rarity rarity) {
  const auto& templates = pool(rarity);
  return templates.empty() ? pool(Rarity::common) : templates;
}

}  // namespace

int64_t pickIndex(int64_t count, double u) {
  const auto index = static_cast<int64_t>(std::floor(static_cast<double>(count) * u));
  return std::clamp<int64_t>(index, 0, std::max<int64_t>(count - 1, 0));
}

// The milliseconds make ids differ between runs; the sequence, within one.
std::string nextId() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  const int64_t seq = lootSeq.fetch_add(1);
  return "loot_" + std::to_string(ms) + "_" + std::to_string(seq);
}

std::optional<LootItem> roll(Rarity rarityHint, int64_t chaos, RPGMode mode, const Rng& rng) {
  if (chaos >= kCursedChaos && rng() < kCursedChance && !cursedPool().empty()) {
    return fromPool(cursedPool(), mode, rng);
  }
  if (rng() > dropChance(rarityHint)) return std::nullopt;
  const Rarity itemRarity = pickWeighted(rollTable(rarityHint), rng());
  return fromPool(poolOrCommon(itemRarity), mode, rng);
}

LootItem rollGuaranteed(Rarity rarity, RPGMode mode, const Rng& rng) {
  return fromPool(poolOrCommon(rarity), mode, rng);
}

}  // namespace talewick::Loot
