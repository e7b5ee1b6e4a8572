#include "kingdom/vocations.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include "support/content.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick {
namespace Vocations {
namespace {

// Ids accepted besides the raw values: the classic class names players type.
constexpr std::array<std::pair<std::string_view, VocationRole>, 4> kAlternativeIds{{
    {"paladin", VocationRole::gardien},
    {"mage", VocationRole::erudit},
    {"berserk", VocationRole::bourrin},
    {"rodeur", VocationRole::funambule},
}};

constexpr size_t kRoleCount = EnumTraits<VocationRole>::names.size();
constexpr size_t kModeCount = EnumTraits<RPGMode>::names.size();

// The French presentations, read once from content/vocations.json; display() localises them on
// each call so that a change of language is honoured.
using DisplayTable = std::array<std::array<VocationDisplay, kModeCount>, kRoleCount>;

DisplayTable buildDisplays() {
  const Json texts = content::json("vocations.json");
  DisplayTable table;
  for (VocationRole r : allCases<VocationRole>()) {
    const Json& byMode = texts.at(std::string(rawValue(r)));
    for (RPGMode m : allCases<RPGMode>()) {
      const Json& entry = byMode.at(std::string(rawValue(m)));
      table[static_cast<size_t>(r)][static_cast<size_t>(m)] =
          VocationDisplay{entry.at("name").get<std::string>(), entry.at("emoji").get<std::string>(),
                          entry.at("tagline").get<std::string>()};
    }
  }
  return table;
}

const DisplayTable& displays() {
  static const DisplayTable table = buildDisplays();
  return table;
}

// Love, wisdom and strength have no ceiling; energy and chaos are gauges out of 100.
int64_t bounded(StatKey key, int64_t value) {
  const int64_t atLeastZero = std::max<int64_t>(0, value);
  if (key == StatKey::energy || key == StatKey::chaos) return std::min<int64_t>(100, atLeastZero);
  return atLeastZero;
}

}  // namespace

std::optional<VocationRole> role(std::optional<std::string_view> id) {
  if (!id) return std::nullopt;
  const std::string lowered = text::lower(*id);
  if (auto direct = fromRaw<VocationRole>(lowered)) return direct;
  for (const auto& [alternative, r] : kAlternativeIds) {
    if (alternative == lowered) return r;
  }
  return std::nullopt;
}

StatDelta startDelta(VocationRole r) {
  switch (r) {
    case VocationRole::gardien:
      return {{StatKey::love, 6}};
    case VocationRole::erudit:
      return {{StatKey::wisdom, 6}, {StatKey::chaos, -4}};
    case VocationRole::bourrin:
      return {{StatKey::strength, 6}};
    case VocationRole::funambule:
      return {{StatKey::energy, 8}};
  }
  return {};
}

Stats startStats(VocationRole r) {
  Stats stats = ZERO_STATS;
  for (const auto& [key, amount] : startDelta(r)) stats[key] += amount;
  return stats;
}

// Each role favours the archetype that suits it by 10 % and adds one small flat bonus that
// echoes its start delta; kept well under what a single rare item gives, so that the choice
// flavours play without deciding it.
ItemMods passive(VocationRole r) {
  ItemMods mods;
  switch (r) {
    case VocationRole::gardien:
      // The household's protector: playtime with the children, and a calmer home overnight.
      mods.archetypeXp = ArchetypeXp{"jeu_avec_enfant", 1.10};
      mods.chaosDecayBonus = 2;
      break;
    case VocationRole::erudit:
      // Learns from everything: meetings pay more, and a touch more XP overall.
      mods.archetypeXp = ArchetypeXp{"reunion", 1.10};
      mods.xpMult = 1.03;
      break;
    case VocationRole::bourrin:
      // Charges first: workouts pay more, and one extra point of power against the boss.
      mods.archetypeXp = ArchetypeXp{"sport", 1.10};
      mods.bossPower = 1;
      break;
    case VocationRole::funambule:
      // Keeps every plate spinning: the unexpected pays more, and a better night's recovery.
      mods.archetypeXp = ArchetypeXp{"urgence_imprevu", 1.10};
      mods.energyRegen = 3;
      break;
  }
  return mods;
}

std::optional<ItemMods> passive(std::string_view id) {
  if (auto r = role(id)) return passive(*r);
  return std::nullopt;
}

VocationDisplay display(VocationRole r, RPGMode mode) {
  const VocationDisplay& french = displays()[static_cast<size_t>(r)][static_cast<size_t>(mode)];
  const std::string prefix =
      "vocation." + std::string(rawValue(r)) + "." + std::string(rawValue(mode)) + ".";
  return VocationDisplay{Loc::string(prefix + "name", french.name), french.emoji,
                         Loc::string(prefix + "tagline", french.tagline)};
}

std::optional<VocationDisplay> display(std::string_view id, RPGMode mode) {
  if (auto r = role(id)) return display(*r, mode);
  return std::nullopt;
}

ChangeResult changeVocation(const Hero& hero, std::string_view toId, int64_t cost) {
  const std::optional<VocationRole> to = role(toId);
  if (!to) return ChangeError::unknownRole;
  const std::optional<VocationRole> from = role(hero.vocation);
  if (from == to) return ChangeError::sameRole;
  cost = std::max<int64_t>(0, cost);
  if (hero.gold < cost) return ChangeError::insufficientGold;

  Hero changed = hero;
  changed.gold -= cost;
  changed.vocation = std::string(rawValue(*to));
  // Only the shifts the roles made are exchanged: whatever the hero earned since stays.
  StatDelta exchange = startDelta(*to);
  if (from) {
    for (const auto& [key, amount] : startDelta(*from)) exchange[key] -= amount;
  }
  for (const auto& [key, amount] : exchange) {
    changed.stats[key] = bounded(key, changed.stats[key] + amount);
  }
  return changed;
}

int64_t choiceCost(const Hero& hero) { return role(hero.vocation) ? changeCost : 0; }

std::string describe(ChangeError error) {
  switch (error) {
    case ChangeError::unknownRole:
      return Loc::string("vocation.error.unknownRole",
                         "vocation inconnue (gardien, erudit, bourrin, funambule)");
    case ChangeError::sameRole:
      return Loc::string("vocation.error.sameRole", "c'est déjà ta vocation");
    case ChangeError::insufficientGold:
      return Loc::format(Loc::string("vocation.error.insufficientGold",
                                     "pas assez d'or : changer de vocation coûte %@ or"),
                         {std::to_string(changeCost)});
  }
  return {};
}

}  // namespace Vocations

namespace ModeSwitch {

PurchaseResult purchaseSwitch(const Hero& hero, RPGMode to, RPGMode from, int64_t cost) {
  if (to == from) return PurchaseError::sameMode;
  cost = std::max<int64_t>(0, cost);
  if (hero.gold < cost) return PurchaseError::insufficientGold;
  Hero paid = hero;
  paid.gold -= cost;
  return paid;
}

int64_t switchCost(const std::vector<RPGMode>& owned, RPGMode to) {
  if (owned.empty() || std::find(owned.begin(), owned.end(), to) != owned.end()) return 0;
  return changeCost;
}

std::string describe(PurchaseError error) {
  switch (error) {
    case PurchaseError::sameMode:
      return Loc::string("mode.error.sameMode", "c'est déjà ton mode narratif");
    case PurchaseError::insufficientGold:
      return Loc::format(Loc::string("mode.error.insufficientGold",
                                     "pas assez d'or : changer de mode narratif coûte %@ or"),
                         {std::to_string(changeCost)});
  }
  return {};
}

}  // namespace ModeSwitch
}  // namespace talewick
