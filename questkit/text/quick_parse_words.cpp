#include "text/quick_parse_words.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <initializer_list>
#include <span>
#include <unordered_map>
#include <utility>

#include "support/text.hpp"

namespace talewick::QuickParse {
namespace {

constexpr uint32_t bit(WordList list) { return 1u << static_cast<uint32_t>(list); }

// Words with a value, one table per kind of value.
using Valued = std::pair<std::string_view, int>;
constexpr Valued DAY_WORDS[]{{"aujourdhui", 0}, {"demain", 1}, {"apresdemain", 2}, {"today", 0},
                             {"tomorrow", 1},   {"tmrw", 1},   {"tmr", 1},         {"tonight", 0}};
constexpr Valued WEEKDAYS[]{{"dimanche", 1}, {"lundi", 2},    {"mardi", 3},     {"mercredi", 4},
                            {"jeudi", 5},    {"vendredi", 6}, {"samedi", 7},    {"sunday", 1},
                            {"monday", 2},   {"tuesday", 3},  {"wednesday", 4}, {"thursday", 5},
                            {"friday", 6},   {"saturday", 7}};
constexpr Valued MONTHS[]{
    {"janvier", 1},   {"janv", 1},      {"jan", 1},       {"january", 1},  {"fevrier", 2},
    {"fev", 2},       {"february", 2},  {"feb", 2},       {"mars", 3},     {"march", 3},
    {"mar", 3},       {"avril", 4},     {"avr", 4},       {"april", 4},    {"apr", 4},
    {"mai", 5},       {"may", 5},       {"juin", 6},      {"june", 6},     {"jun", 6},
    {"juillet", 7},   {"juil", 7},      {"july", 7},      {"jul", 7},      {"aout", 8},
    {"august", 8},    {"aug", 8},       {"septembre", 9}, {"sept", 9},     {"sep", 9},
    {"september", 9}, {"octobre", 10},  {"oct", 10},      {"october", 10}, {"novembre", 11},
    {"nov", 11},      {"november", 11}, {"decembre", 12}, {"dec", 12},     {"december", 12}};
constexpr Valued DAY_PARTS[]{{"matin", 9},   {"midi", 12},      {"aprem", 14},   {"apresmidi", 14},
                             {"soir", 19},   {"soiree", 19},    {"nuit", 21},    {"morning", 9},
                             {"noon", 12},   {"afternoon", 14}, {"evening", 19}, {"night", 21},
                             {"tonight", 21}};

// Every table in one map, so that a token is looked up once whatever the recognisers ask.
using MeaningTable = std::unordered_map<std::string_view, WordMeaning>;

MeaningTable buildMeanings() {
  MeaningTable table;
  const auto values = [&](std::optional<int> WordMeaning::*field, std::span<const Valued> words) {
    for (const auto& [word, value] : words) table[word].*field = value;
  };
  const auto list = [&](WordList which, std::initializer_list<std::string_view> words) {
    for (std::string_view word : words) table[word].lists |= bit(which);
  };
  values(&WordMeaning::dayOffset, DAY_WORDS);
  values(&WordMeaning::weekday, WEEKDAYS);
  values(&WordMeaning::month, MONTHS);
  values(&WordMeaning::dayPartHour, DAY_PARTS);
  list(WordList::locPrep, {"a", "au", "aux", "chez", "at", "in"});
  list(WordList::minUnit, {"min", "mins", "minute", "minutes", "mn"});
  list(WordList::reminder, {"rappel", "rappelle", "rappels", "alerte", "alarme", "alarm", "remind",
                            "reminder", "reminders", "alert"});
  list(WordList::every, {"tous", "toutes", "chaque", "every", "each"});
  list(WordList::andWord, {"et", "and"});
  list(WordList::withWord, {"avec", "with"});
  list(WordList::before, {"avant", "before"});
  list(WordList::inWord, {"dans", "in"});
  list(WordList::thisWord, {"ce", "cet", "cette", "this"});
  list(WordList::article, {"les", "le", "la", "the"});
  list(WordList::dayUnit, {"jour", "jours", "day", "days"});
  list(WordList::weekUnit, {"semaine", "semaines", "week", "weeks"});
  list(WordList::monthUnit, {"mois", "month", "months"});
  list(WordList::yearUnit, {"an", "ans", "annee", "annees", "year", "years"});
  // Not "a": "à" and the English article fold to it, and "a" before a recognised word is too
  // often the start of a title ("A 15min break").
  list(WordList::linking,
       {"de",  "du", "des",  "le",  "la",   "les",    "au",  "aux", "pour", "pendant",
        "et",  "ou", "en",   "sur", "vers", "dans",   "for", "on",  "at",   "the",
        "and", "or", "from", "to",  "of",   "during", "in",  "by"});
  return table;
}

// The lists whose words end names and places (isStop); the values that do are checked apart.
constexpr uint32_t STOP_LISTS = bit(WordList::locPrep) | bit(WordList::inWord) |
                                bit(WordList::reminder) | bit(WordList::every) |
                                bit(WordList::andWord);

constexpr std::string_view TIME_EDGES = " ,.;:)(";
constexpr std::string_view DATE_EDGES = " ,;)(";
constexpr std::string_view DATE_SEPARATORS = "/-.";

bool isAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// Among ASCII characters, ICU's letters and digits are exactly these.
bool isAsciiLetterOrDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'z'); }

bool isAmong(char c, std::string_view chars) {
  for (char one : chars) {
    if (one == c) return true;
  }
  return false;
}

