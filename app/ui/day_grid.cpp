#include "ui/day_grid.hpp"

#include <algorithm>
#include <cmath>

#include "kingdom/calendar_layout.hpp"
#include "kingdom/conflicts.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {

namespace {

constexpr double ROW_SECONDS = 30 * 60;

DayEvent asEvent(const Quest& quest) {
  DayEvent event;
  event.id = quest.id;
  event.startDate = quest.startDate;
  event.endDate =
      quest.startDate.adding(static_cast<double>(std::max<int64_t>(quest.durationMin, 0)) * 60);
  return event;
}

// `text` on one line, cut (with "…") to at most `width` perceived characters and padded to it.
std::string fitted(const std::string& text, int width) {
  std::string s = shown(text);
  if (text::perceivedLength(s) > width) {
    while (!s.empty() && text::perceivedLength(s) > width - 1) {
      // The last code point goes whole: its continuation bytes, then its lead byte.
      size_t end = s.size() - 1;
      while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
      s.resize(end);
    }
    s += "…";
  }
  return padded(s, width);
}

}  // namespace

std::vector<bool> clashes(const std::vector<Quest>& timed) {
  std::vector<DayEvent> events;
  events.reserve(timed.size());
  for (const Quest& quest : timed) events.push_back(asEvent(quest));
  std::vector<bool> clash(timed.size(), false);
  for (size_t i = 0; i < timed.size(); ++i) {
    for (const DayEvent& other :
         Conflicts::overlapping(events[i].startDate, timed[i].durationMin, events)) {
      // The quest itself is among the events it overlaps.
      if (other.id != events[i].id || other.startDate != events[i].startDate) clash[i] = true;
    }
  }
  return clash;
}

std::string dayGrid(const std::vector<Quest>& timed, int width) {
  if (timed.empty()) return "";
  const auto placements = CalendarLayout::lanes(timed);
  const std::vector<bool> clash = clashes(timed);
  int64_t columns = 1;
  for (const auto& p : placements) columns = std::max(columns, p.columns);
  const int cell = std::max(6, width / static_cast<int>(columns));

  const Date midnight = LocalCalendar::startOfDay(timed.front().startDate);
  double first = 8 * 3600, last = 18 * 3600;
  for (const Quest& q : timed) {
    first = std::min(first, q.startDate - midnight);
    last = std::max(last, q.startDate - midnight + static_cast<double>(q.durationMin) * 60);
  }
  first = std::floor(first / ROW_SECONDS) * ROW_SECONDS;
  last = std::min(std::ceil(last / ROW_SECONDS) * ROW_SECONDS, 24.0 * 3600);

  std::string out;
  for (double row = first; row < last; row += ROW_SECONDS) {
    const double rowEnd = row + ROW_SECONDS;
    std::vector<std::string> cells(static_cast<size_t>(columns), std::string(cell, ' '));
    for (size_t i = 0; i < timed.size(); ++i) {
      const double start = timed[i].startDate - midnight;
      const double end =
          start + static_cast<double>(std::max<int64_t>(timed[i].durationMin, 0)) * 60;
      const bool starts = start >= row && start < rowEnd;
      if (!starts && !(start < row && end > row)) continue;
      std::string& c = cells[static_cast<size_t>(placements[i].column)];
      if (starts) {
        c = fitted((clash[i] ? "⚠ " : "") + clockText(timed[i].startDate) + " " + timed[i].name,
                   cell - 1) +
            " ";
      } else {
        c = padded("│", cell);
      }
    }
    out += clockText(midnight.adding(row)) + " ┤ ";
    for (const std::string& c : cells) out += c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += "\n";
  }
  return out;
}

}  // namespace talewick::ui
