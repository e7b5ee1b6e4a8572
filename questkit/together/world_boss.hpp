// The world boss: one monster a week shared by every player who raised a banner. Each enlisted
// player's day turns into damage; the boss's hit points grow with the crowd; its rage grows when
// few of the crowd played today, and rage scars the player's kingdom. A victory pays gold and a
// deed once a week.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/achievements.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {

namespace WorldBoss {
// Raw value = case name, in the order rage unlocks them.
enum class ScourgeEffect {
  marketEmbers,
  buildingSmoke,
  darkenedWindows,
  bridgeCrack,
  vignette,
  ashfall,
  horizonGlow
};
}  // namespace WorldBoss

template <>
struct EnumTraits<WorldBoss::ScourgeEffect> {
  static constexpr std::array<std::string_view, 7> names{
      "marketEmbers", "buildingSmoke", "darkenedWindows", "bridgeCrack",
      "vignette",     "ashfall",       "horizonGlow"};
};

namespace WorldBoss {

// One day of play counts at most this much (xp, quests, streak, each capped).
inline constexpr int64_t maxXpPerDay = 1500;
inline constexpr int64_t maxQuestsPerDay = 12;
inline constexpr int64_t maxStreak = 30;
inline constexpr int64_t damagePerQuest = 25;
inline constexpr int64_t damagePerStreakDay = 5;
inline constexpr int64_t maxDamagePerDay = 2000;

inline constexpr int64_t hpPerEnlisted = 2600;
inline constexpr int64_t floorHp = 6000;
// With a rivalry the boss is this many hundredths as strong.
inline constexpr int64_t rivalryPercent = 115;

// A handful of players cannot drive the boss to full fury on a quiet day.
inline constexpr int64_t smallCohortRageCap = 74;
inline constexpr int64_t smallCohortThreshold = 5;
inline constexpr std::array<int64_t, 4> rageThresholds{25, 50, 75, 100};

inline constexpr int64_t rewardGoldBase = 50;
inline constexpr int64_t rewardGoldCap = 400;

struct Form {
  std::string_view key;
  std::string_view nameFR;
  std::string_view nameEN;
  std::string_view emoji;
  bool operator==(const Form&) const = default;
};

inline constexpr std::array<Form, 6> forms{{
    {"kraken", "Le Kraken des Abysses", "The Abyssal Kraken", "🐙"},
    {"sandworm", "Le Ver des Sables", "The Sandworm", "🪱"},
    {"hydra", "L'Hydre aux sept têtes", "The Seven-Headed Hydra", "🐉"},
    {"golem", "Le Golem de Cendre", "The Ash Golem", "🗿"},
    {"chimera", "La Chimère", "The Chimera", "🦁"},
    {"leviathan", "Le Léviathan", "The Leviathan", "🐋"},
}};

struct RageEvent {
  int64_t threshold;
  std::string_view key;
  std::string_view messageFR;
  std::string_view messageEN;
  bool operator==(const RageEvent&) const = default;
};

inline constexpr std::array<RageEvent, 4> rageEvents{{
    {25, "market", "Le marché du Royaume est saccagé — les étals volent en éclats.",
     "The Kingdom's market is ransacked — stalls shatter to splinters."},
    {50, "lanterns", "Les lanternes des ruelles s'éteignent une à une.",
     "The alley lanterns go dark, one by one."},
    {75, "bridge", "Le vieux pont se fissure sous la fureur du Fléau.",
     "The old bridge cracks under the Scourge's fury."},
    {100, "belfry", "Le beffroi est ébranlé jusqu'à ses fondations.",
     "The belfry is shaken to its very foundations."},
}};

struct Reward {
  int64_t gold = 0;
  std::optional<Deed> deed;
  bool operator==(const Reward&) const = default;
};

void to_json(Json& j, const Form& v);
void to_json(Json& j, const RageEvent& v);
void to_json(Json& j, const Reward& v);

// clamp(xp, 0, 1500) + 25 × clamp(questsDone, 0, 12) + 5 × clamp(streak, 0, 30): at most 1950.
int64_t damage(int64_t xp, int64_t questsDone, int64_t streak);

// max(enlisted, 0) × 2600, at least 6000; × 115 / 100 (integer division) with a rivalry.
int64_t hp(int64_t enlisted, bool rivalry);

// 100 − the share (in percent, rounded half up) of the active players who pushed today, clamped
// to 0 … 100; 0 when nobody is active.
int64_t rage(int64_t pushersToday, int64_t activeEnlisted);

// The rage shown: never below 0, and at most 74 while fewer than 5 players are active.
int64_t effectiveRage(int64_t rage, int64_t activeEnlisted);

// How many of the thresholds 25, 50, 75, 100 the value (clamped to 0 … 100) reaches: 0 … 4.
int64_t rageLevel(int64_t share);

// The kingdom's scars at a rage level, accumulating: 1 the market's embers; 2 adds smoke and
// darkened windows; 3 adds the bridge's crack, the vignette and the horizon's glow; 4 adds ashfall.
std::vector<ScourgeEffect> scourgeEffects(int64_t rageLevel);

// The rage events whose threshold is at most `rage`, in table order.
std::vector<RageEvent> triggeredRageEvents(int64_t rage);

// forms[FNV-1a 64 of the UTF-8 bytes of "worldboss:" + week, mod 6]: the same boss everywhere.
Form form(std::string_view week);

// A victory with damage dealt pays 50 + min(dealt / 100, 350) gold (at most 400) and the
// "fleautueur" deed; anything else pays nothing.
Reward reward(int64_t dealt, bool victory);

// "worldboss:" + week + ":victory": the week's victory is credited once.
std::string victoryReceiptID(std::string_view week);

}  // namespace WorldBoss
}  // namespace talewick
