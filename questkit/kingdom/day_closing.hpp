// The closing screen of a replayed day: an emblem, the day's dominant archetype, its boss, an
// epitaph and a teaser for what comes next.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "game/hero.hpp"
#include "game/recap.hpp"
#include "support/enum_traits.hpp"

namespace talewick {
namespace DayClosing {

// Raw value = case name.
enum class Epitaph { legend, battle, restless, full, steady };

// What the closing screen dangles before the hero: tomorrow's first real quest, the nemesis and
// its rivalry level, or nothing.
struct Teaser {
  enum class Kind { none, tomorrow, nemesis };
  Kind kind = Kind::none;
  std::string quest;    // tomorrow: the quest's title
  int64_t rivalry = 0;  // nemesis: the rivalry level

  static Teaser none() { return {}; }
  static Teaser tomorrow(std::string quest) { return {Kind::tomorrow, std::move(quest), 0}; }
  static Teaser nemesis(int64_t rivalry) { return {Kind::nemesis, {}, rivalry}; }
  bool operator==(const Teaser&) const = default;
};

struct Summary {
  std::string emblem;
  std::optional<std::string> dominantArchetypeId;
  int64_t questCount = 0;
  std::optional<std::string> bossName;
  bool leveledUp = false;
  bool shortNight = false;
  std::optional<int64_t> streak;
  Epitaph epitaph = Epitaph::steady;
  Teaser teaser;
  bool operator==(const Summary&) const = default;
};

// A night shorter than this is short.
inline constexpr double SHORT_NIGHT_HOURS = 6.0;
// A day of at least this many quests is full.
inline constexpr int64_t FULL_DAY_QUESTS = 5;
// The emblem of a day without any quest.
inline constexpr std::string_view QUIET_EMBLEM = "🕯️";

// The summary of `recap`, for `hero` as it stands after the replay.
//
// - dominantArchetypeId: the archetype of the most outcomes, ties going to the one met first in
//   the day; none without outcomes. The emblem is the emoji of its first outcome (QUIET_EMBLEM
//   when there is none or it is empty), so a day of bedtimes shows a bedtime.
// - bossName: the name of the boss quest's outcome.
// - streak: the recap's own, else the hero's when the hero's last replay is this day (a streak of
//   0 shows nothing).
// - epitaph, the first that applies: legend (a won boss fight and a level gained, or a legendary
//   item gained); battle (a boss fight lost, or fought against a threat of tier 4 or more);
//   restless (a night under SHORT_NIGHT_HOURS, or a heroic move that faltered); full (at least
//   FULL_DAY_QUESTS quests); steady.
// - teaser: the nemesis when a boss fight was lost and the hero has a rivalry (revenge comes
//   first); else the first of tomorrow's real quests with a title; else the nemesis when the
//   hero has a rivalry; else none.
Summary summarize(const DayRecap& recap, const Hero& hero);

}  // namespace DayClosing

template <>
struct EnumTraits<DayClosing::Epitaph> {
  static constexpr std::array<std::string_view, 5> names{"legend", "battle", "restless", "full",
                                                         "steady"};
};

}  // namespace talewick
