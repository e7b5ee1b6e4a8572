// Text and JSON rendering shared by the commands.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "game/enums.hpp"
#include "game/quest.hpp"
#include "game/quest_engine.hpp"
#include "support/json.hpp"
#include "text/quest_display_title.hpp"

namespace talewick::ui {

// Pretty JSON, dates as ISO-8601 text in the local time zone, then a line feed.
void printJson(std::ostream& out, const Json& value);

template <class T>
void printJsonValue(std::ostream& out, const T& value) {
  DateStyleScope iso(DateStyle::iso8601);
  printJson(out, json_coding::encode(value));
}

// One line per quest: time, emoji, name, type, XP, threat; with breakdowns, an explanation line
// under each.
void printQuestTable(std::ostream& out, const std::vector<Quest>& quests,
                     const std::vector<QuestBreakdown>* breakdowns = nullptr);

// The explanation line printQuestTable writes under a quest.
void printBreakdown(std::ostream& out, const QuestBreakdown& breakdown);

// One quest of a list, for the quest commands: time (or "journée"), emoji, the name `titleMode`
// puts first, XP, threat and, last, the identifier those commands take. In `both` mode the quest
// name follows on a second, indented line. Ends with a line feed.
std::string questLine(const Quest& quest, CalendarTitleMode titleMode, bool allDay);

// "14:30": the local time of `date`.
std::string clockText(Date date);

// "Mercredi 9 décembre": the local day holding `day`.
std::string dayHeading(Date day);

// `text` padded with spaces to `width` user-perceived characters.
std::string padded(const std::string& text, int width);

// "[████░░░░]": `progress` (0…1) of `width` cells.
std::string progressBar(double progress, int width);

// The narrative mode named by `raw`; throws UsageError listing the valid names.
RPGMode parseMode(const std::string& raw);

}  // namespace talewick::ui
