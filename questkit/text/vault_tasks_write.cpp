#include "text/vault_tasks_write.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "support/day_keys.hpp"
#include "support/local_calendar.hpp"

namespace talewick::VaultTasksWrite {
namespace {

using VaultTasks::markerAt;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t skipSpaces(std::string_view s, size_t i) {
  while (i < s.size() && isSpace(s[i])) ++i;
  return i;
}

size_t skipDigits(std::string_view s, size_t i) {
  while (i < s.size() && isDigit(s[i])) ++i;
  return i;
}

// Whether s[i…] starts with `word`, letter case aside.
bool startsWithWord(std::string_view s, size_t i, std::string_view word) {
  if (s.size() - i < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    if (asciiLower(s[i + k]) != word[k]) return false;
  }
  return true;
}

// The end of "every[ N] day|week|month[s]" read from s[i], or npos. `count` and `unit` receive the
// number as written (empty when absent) and the unit.
size_t readRule(std::string_view s, size_t i, std::string_view* count, std::string_view* unit) {
  if (!startsWithWord(s, i, "every")) return std::string_view::npos;
  i += 5;
  const size_t afterEvery = skipSpaces(s, i);
  if (afterEvery == i) return std::string_view::npos;
  i = afterEvery;
  *count = {};
  const size_t digitsEnd = skipDigits(s, i);
  if (digitsEnd > i && skipSpaces(s, digitsEnd) > digitsEnd) {
    *count = s.substr(i, digitsEnd - i);
    i = skipSpaces(s, digitsEnd);
  }
  for (const std::string_view word : {"day", "week", "month"}) {
    if (startsWithWord(s, i, word)) {
      *unit = word;
      i += word.size();
      if (i < s.size() && asciiLower(s[i]) == 's') ++i;
      return i;
    }
  }
  return std::string_view::npos;
}

// Whether s[i…] is a date written as "dddd-dd-dd".
bool isDateShape(std::string_view s, size_t i) {
  if (s.size() - i < 10) return false;
  for (size_t k = 0; k < 10; ++k) {
    const bool dash = k == 4 || k == 7;
    if (dash ? s[i + k] != '-' : !isDigit(s[i + k])) return false;
  }
  return true;
}

struct Span {
  size_t begin = 0, end = 0;
  std::string_view of(std::string_view s) const { return s.substr(begin, end - begin); }
};

// Each place `marker` stands in `line`, first to last.
template <class F>
void eachMarker(std::string_view line, std::string_view marker, F&& visit) {
  for (size_t at = line.find(marker); at != std::string_view::npos;
       at = line.find(marker, at + 1)) {
    if (!visit(at, at + markerAt(line, at, marker))) return;
  }
}

// "🔁 every 2 weeks": the rule's text, from "every" to its unit.
std::optional<Span> recurrenceIn(std::string_view line) {
  std::optional<Span> found;
  eachMarker(line, VaultTasks::RECURRENCE_MARKER, [&](size_t, size_t after) {
    const size_t begin = skipSpaces(line, after);
    std::string_view count, unit;
    const size_t end = readRule(line, begin, &count, &unit);
    if (end != std::string_view::npos) found = Span{begin, end};
    return !found;
  });
  return found;
}

// "📅 2026-03-10": the date's ten characters.
std::optional<Span> dueDateIn(std::string_view line) {
  std::optional<Span> found;
  eachMarker(line, VaultTasks::DUE_MARKER, [&](size_t, size_t after) {
    const size_t begin = skipSpaces(line, after);
    if (isDateShape(line, begin)) found = Span{begin, begin + 10};
    return !found;
  });
  return found;
}

// The line without its "✅ 2026-03-10" stamps and the blanks before each.
std::string withoutStamps(std::string_view line) {
  std::string out;
  size_t kept = 0;
  eachMarker(line, VaultTasks::COMPLETED_MARKER, [&](size_t at, size_t after) {
    const size_t date = skipSpaces(line, after);
    if (at < kept || !isDateShape(line, date)) return true;
    size_t begin = at;
    while (begin > kept && isSpace(line[begin - 1])) --begin;
    out.append(line.substr(kept, begin - kept));
    kept = date + 10;
    return true;
  });
  out.append(line.substr(kept));
  return out;
}

// The line with its box's state character replaced.
std::string withState(std::string_view line, std::string_view state) {
  const std::optional<VaultTasks::CheckBox> box = VaultTasks::checkBox(line);
  if (!box) return std::string(line);
  std::string out(line.substr(0, box->stateBegin));
  out += state;
  out += line.substr(box->bodyBegin - 1);
  return out;
}

std::string replaced(std::string_view contents, std::string_view line, std::string_view with) {
  const auto offset = static_cast<size_t>(line.data() - contents.data());
  std::string out;
  out.reserve(contents.size() + with.size());
  out.append(contents.substr(0, offset));
  out.append(with);
  out.append(contents.substr(offset + line.size()));
  return out;
}

Rewrite rewriteOf(std::string_view contents, std::string_view line, size_t index, Date today) {
  CompletedLine done = completeLine(line, today);
  return Rewrite{replaced(contents, line, done.line), static_cast<int64_t>(index),
                 std::move(done.change)};
}

std::optional<int64_t> localDayNumber(Date d) {
  if (!std::isfinite(d.seconds) || std::fabs(d.seconds) > 3e11) return std::nullopt;
  const LocalCalendar::Fields f = LocalCalendar::fields(d);
  return daysFromCivil(f.year, f.month, f.day);
}

const int64_t kLastDay = daysFromCivil(9999, 12, 31);

std::optional<int64_t> addMonths(int64_t dayNumber, int64_t months, int64_t untilDay) {
  const CivilFields c = civilFromUnix(static_cast<double>(dayNumber) * 86400.0, 0);
  int64_t monthIndex = int64_t{c.year} * 12 + (c.month - 1);
  int day = c.day;
  const int64_t lastMonthIndex = int64_t{9999} * 12 + 11;
  do {
    if (months > lastMonthIndex - monthIndex) return std::nullopt;
    monthIndex += months;
    const auto year = static_cast<int>(monthIndex / 12);
    const auto month = static_cast<int>(monthIndex % 12) + 1;
    // Each step starts from the previous result: a day clipped to a short month stays clipped.
    day = std::min(day, daysInMonth(year, month));
    dayNumber = daysFromCivil(year, month, day);
  } while (dayNumber < untilDay);
  return dayNumber;
}

}  // namespace

void to_json(Json& j, const Change& v) {
  if (v.kind == Change::Kind::checked) {
    j = Json{{"kind", "checked"}, {"completedOn", v.day}};
  } else {
    j = Json{{"kind", "advanced"}, {"to", v.day}};
  }
}

void to_json(Json& j, const Rewrite& v) {
  j = Json{{"contents", v.contents}, {"lineIndex", v.lineIndex}, {"change", v.change}};
}

void to_json(Json& j, const CompletedLine& v) { j = Json{{"line", v.line}, {"change", v.change}}; }

std::optional<std::string> nextOccurrence(std::string_view date, std::string_view recurrence,
                                          Date today) {
  std::string_view count, unit;
  if (readRule(recurrence, 0, &count, &unit) != recurrence.size()) return std::nullopt;
  int64_t n = 1;
  if (!count.empty()) {
    const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), n);
    if (error != std::errc() || n < 1) return std::nullopt;
  }
  const std::optional<int64_t> due = DayKeys::dayNumber(date);
  const std::optional<int64_t> todayNumber = localDayNumber(today);
  if (!due || !todayNumber) return std::nullopt;
  if (unit == "month") {
    const std::optional<int64_t> next = addMonths(*due, n, *todayNumber);
    if (!next) return std::nullopt;
    return DayKeys::key(*next);
  }
  const int64_t unitDays = unit == "week" ? 7 : 1;
  if (n > (kLastDay - *due) / unitDays) return std::nullopt;
  const int64_t step = n * unitDays;
  int64_t next = *due + step;
  if (next < *todayNumber) next += (*todayNumber - next + step - 1) / step * step;
  if (next > kLastDay) return std::nullopt;
  return DayKeys::key(next);
}

