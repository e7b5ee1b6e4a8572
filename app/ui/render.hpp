// Text and JSON rendering shared by the commands.
#pragma once

#include <istream>
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

// `text` made safe for the terminal (text::terminalSafe: a column holds one line, and may hold
// a calendar's or a file's words) and padded with spaces to `width` user-perceived characters.
std::string padded(const std::string& text, int width);

// Text from a calendar, a file or the network as it may be shown (text::terminalSafe), on one
// line unless `keepLines`.
std::string shown(std::string_view outside, bool keepLines = false);

// "120 or · série de 3 jours": the hero's gold and streak, the days agreed with their count.
std::string goldAndStreak(int64_t gold, int64_t streakDays);

// "épique": a rarity as the lists name it.
std::string rarityName(Rarity rarity);

// Asks `question` on `out` with " [o/N] " and reads the answer on `in`: yes for "o", "oui", "y"
// or "yes" (any case, surrounding spaces aside); no for anything else and for no answer at all.
bool askedYes(std::istream& in, std::ostream& out, const std::string& question);

// "[████░░░░]": `progress` (0…1) of `width` cells.
std::string progressBar(double progress, int width);

// The narrative mode named by `raw`; throws UsageError listing the valid names.
RPGMode parseMode(const std::string& raw);

}  // namespace talewick::ui
