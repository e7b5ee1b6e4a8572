#include "text/quick_parse_words.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "support/text.hpp"

namespace talewick::QuickParse {

const WordMap& dayWords() {
  static const WordMap table{{"aujourdhui", 0}, {"demain", 1}, {"apresdemain", 2}, {"today", 0},
                             {"tomorrow", 1},   {"tmrw", 1},   {"tmr", 1},         {"tonight", 0}};
  return table;
}

const WordMap& weekdays() {
  static const WordMap table{{"dimanche", 1}, {"lundi", 2},    {"mardi", 3},     {"mercredi", 4},
                             {"jeudi", 5},    {"vendredi", 6}, {"samedi", 7},    {"sunday", 1},
                             {"monday", 2},   {"tuesday", 3},  {"wednesday", 4}, {"thursday", 5},
                             {"friday", 6},   {"saturday", 7}};
  return table;
}

const WordMap& months() {
  static const WordMap table{
      {"janvier", 1},   {"janv", 1},      {"jan", 1},       {"january", 1},  {"fevrier", 2},
      {"fev", 2},       {"february", 2},  {"feb", 2},       {"mars", 3},     {"march", 3},
      {"mar", 3},       {"avril", 4},     {"avr", 4},       {"april", 4},    {"apr", 4},
      {"mai", 5},       {"may", 5},       {"juin", 6},      {"june", 6},     {"jun", 6},
      {"juillet", 7},   {"juil", 7},      {"july", 7},      {"jul", 7},      {"aout", 8},
      {"august", 8},    {"aug", 8},       {"septembre", 9}, {"sept", 9},     {"sep", 9},
      {"september", 9}, {"octobre", 10},  {"oct", 10},      {"october", 10}, {"novembre", 11},
      {"nov", 11},      {"november", 11}, {"decembre", 12}, {"dec", 12},     {"december", 12}};
  return table;
}

const WordMap& dayPart() {
  static const WordMap table{{"matin", 9},   {"midi", 12},      {"aprem", 14},   {"apresmidi", 14},
                             {"soir", 19},   {"soiree", 19},    {"nuit", 21},    {"morning", 9},
                             {"noon", 12},   {"afternoon", 14}, {"evening", 19}, {"night", 21},
                             {"tonight", 21}};
  return table;
}

const WordSet& locPreps() {
  static const WordSet set{"a", "au", "aux", "chez", "at", "in"};
  return set;
}
const WordSet& minWords() {
  static const WordSet set{"min", "mins", "minute", "minutes", "mn"};
  return set;
}
const WordSet& reminderWords() {
  static const WordSet set{"rappel", "rappelle", "rappels",  "alerte",    "alarme",
                           "alarm",  "remind",   "reminder", "reminders", "alert"};
  return set;
}
const WordSet& everyWords() {
  static const WordSet set{"tous", "toutes", "chaque", "every", "each"};
  return set;
}
const WordSet& andWords() {
  static const WordSet set{"et", "and"};
  return set;
}
const WordSet& withWords() {
  static const WordSet set{"avec", "with"};
  return set;
}
const WordSet& beforeWords() {
  static const WordSet set{"avant", "before"};
  return set;
}
const WordSet& inWords() {
  static const WordSet set{"dans", "in"};
  return set;
}
const WordSet& thisWords() {
  static const WordSet set{"ce", "cet", "cette", "this"};
  return set;
}
const WordSet& articleWords() {
  static const WordSet set{"les", "le", "la", "the"};
  return set;
}
const WordSet& dayUnits() {
  static const WordSet set{"jour", "jours", "day", "days"};
  return set;
}
const WordSet& weekUnits() {
  static const WordSet set{"semaine", "semaines", "week", "weeks"};
  return set;
}
const WordSet& monthUnits() {
  static const WordSet set{"mois", "month", "months"};
  return set;
}
const WordSet& yearUnits() {
  static const WordSet set{"an", "ans", "annee", "annees", "year", "years"};
  return set;
}

std::optional<int> numberWord(std::string_view word) {
  if (word == "deux") return 2;
  if (word == "trois") return 3;
  if (word == "quatre") return 4;
  return std::nullopt;
}

std::string norm(std::string_view s) {
  const std::string folded = text::fold(s);
  std::string out;
  out.reserve(folded.size());
  const auto length = static_cast<int32_t>(folded.size());
  for (int32_t i = 0; i < length;) {
    const int32_t begin = i;
    UChar32 cp;
    U8_NEXT(folded.data(), i, length, cp);
    if (cp >= 0 && (u_isalpha(cp) || u_isdigit(cp))) {
      out.append(folded, static_cast<size_t>(begin), static_cast<size_t>(i - begin));
    }
  }
  return out;
}

std::string cleanTime(std::string_view s) {
  static constexpr std::string_view edges = " ,.;:)(";
  const std::string folded = text::fold(s);
  const size_t begin = folded.find_first_not_of(edges);
  if (begin == std::string::npos) return {};
  return folded.substr(begin, folded.find_last_not_of(edges) - begin + 1);
}

std::optional<int> digits(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

namespace {

// "H:MM" or "H.MM" split at `separator`: digits, then exactly two digits of minutes, so that
// "1:1" in "point 1:1" is not a time.
std::optional<ClockTime> splitClock(std::string_view s, char separator) {
  const size_t at = s.find(separator);
  if (at == std::string_view::npos || s.size() - at != 3) return std::nullopt;
  const auto hour = digits(s.substr(0, at));
  const auto minute = digits(s.substr(at + 1));
  if (!hour || !minute || *minute >= 60) return std::nullopt;
  return ClockTime{*hour, *minute};
}

std::optional<ClockTime> parseMeridiem(std::string_view s) {
  const bool pm = s.ends_with("pm");
  s.remove_suffix(2);
  std::optional<ClockTime> time;
  if (s.find(':') != std::string_view::npos) {
    time = splitClock(s, ':');
  } else if (s.find('.') != std::string_view::npos) {
    time = splitClock(s, '.');
  } else if (auto hour = digits(s)) {
    time = ClockTime{*hour, 0};
  }
  if (!time || time->hour < 1 || time->hour > 12) return std::nullopt;
  if (time->hour == 12) time->hour = 0;  // 12am is midnight; 12pm gets its 12 back below
  if (pm) time->hour += 12;
  return time;
}

}  // namespace

std::optional<ClockTime> parseClock(std::string_view s) {
  const size_t h = s.find('h');
  if (h == std::string_view::npos || s.find('h', h + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  const auto hour = digits(s.substr(0, h));
  if (!hour || *hour > 23) return std::nullopt;
  const std::string_view rest = s.substr(h + 1);
  if (rest.empty()) return ClockTime{*hour, 0};
  const auto minute = rest.size() <= 2 ? digits(rest) : std::nullopt;
  if (!minute || *minute >= 60) return std::nullopt;
  return ClockTime{*hour, *minute};
}

std::optional<ClockTime> parseTime(std::string_view s) {
  if (s == "midi" || s == "noon") return ClockTime{12, 0};
  if (s == "minuit" || s == "midnight") return ClockTime{0, 0};
  if (s.ends_with("am") || s.ends_with("pm")) return parseMeridiem(s);
  if (auto clock = parseClock(s)) return clock;
  auto time = splitClock(s, ':');
  if (!time || time->hour >= 24) return std::nullopt;
  return time;
}

std::optional<int> parseMinSuffix(std::string_view s) {
  for (std::string_view suffix : {"minutes", "minute", "mins", "min", "mn"}) {
    if (s.ends_with(suffix)) return digits(s.substr(0, s.size() - suffix.size()));
  }
  return std::nullopt;
}

std::optional<int> dayNumber(std::string_view s) {
  if (auto n = digits(s)) return n;
  for (std::string_view suffix : {"st", "nd", "rd", "th"}) {
    if (s.ends_with(suffix)) return digits(s.substr(0, s.size() - suffix.size()));
  }
  return std::nullopt;
}

std::optional<NumericDate> numericDate(std::string_view s) {
  static constexpr std::string_view edges = " ,;)(";
  const size_t begin = s.find_first_not_of(edges);
  if (begin == std::string_view::npos) return std::nullopt;
  s = s.substr(begin, s.find_last_not_of(edges) - begin + 1);
  std::optional<int> parts[3];
  size_t count = 0, pos = 0;
  for (;;) {
    if (count == 3) return std::nullopt;
    const size_t cut = s.find_first_of("/-.", pos);
    parts[count++] = digits(s.substr(pos, cut == std::string_view::npos ? cut : cut - pos));
    if (!parts[count - 1]) return std::nullopt;
    if (cut == std::string_view::npos) break;
    pos = cut + 1;
  }
  if (count < 2) return std::nullopt;
  const int day = *parts[0], month = *parts[1];
  if (day < 1 || day > 31 || month < 1 || month > 12) return std::nullopt;
  NumericDate date{day, month, std::nullopt};
  if (count == 3) date.year = *parts[2] < 100 ? *parts[2] + 2000 : *parts[2];
  return date;
}

std::optional<int> weekday(std::string_view word) {
  const WordMap& table = weekdays();
  if (auto it = table.find(word); it != table.end()) return it->second;
  if (word.ends_with('s')) {
    if (auto it = table.find(word.substr(0, word.size() - 1)); it != table.end()) {
      return it->second;
    }
  }
  return std::nullopt;
}

bool isUntil(std::string_view word) {
  return word.starts_with("jusqu") || word == "until" || word == "till";
}

bool isStop(std::string_view typed) {
  const std::string word = norm(typed);
  const std::string clean = cleanTime(typed);
  return locPreps().contains(word) || dayWords().contains(word) || weekday(word) ||
         parseTime(clean) || parseMinSuffix(clean) || dayPart().contains(word) ||
         inWords().contains(word) || reminderWords().contains(word) ||
         everyWords().contains(word) || andWords().contains(word);
}

}  // namespace talewick::QuickParse
