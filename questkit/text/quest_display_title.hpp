// Which of a quest's two names — the epic one or the real title — the calendar and lists show.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "game/enums.hpp"
#include "support/date.hpp"
#include "support/enum_traits.hpp"

namespace talewick {

enum class CalendarTitleMode { epic, real, both };
template <>
struct EnumTraits<CalendarTitleMode> {
  static constexpr std::array<std::string_view, 3> names{"epic", "real", "both"};
};

inline constexpr std::string_view CALENDAR_TITLE_MODE_KEY = "calendar.titleMode";

// epic for a missing or unknown raw value.
CalendarTitleMode calendarTitleModeOrEpic(const std::optional<std::string>& raw);
constexpr bool showsQuestName(CalendarTitleMode m) { return m != CalendarTitleMode::real; }
constexpr bool showsRealName(CalendarTitleMode m) { return m != CalendarTitleMode::epic; }

struct QuestDisplayTitle {
  std::string questName;
  std::string realName;
  bool operator==(const QuestDisplayTitle&) const = default;

  // questName for epic, realName for real and both.
  const std::string& primaryLine(CalendarTitleMode mode) const;
  // questName for both, nothing otherwise.
  std::optional<std::string> subtitleLine(CalendarTitleMode mode) const;
};

namespace QuestDisplayTitles {

// The names of an event that is only being drafted: the title trimmed (an empty one becomes the
// localised "untitled" text), forged as a one-off occurrence lasting `durationMin` minutes (at
// least one) in `mode`.
QuestDisplayTitle make(std::string_view id, std::string_view title, Date start, int64_t durationMin,
                       const std::optional<std::string>& location, RPGMode mode);

}  // namespace QuestDisplayTitles
}  // namespace talewick
