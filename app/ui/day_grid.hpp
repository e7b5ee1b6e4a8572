// The day's timed quests drawn as a time grid on the terminal: one row per half hour, quests that
// overlap side by side in the columns CalendarLayout gives them, and the quests that clash with
// another marked.
#pragma once

#include <string>
#include <vector>

#include "game/quest.hpp"

namespace talewick::ui {

// For each quest of `timed`, whether it overlaps another of them (Conflicts::overlapping: touching
// quests do not clash).
std::vector<bool> clashes(const std::vector<Quest>& timed);

// The grid, `width` characters wide after the time column. Rows run from the earlier of 08:00 and
// the first start to the later of 18:00 and the last end, by half hours. A quest's first row shows
// its name (⚠ in front when it clashes), its other rows a bar. Ends with a line feed.
std::string dayGrid(const std::vector<Quest>& timed, int width = 72);

}  // namespace talewick::ui