CompletedLine completeLine(std::string_view line, Date today) {
  const std::optional<Span> rule = recurrenceIn(line);
  const std::optional<Span> due = dueDateIn(line);
  if (rule && due) {
    if (auto next = nextOccurrence(due->of(line), rule->of(line), today)) {
      std::string moved(line);
      moved.replace(due->begin, due->end - due->begin, *next);
      return {withState(moved, " "), Change{Change::Kind::advanced, *next}};
    }
  }
  const std::optional<VaultTasks::CheckBox> box = VaultTasks::checkBox(line);
  std::string ticked = withoutStamps(box && box->done ? std::string(line) : withState(line, "x"));
  while (!ticked.empty() && isSpace(ticked.back())) ticked.pop_back();
  const std::string day = LocalCalendar::dayKey(today);
  ticked += ticked.empty() ? "" : " ";
  ticked += VaultTasks::COMPLETED_MARKER;
  ticked += " " + day;
  return {std::move(ticked), Change{Change::Kind::checked, day}};
}

std::optional<Rewrite> complete(std::string_view contents, const VaultTask& task, Date today) {
  const std::vector<std::string_view> lines = VaultTasks::lines(contents);
  for (size_t index = 0; index < lines.size(); ++index) {
    if (VaultTasks::parse(lines[index]) == task) {
      return rewriteOf(contents, lines[index], index, today);
    }
  }
  return std::nullopt;
}

std::optional<Rewrite> completeAt(std::string_view contents, int64_t lineIndex,
                                  std::string_view expectedLine, Date today) {
  const std::vector<std::string_view> lines = VaultTasks::lines(contents);
  if (lineIndex < 0 || static_cast<size_t>(lineIndex) >= lines.size()) return std::nullopt;
  const std::string_view line = lines[static_cast<size_t>(lineIndex)];
  if (line != expectedLine || !VaultTasks::checkBox(line)) return std::nullopt;
  return rewriteOf(contents, line, static_cast<size_t>(lineIndex), today);
}

std::string creditEntry(Date at, std::optional<int64_t> star, std::string_view sourceRel,
                        std::string_view title) {
  const double millis = std::floor(at.unix() * 1000.0);
  const double seconds = std::floor(millis / 1000.0);
  const CivilFields c = civilFromUnix(seconds, 0);
  char stamp[64];
  const int n =
      std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", c.year, c.month,
                    c.day, c.hour, c.minute, c.second, static_cast<int>(millis - seconds * 1000.0));
  const auto oneLine = [](std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
      if (ch == '\n' || ch == '\r') ch = ' ';
    }
    return out;
  };
  return "- " + std::string(stamp, static_cast<size_t>(n)) + " | " +
         (star ? std::to_string(*star) : std::string("-")) + " | " + oneLine(sourceRel) + " | " +
         oneLine(title);
}

std::string withCredit(const std::optional<std::string>& creditFile, std::string_view entry) {
  std::string out = creditFile ? *creditFile : std::string(CREDIT_FILE_HEADER) + "\n";
  if (!out.empty() && out.back() != '\n') out += '\n';
  out += entry;
  out += '\n';
  return out;
}

}  // namespace talewick::VaultTasksWrite
