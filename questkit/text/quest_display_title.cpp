#include "text/quest_display_title.hpp"

#include <algorithm>

#include "game/quest_engine.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick {

CalendarTitleMode calendarTitleModeOrEpic(const std::optional<std::string>& raw) {
  if (!raw) return CalendarTitleMode::epic;
  return fromRaw<CalendarTitleMode>(*raw).value_or(CalendarTitleMode::epic);
}

const std::string& QuestDisplayTitle::primaryLine(CalendarTitleMode mode) const {
  return mode == CalendarTitleMode::epic ? questName : realName;
}

std::optional<std::string> QuestDisplayTitle::subtitleLine(CalendarTitleMode mode) const {
  if (mode == CalendarTitleMode::both) return questName;
  return std::nullopt;
}

namespace QuestDisplayTitles {

QuestDisplayTitle make(std::string_view id, std::string_view title, Date start, int64_t durationMin,
                       const std::optional<std::string>& location, RPGMode mode) {
  std::string realName(text::trim(title));
  if (realName.empty()) realName = Loc::string("questDisplay.untitled", "Sans titre");
  DayEvent event;
  event.id = std::string(id);
  event.title = realName;
  event.startDate = start;
  event.endDate = start.adding(60.0 * static_cast<double>(std::max<int64_t>(1, durationMin)));
  event.location = location;
  return QuestDisplayTitle{QuestEngine::outline(event, mode).name, realName};
}

}  // namespace QuestDisplayTitles
}  // namespace talewick