// norm of a text already folded.
std::string lettersAndDigits(std::string_view folded) {
  std::string out;
  out.reserve(folded.size());
  const auto length = static_cast<int32_t>(folded.size());
  for (int32_t i = 0; i < length;) {
    if (static_cast<unsigned char>(folded[i]) < 0x80) {
      if (isAsciiLetterOrDigit(folded[i])) out += folded[i];
      ++i;
      continue;
    }
    const int32_t begin = i;
    UChar32 cp;
    U8_NEXT(folded.data(), i, length, cp);
    if (cp >= 0 && (u_isalpha(cp) || u_isdigit(cp))) {
      out.append(folded, static_cast<size_t>(begin), static_cast<size_t>(i - begin));
    }
  }
  return out;
}

// The word's weekday when its meaning is known: "lundis" is looked up as "lundi".
std::optional<int> weekdayOf(std::string_view word, const WordMeaning& meaning) {
  if (meaning.weekday) return meaning.weekday;
  if (word.ends_with('s')) return meaningOf(word.substr(0, word.size() - 1)).weekday;
  return std::nullopt;
}

}  // namespace

// Every token is trimmed: a loop of our own is faster
// than find_first_not_of, which searches `edges` with memchr for each character.
std::string_view trimmed(std::string_view s, std::string_view edges) {
  while (!s.empty() && isAmong(s.front(), edges)) s.remove_prefix(1);
  while (!s.empty() && isAmong(s.back(), edges)) s.remove_suffix(1);
  return s;
}

const WordMeaning& meaningOf(std::string_view word) {
  static const MeaningTable table = buildMeanings();
  static const WordMeaning none;
  const auto it = table.find(word);
  return it == table.end() ? none : it->second;
}

std::optional<int> numberWord(std::string_view word) {
  if (word == "deux") return 2;
  if (word == "trois") return 3;
  if (word == "quatre") return 4;
  return std::nullopt;
}

std::string norm(std::string_view s) { return lettersAndDigits(text::fold(s)); }

std::string cleanTime(std::string_view s) {
  return std::string(trimmed(text::fold(s), TIME_EDGES));
}

void readToken(std::string_view typed, Reading& token) {
  if (isAscii(typed)) {
    // Folding ASCII only lower-cases it: both forms come straight from the typed text.
    token.word.reserve(typed.size());
    for (char c : typed) {
      if (isAsciiLetterOrDigit(asciiLower(c))) token.word += asciiLower(c);
    }
    token.clean = trimmed(typed, TIME_EDGES);
    for (char& c : token.clean) c = asciiLower(c);
  } else {
    const std::string folded = text::fold(typed);
    token.word = lettersAndDigits(folded);
    token.clean = trimmed(folded, TIME_EDGES);
  }
  token.meaning = &meaningOf(token.word);
  token.weekday = weekdayOf(token.word, *token.meaning);
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
  if (s.empty() || !isDigit(s.front())) return std::nullopt;  // most words: no hour to read
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
  // Every other form starts with the hour's digits; most words are no time at all.
  if (s.empty() || !isDigit(s.front())) return std::nullopt;
  if (s.ends_with("am") || s.ends_with("pm")) return parseMeridiem(s);
  if (auto clock = parseClock(s)) return clock;
  auto time = splitClock(s, ':');
  if (!time || time->hour >= 24) return std::nullopt;
  return time;
}

std::optional<int> parseMinSuffix(std::string_view s) {
  if (s.empty() || !isDigit(s.front())) return std::nullopt;  // no number before any suffix
  for (std::string_view suffix : {"minutes", "minute", "mins", "min", "mn"}) {
    if (s.ends_with(suffix)) return digits(s.substr(0, s.size() - suffix.size()));
  }
  return std::nullopt;
}

std::optional<int> dayNumber(std::string_view s) {
  if (s.empty() || !isDigit(s.front())) return std::nullopt;  // no number with or without suffix
  if (auto n = digits(s)) return n;
  for (std::string_view suffix : {"st", "nd", "rd", "th"}) {
    if (s.ends_with(suffix)) return digits(s.substr(0, s.size() - suffix.size()));
  }
  return std::nullopt;
}

std::optional<NumericDate> numericDate(std::string_view s) {
  s = trimmed(s, DATE_EDGES);
  if (s.empty() || !isDigit(s.front())) return std::nullopt;  // no day to read
  std::optional<int> parts[3];
  size_t count = 0, pos = 0;
  for (;;) {
    if (count == 3) return std::nullopt;
    size_t cut = pos;
    while (cut < s.size() && !isAmong(s[cut], DATE_SEPARATORS)) ++cut;
    parts[count++] = digits(s.substr(pos, cut - pos));
    if (!parts[count - 1]) return std::nullopt;
    if (cut == s.size()) break;
    pos = cut + 1;
  }
  if (count < 2) return std::nullopt;
  const int day = *parts[0], month = *parts[1];
  if (day < 1 || day > 31 || month < 1 || month > 12) return std::nullopt;
  NumericDate date{day, month, std::nullopt};
  if (count == 3) date.year = *parts[2] < 100 ? *parts[2] + 2000 : *parts[2];
  return date;
}

std::optional<int> weekday(std::string_view word) { return weekdayOf(word, meaningOf(word)); }

bool isUntil(std::string_view word) {
  return word.starts_with("jusqu") || word == "until" || word == "till";
}

bool isStop(std::string_view typed) {
  Reading token;
  readToken(typed, token);
  return isStop(token);
}

bool isStop(const Reading& token) {
  const WordMeaning& meaning = *token.meaning;
  return (meaning.lists & STOP_LISTS) != 0 || meaning.dayOffset || meaning.dayPartHour ||
         token.weekday || parseTime(token.clean) || parseMinSuffix(token.clean);
}

}  // namespace talewick::QuickParse
