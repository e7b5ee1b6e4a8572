// The monsters that name a quest's threat: for every mode, five menaces (tiers 1 to 5) per
// archetype, and a "__generic__" row for archetypes without their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "game/enums.hpp"

namespace talewick::Bestiary {

struct Menace {
  std::string label;
  std::string emoji;
  bool operator==(const Menace&) const = default;
};

inline constexpr std::string_view GENERIC_ROW = "__generic__";

// The mode's menace for the archetype (else the generic row) at `tier`, the position held
// between tiers 1 and 5.
Menace menace(RPGMode mode, std::optional<std::string_view> archetypeId, int64_t tier);

// Whether the mode has a row of its own for the archetype.
bool hasRow(RPGMode mode, std::string_view archetypeId);

}  // namespace talewick::Bestiary
