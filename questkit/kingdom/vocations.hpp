// Vocations (the hero's class) and the paid switch of narrative mode. A vocation shifts the
// starting statistics, grants a small permanent bonus expressed as item modifiers, and is
// presented differently in each narrative mode. Every operation is pure: it takes a Hero and
// returns a new one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "game/enums.hpp"
#include "game/hero.hpp"
#include "game/loot.hpp"
#include "game/stats.hpp"
#include "support/enum_traits.hpp"

namespace talewick {

// Raw value = case name; the raw value is what Hero::vocation stores.
enum class VocationRole { gardien, erudit, bourrin, funambule };
template <>
struct EnumTraits<VocationRole> {
  static constexpr std::array<std::string_view, 4> names{"gardien", "erudit", "bourrin",
                                                         "funambule"};
};

// How a role is presented in one narrative mode; texts in the current language.
struct VocationDisplay {
  std::string name;
  std::string emoji;
  std::string tagline;
  bool operator==(const VocationDisplay&) const = default;
};

namespace Vocations {

// Gold charged by changeVocation when the caller has no price of its own.
inline constexpr int64_t changeCost = 150;

// The role an id names: a role's raw value or its alternative id ("paladin" → gardien,
// "mage" → erudit, "berserk" → bourrin, "rodeur" → funambule), in any letter case. nullopt for
// an absent or unknown id.
std::optional<VocationRole> role(std::optional<std::string_view> id);

// The role's shift of the starting statistics.
StatDelta startDelta(VocationRole role);

// A fresh hero's statistics (ZERO_STATS) shifted by the role's start delta.
Stats startStats(VocationRole role);

// The role's permanent bonus, aggregated with the worn items' modifiers.
ItemMods passive(VocationRole role);

// The passive of the role that `id` names; nullopt when it names none.
std::optional<ItemMods> passive(std::string_view id);

// The role's name, emoji and tagline in `mode`. Never empty.
VocationDisplay display(VocationRole role, RPGMode mode);

// The display of the role that `id` names; nullopt when it names none.
std::optional<VocationDisplay> display(std::string_view id, RPGMode mode);

enum class ChangeError { unknownRole, sameRole, insufficientGold };
using ChangeResult = std::variant<Hero, ChangeError>;

// Changes the hero's vocation for `cost` gold. Fails, in this order of checks, with unknownRole
// when `toId` names no role, sameRole when it names the hero's current role (whatever id the
// hero stores for it), insufficientGold when the hero holds less than `cost`. On success the
// hero stores the new role's raw value, pays `cost`, and its statistics lose the old role's
// start delta and gain the new one's, held to their bounds (love, wisdom, strength at least 0;
// energy and chaos 0 to 100). A hero without a recognised vocation only gains the new delta.
// A negative cost counts as 0.
ChangeResult changeVocation(const Hero& hero, std::string_view toId, int64_t cost = changeCost);

// What the hero pays for its next vocation: nothing for the first choice (no recognised vocation
// yet), changeCost for every change after it.
int64_t choiceCost(const Hero& hero);

// The refusal as the user reads it.
std::string describe(ChangeError error);

}  // namespace Vocations

template <>
struct EnumTraits<Vocations::ChangeError> {
  static constexpr std::array<std::string_view, 3> names{"unknownRole", "sameRole",
                                                         "insufficientGold"};
};

// Switching the narrative mode. The mode itself is a setting, not part of the Hero: the caller
// stores the new mode once the purchase succeeds.
namespace ModeSwitch {

inline constexpr int64_t changeCost = 300;

enum class PurchaseError { sameMode, insufficientGold };
using PurchaseResult = std::variant<Hero, PurchaseError>;

// The hero with `cost` gold paid for leaving `from` for `to`. Fails with sameMode when they are
// equal (whatever the gold), else with insufficientGold when the hero holds less than `cost`.
// A negative cost counts as 0.
PurchaseResult purchaseSwitch(const Hero& hero, RPGMode to, RPGMode from,
                              int64_t cost = changeCost);

// What switching to `to` costs a player who owns `owned` (the modes chosen or bought before):
// nothing for the first choice (none owned yet) or for a mode owned already, changeCost else.
int64_t switchCost(const std::vector<RPGMode>& owned, RPGMode to);

// The refusal as the user reads it.
std::string describe(PurchaseError error);

}  // namespace ModeSwitch

template <>
struct EnumTraits<ModeSwitch::PurchaseError> {
  static constexpr std::array<std::string_view, 2> names{"sameMode", "insufficientGold"};
};
}  // namespace talewick
