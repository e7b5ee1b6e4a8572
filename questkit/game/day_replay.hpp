// A whole day closed: its recap computed, the night applied, the streak and the deed counters
// moved on. What `talewick replay` does to a hero, as one pure step.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game/engine.hpp"

namespace talewick::DayReplay {

struct Closed {
  DayRecap recap;  // with the streak, the streak lost and the night's report
  Hero hero;
};

// `hero` after the day `dayKey`: the recap applied, then the streak from the last replay day (a
// day older than the last one replayed keeps the streak and the last day), the deed counters
// (bosses fought, won and lost, quests per archetype, the longest streak). `restBridged`: the
// days between the last replay and this one were all rest days chosen in advance, which do not
// break the streak.
Closed close(const Hero& hero, const std::vector<Quest>& quests, const Engine::Choices& choices,
             const std::string& dayKey, const std::optional<PhysicalState>& physical, RPGMode mode,
             bool restBridged = false);

// The counters after `recap`, the streak reached being `streak`.
DeedTally tallied(const std::optional<DeedTally>& tally, const DayRecap& recap, int64_t streak);

// "replay:" + the day key: a day pays once, on every machine.
std::string receiptID(const std::string& dayKey);

}  // namespace talewick::DayReplay
