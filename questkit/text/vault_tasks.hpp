// Task lines of the markdown notes folder (the family's "coffre"): check-box lines, the emoji
// markers that give them a due date, a completion date, a recurrence and an experience value, and
// what completing an open one earns.
//
// A task line, after its indentation, is "-", "*" or "+", one space, "[", one state character and
// "]"; the state "x" or "X" is done, any other is open. After the box, each marker takes the text
// up to the next marker as its value: 📅 due, ✅ completed, 🔁 recurrence, ⭐ experience; ➕ ⏳
// 🛫 ⏰ ❌ are recognised and dropped. A marker may carry the emoji presentation selector
// (U+FE0F). The task's words are what comes before the first marker.
//
// Files are whatever the user's editor and sync left: any bytes, CRLF or LF endings, no final
// line feed, very long lines. Nothing here throws on text: each field takes the first value of
// its marker that reads, and stays empty when none does. Dates are days of the local calendar
// (LocalCalendar, the process time zone).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/side_quest.hpp"
#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick {

struct VaultTask {
  std::string text;  // valid UTF-8: a malformed byte sequence of the file reads as U+FFFD
  bool done = false;
  std::optional<Date> due;                // local midnight of the 📅 day
  std::optional<Date> completed;          // local midnight of the ✅ day
  std::optional<std::string> recurrence;  // "every 2 weeks", as written
  std::optional<int64_t> xp;              // the ⭐ value
  bool operator==(const VaultTask&) const = default;
};

void to_json(Json& j, const VaultTask& v);
void from_json(const Json& j, VaultTask& v);

// An open task of the notes as a side quest of the kingdom.
struct VaultSideQuest {
  std::string id;  // VaultTasks::taskID of its line
  std::string title;
  std::optional<Date> due;
  int64_t xp = 0;
  int64_t gold = 0;
  std::string sourceRel;
  std::optional<int64_t> star;  // the ⭐ value as written
  bool operator==(const VaultSideQuest&) const = default;
};

void to_json(Json& j, const VaultSideQuest& v);

namespace VaultTasks {

inline constexpr std::string_view DUE_MARKER = "📅";
inline constexpr std::string_view COMPLETED_MARKER = "✅";
inline constexpr std::string_view RECURRENCE_MARKER = "🔁";
inline constexpr std::string_view XP_MARKER = "⭐";

// The number of bytes `marker` takes at text[pos] (its presentation selector included), 0 when it
// is not written there.
size_t markerAt(std::string_view text, size_t pos, std::string_view marker);

// Where a line's check box is: the state character is line[stateBegin, bodyBegin - 1), the body
// starts at bodyBegin.
struct CheckBox {
  size_t stateBegin = 0;
  size_t bodyBegin = 0;
  bool done = false;
};

// The box of a task line; nullopt for any other line ("-[ ] x", "- [] x", "1. [ ] x").
std::optional<CheckBox> checkBox(std::string_view line);

// The task of one line (without its line ending); nullopt for a line that is not a task.
std::optional<VaultTask> parse(std::string_view line);

// The lines of a file's text, as views into it, without their endings ("\n", "\r\n", or a
// last line's "\r"), a leading byte-order mark left out of the first. A final line feed ends the
// last line rather than starting an empty one.
std::vector<std::string_view> lines(std::string_view contents);

// A task of a file with where it stands.
struct FileTask {
  VaultTask task;
  int64_t lineIndex = 0;  // from 0, as lines() counts
  std::string id;         // taskID of the line
  bool operator==(const FileTask&) const = default;
};

// Every task line of a file, in order.
std::vector<VaultTask> parseFile(std::string_view contents);
std::vector<FileTask> tasksOfFile(std::string_view contents, std::string_view sourceRel);

// A name for the task written on `line` of the file at `sourceRel`, made of the line as written
// (indentation and trailing blanks aside), so that it does not change when other lines are added,
// removed or moved. `repeat` counts the lines above it in the same file that read the same, so
// that twin lines get names of their own. Editing the line (a new date, ticking it) gives it a new
// name. "vault_" and 16 hex digits.
std::string taskID(std::string_view sourceRel, std::string_view line, int64_t repeat);

// An open task with no due date, or due on a day that starts at or before `today`.
bool isRemainingToday(const VaultTask& task, Date today);

// With a ⭐ value of 1 or more: that much XP and gold 1 for 1 XP, else XP / 2 (rounded down).
// Without (or below 1): 15 XP and 8 gold.
SideQuests::Reward reward(const VaultTask& task);

}  // namespace VaultTasks
}  // namespace talewick
