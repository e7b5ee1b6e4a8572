// The day's grid: overlapping quests side by side, clashes marked, the rows the day needs.
#include "ui/day_grid.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick::ui {
namespace {

Quest quest(const std::string& name, int hour, int minute, int64_t minutes) {
  Quest q;
  q.id = "quest_" + name;
  q.name = name;
  q.startDate = *LocalCalendar::dateFrom(CivilTime{2026, 3, 20, hour, minute, 0});
  q.durationMin = minutes;
  return q;
}

std::vector<std::string> rows(const std::string& grid) {
  std::vector<std::string> out;
  std::istringstream in(grid);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST(DayGrid, OverlappingQuestsSitSideBySideAndOnlyRealOverlapsClash) {
  const std::vector<Quest> day{quest("Un", 9, 0, 60), quest("Deux", 9, 30, 60),
                               quest("Trois", 10, 0, 60), quest("Quatre", 11, 0, 30),
                               quest("Cinq", 14, 0, 0)};
  // Un and Trois only touch; Quatre touches Trois; an instant clashes with nothing.
  EXPECT_EQ(clashes(day), (std::vector<bool>{true, true, true, false, false}));

  const std::vector<std::string> grid = rows(dayGrid(day, 40));
  ASSERT_EQ(grid.size(), 20u);  // 08:00 to 18:00 by half hours
  EXPECT_TRUE(grid[0].starts_with("08:00 ┤")) << grid[0];
  EXPECT_EQ(grid[1], "08:30 ┤");
  EXPECT_NE(grid[2].find("⚠ 09:00 Un"), std::string::npos) << grid[2];
  // Deux beside Un, in the second column; then Trois takes the first column back.
  EXPECT_LT(grid[3].find("│"), grid[3].find("⚠ 09:30 Deux")) << grid[3];
  EXPECT_LT(grid[4].find("⚠ 10:00 Trois"), grid[4].find("│")) << grid[4];
  EXPECT_NE(grid[6].find("11:00 Quatre"), std::string::npos);
  EXPECT_EQ(grid[6].find("⚠"), std::string::npos);
  EXPECT_NE(grid[12].find("14:00 Cinq"), std::string::npos);
  for (const std::string& row : grid) EXPECT_LE(text::perceivedLength(row), 8 + 40) << row;
}

TEST(DayGrid, TheGridStretchesToEarlyAndLateQuestsAndCutsLongNames) {
  const std::vector<Quest> day{quest("Aube", 6, 15, 30),
                               quest(std::string(60, 'x') + "é\nfin", 21, 0, 90)};
  const std::vector<std::string> grid = rows(dayGrid(day, 30));
  EXPECT_TRUE(grid.front().starts_with("06:00 ┤")) << grid.front();
  EXPECT_TRUE(grid.back().starts_with("22:00 ┤")) << grid.back();
  EXPECT_EQ(grid.size(), 33u);
  EXPECT_NE(grid[30].find("…"), std::string::npos) << grid[30];
  EXPECT_EQ(grid[30].find("fin"), std::string::npos);
  EXPECT_EQ(dayGrid({}), "");
}

}  // namespace
}  // namespace talewick::ui
