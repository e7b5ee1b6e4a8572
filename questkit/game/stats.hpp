// The hero's five statistics and the stat deltas that change them.
#pragma once

#include <cstdint>
#include <map>

#include "game/enums.hpp"
#include "support/json.hpp"

namespace talewick {

// A change of statistics; stored as a JSON object keyed by stat raw values. An absent stat means
// no change (and counts 0), which is not the same as an explicit 0 when deltas are written.
using StatDelta = std::map<StatKey, int64_t>;

struct Stats {
  int64_t love = 0;
  int64_t energy = 0;
  int64_t wisdom = 0;
  int64_t strength = 0;
  int64_t chaos = 0;

  int64_t& operator[](StatKey key);
  int64_t operator[](StatKey key) const;
  bool operator==(const Stats&) const = default;
};

// The statistics of a fresh hero.
inline constexpr Stats ZERO_STATS{0, 60, 0, 0, 20};

void to_json(Json& j, const Stats& v);
void from_json(const Json& j, Stats& v);

}  // namespace talewick
