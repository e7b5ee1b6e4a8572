// One quest told in full — its occurrence, its numbers and how they were reached, its story and
// its choices — as lines of text. `talewick quest` prints it; the desktop's quest sheet shows it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game/day_event.hpp"
#include "game/quest.hpp"
#include "game/quest_engine.hpp"

namespace talewick::ui {

struct QuestSheet {
  struct Choice {
    std::string label;      // "Foncer — Tu traverses la salle…"
    std::string effects;    // "+20 XP · force +2"
    std::string realQuest;  // "Dans la vraie vie : … (+10 XP)", or empty
  };
  std::string heading;   // emoji and quest name
  std::string rawTitle;  // the calendar's title
  std::string when;      // "Mercredi 9 décembre · 14:30 → 15:15 (45 min)"
  std::string place;     // "Lieu : …", or empty
  std::string numbers;   // "40 XP · rareté rare · menace 🐺 Loup (palier 2)"
  std::string biome;     // "Décor : …", or empty
  std::string intro;
  std::string breakdown;  // the calculation, or empty without the occurrence behind the quest
  std::vector<Choice> choices;
  std::string identifier;  // "Identifiant : …"
};

// The sheet of `quest`, forged from `event` (nullopt: a quest without its occurrence) with
// `breakdown`. Texts are as the quest holds them: show them through `shown`.
QuestSheet questSheet(const Quest& quest, const std::optional<DayEvent>& event,
                      const std::optional<QuestBreakdown>& breakdown);

}  // namespace talewick::ui
