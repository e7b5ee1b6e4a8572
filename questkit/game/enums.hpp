// The game's enumerations. Raw values are the case names; case order is significant (display
// order of stats, rarity weight, mode order).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "support/enum_traits.hpp"

namespace talewick {

enum class StatKey { love, energy, wisdom, strength, chaos };
template <>
struct EnumTraits<StatKey> {
  static constexpr std::array<std::string_view, 5> names{"love", "energy", "wisdom", "strength",
                                                         "chaos"};
};

enum class Rarity { common, rare, epic, legendary };
template <>
struct EnumTraits<Rarity> {
  static constexpr std::array<std::string_view, 4> names{"common", "rare", "epic", "legendary"};
};
// common 0, rare 1, epic 2, legendary 3; rarities compare by weight.
constexpr int weight(Rarity r) { return static_cast<int>(r); }

enum class TimeOfDay { aube, jour, soir, nuit };
template <>
struct EnumTraits<TimeOfDay> {
  static constexpr std::array<std::string_view, 4> names{"aube", "jour", "soir", "nuit"};
};

enum class Slot { tete, main, talisman };
template <>
struct EnumTraits<Slot> {
  static constexpr std::array<std::string_view, 3> names{"tete", "main", "talisman"};
};

enum class BossResult { victoire, rude };
template <>
struct EnumTraits<BossResult> {
  static constexpr std::array<std::string_view, 2> names{"victoire", "rude"};
};

enum class RPGMode { heroicPapa, darkEpic, comic, mythological, fairyTale, donjon };
template <>
struct EnumTraits<RPGMode> {
  static constexpr std::array<std::string_view, 6> names{"heroicPapa",   "darkEpic",  "comic",
                                                         "mythological", "fairyTale", "donjon"};
};
// Localised display name ("Héroïque", "Épique sombre", …).
std::string displayName(RPGMode mode);

// Play style used to pick choices automatically.
enum class PersonaKind { brave, balanced, caring };
template <>
struct EnumTraits<PersonaKind> {
  static constexpr std::array<std::string_view, 3> names{"brave", "balanced", "caring"};
};

}  // namespace talewick
