// Completing a task in its file: the line is ticked (✅ and the day), or, for a repeating task,
// moved to its next due day and left open. A rewrite changes that one line and keeps every other
// byte of the file as it was (each line's ending, a missing final line feed, odd bytes).
//
// Then the credit the family app consumes: one line appended to "talewick-completions.md".
//
// Days are written "yyyy-MM-dd" in the local calendar (LocalCalendar, the process time zone).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/date.hpp"
#include "support/json.hpp"
#include "text/vault_tasks.hpp"

namespace talewick::VaultTasksWrite {

// What the rewrite did. JSON: {"kind": "checked", "completedOn": day} or
// {"kind": "advanced", "to": day}.
struct Change {
  enum class Kind { checked, advanced };
  Kind kind = Kind::checked;
  std::string day;  // the completion day written, or the new due day
  bool operator==(const Change&) const = default;
};

struct Rewrite {
  std::string contents;   // the whole new file text
  int64_t lineIndex = 0;  // the line that changed, from 0 (as VaultTasks::lines counts)
  Change change;
  bool operator==(const Rewrite&) const = default;
};

struct CompletedLine {
  std::string line;
  Change change;
  bool operator==(const CompletedLine&) const = default;
};

// Results only: nothing stores them.
void to_json(Json& j, const Change& v);
void to_json(Json& j, const Rewrite& v);
void to_json(Json& j, const CompletedLine& v);

// A line holding "🔁 every [N] day|week|month[s]" and "📅 yyyy-MM-dd" gets its next due day (see
// nextOccurrence) and an open box. Any other line gets a ticked box ("x"), its ✅ stamps removed,
// its trailing blanks trimmed and " ✅ " + today's day appended.
CompletedLine completeLine(std::string_view line, Date today);

// The first line of `contents` whose task equals `task` (text and every field), completed;
// nullopt when no line does (the file changed since it was read).
std::optional<Rewrite> complete(std::string_view contents, const VaultTask& task, Date today);

// Line `lineIndex` completed, provided it still reads `expectedLine` (without its ending) and is
// a task line; nullopt otherwise.
std::optional<Rewrite> completeAt(std::string_view contents, int64_t lineIndex,
                                  std::string_view expectedLine, Date today);

// The due day after `date` for `recurrence` ("every day", "every 2 weeks", "Every month"…, case
// aside): N days, weeks or months later (N is 1 when absent; a month later on the 31st is the
// month's last day), repeated until the day is not before today's. nullopt for a date that is not
// a real "yyyy-MM-dd" day, a rule of any other form, N of 0, or a day past 9999-12-31.
std::optional<std::string> nextOccurrence(std::string_view date, std::string_view recurrence,
                                          Date today);

// The first line of a new credit file (without its line feed).
inline constexpr std::string_view CREDIT_FILE_HEADER =
    "<!-- Talewick → Hearthbook : complétions à créditer (XP/plantes). Consommé puis vidé par "
    "Hearthbook. Ne pas éditer. -->";

// "- 2026-03-20T09:15:00.250Z | 7 | famille/courses.md | Acheter du pain": the instant in UTC
// with milliseconds, the ⭐ value or "-", the task's file and its title. A line break inside the
// path or the title would split the entry: each becomes a space.
std::string creditEntry(Date at, std::optional<int64_t> star, std::string_view sourceRel,
                        std::string_view title);

// The credit file's text with `entry` appended on a line of its own; a missing file (nullopt)
// starts with the header line.
std::string withCredit(const std::optional<std::string>& creditFile, std::string_view entry);

}  // namespace talewick::VaultTasksWrite
