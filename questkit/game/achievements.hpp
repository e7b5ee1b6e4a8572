// Deeds: the hero's permanent achievements. They are never stored as unlocked: each time they are
// shown, the 18 deed rules are evaluated, in catalogue order, against facts read from the hero.
// Their titles and descriptions change with the narrative mode.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/enums.hpp"
#include "game/hero.hpp"
#include "support/json.hpp"

namespace talewick {

struct Deed {
  std::string id;
  std::string title;
  std::string emoji;
  std::string desc;
  bool operator==(const Deed&) const = default;
};

// The facts the deed rules read.
struct DeedContext {
  int64_t dragonsSlain = 0;
  int64_t bossesFought = 0;
  int64_t bossVictories = 0;
  int64_t bossDefeats = 0;
  int64_t maxStreak = 0;
  std::vector<std::string> legendaryNames;  // in inventory order, repeats kept
  std::vector<std::string> completedSets;
  int64_t finalLevel = 1;
  int64_t totalXp = 0;
  int64_t love = 0;
  int64_t wisdom = 0;
  int64_t strength = 0;
  std::map<std::string, int64_t> archetypeCounts;
  int64_t questsTransmuted = 0;
  int64_t worldBossVictories = 0;  // only the world boss knows it
  bool operator==(const DeedContext&) const = default;
};

void to_json(Json& j, const Deed& v);
void to_json(Json& j, const DeedContext& v);
void from_json(const Json& j, DeedContext& v);

namespace Achievements {

// Every deed with the heroic mode's texts, in evaluation order; localised in the language of the
// first call.
const std::vector<Deed>& deeds();

// The deed with that id; nullptr when unknown.
const Deed* deed(std::string_view id);

// The deed a victory over a world boss unlocks.
inline constexpr std::string_view worldBossDeedID = "fleautueur";

DeedContext deedContext(const Hero& hero);

// The unlocked deeds, in catalogue order, with the heroic mode's texts.
std::vector<Deed> evaluateDeeds(const DeedContext& context);

std::vector<Deed> unlockedDeeds(const Hero& hero, RPGMode mode);
std::vector<Deed> allDeeds(RPGMode mode);
// The deed with the mode's texts; nullopt when unknown.
std::optional<Deed> deed(std::string_view id, RPGMode mode);

struct DeedDisplay {
  std::string title;
  std::string emoji;
  std::string desc;
  bool operator==(const DeedDisplay&) const = default;
};

// How the deed shows in `mode`; an unknown id gets a generic "Haut fait".
DeedDisplay deedDisplay(std::string_view id, RPGMode mode);

// "title emoji" of the deed in `mode`, to show beside the hero's name; nullopt when unknown.
std::optional<std::string> titleLabel(std::string_view id, RPGMode mode);

// "title emoji" of the most prestigious of `unlocked`; nullopt when there is none.
std::optional<std::string> topDeedTitle(const std::vector<Deed>& unlocked);

}  // namespace Achievements
}  // namespace talewick
