// What the world boss routes keep: the raiders (one per enlistment, grouped in banners in the
// order they enlisted) and each raider's damage of each day. Functions over the storage port,
// each one transaction.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/storage.hpp"

namespace talewick::server::raiders {

// How many raiders one banner holds: the first 20 to enlist form banner 0, the next 20 banner 1…
inline constexpr std::int64_t BANNER_SIZE = 20;

struct Raider {
  std::string id;
  std::string heroName;
  std::optional<std::string> avatar;
  std::optional<std::string> vocation;
  std::int64_t banner = 0;
  std::int64_t enlistedAt = 0;
  bool operator==(const Raider&) const = default;
};

struct RaiderDay {
  std::string raiderId;
  std::string day;
  std::int64_t damage = 0;
  bool operator==(const RaiderDay&) const = default;
};

// Enlists a new raider known by `keyHash` in the banner its rank gives; `raider.banner` is
// ignored and the stored raider returned.
Raider enlist(Storage& storage, Raider raider, const std::string& keyHash);
std::optional<Raider> raiderWithKeyHash(Storage& storage, const std::string& keyHash);
// The raiders of a banner, in the order they enlisted.
std::vector<Raider> banner(Storage& storage, std::int64_t banner);
// How many raiders enlisted before `instant` (seconds since 1970).
std::int64_t enlistedBefore(Storage& storage, std::int64_t instant);

// Stores the raider's damage of the day, replacing an earlier push of that day.
void saveDay(Storage& storage, const RaiderDay& day);
// Every raider's days from `fromDay` to `toDay` (both included).
std::vector<RaiderDay> days(Storage& storage, const std::string& fromDay, const std::string& toDay);

}  // namespace talewick::server::raiders
