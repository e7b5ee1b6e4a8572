// The words quick-add understands, and the readers of single words (clock times, amounts, day
// numbers, numeric dates). Tables hold normalised words (see norm): lower case, no accents,
// letters and digits only. They are built on first use and never change.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talewick::QuickParse {

// The word lists a recogniser may ask about.
enum class WordList : uint32_t {
  locPrep,    // "à", "chez", "at"
  minUnit,    // "min", "minutes"
  reminder,   // "rappel", "remind"
  every,      // "tous", "chaque", "every"
  andWord,    // "et", "and"
  withWord,   // "avec", "with"
  before,     // "avant", "before"
  inWord,     // "dans", "in"
  thisWord,   // "ce", "cette", "this"
  article,    // "les", "le", "la", "the"
  dayUnit,    // "jour", "days"
  weekUnit,   // "semaine", "weeks"
  monthUnit,  // "mois", "months"
  yearUnit,   // "an", "years"
  linking,    // "de", "pour", "for", "on": words that only link others
};

// Everything the tables say about one normalised word. A line is read by a dozen recognisers,
// each asking about the same tokens: one look-up per token answers all of them.
struct WordMeaning {
  uint32_t lists = 0;              // a bit per WordList
  std::optional<int> dayOffset;    // "demain" 1
  std::optional<int> weekday;      // the word itself, no plural: 1 Sunday … 7 Saturday
  std::optional<int> month;        // 1…12, abbreviations included
  std::optional<int> dayPartHour;  // "soir" 19

  bool in(WordList list) const { return (lists >> static_cast<uint32_t>(list)) & 1u; }
};

// The meaning of a normalised word; a word of no table has an empty one.
const WordMeaning& meaningOf(std::string_view word);

// A piece of each web meeting host, enough to tell a meeting link among typed words.
inline constexpr std::array<std::string_view, 6> MEETING_HOST_FRAGMENTS{
    "zoom.", "meet.google", "teams.", "webex.", "whereby.", "jit.si"};
inline constexpr std::string_view MEETING_PREFIX = "facetime";
inline constexpr std::array<std::string_view, 2> NOTE_MARKERS{"note", "notes"};
// "rappel moi 10 min avant": who is reminded does not matter.
inline constexpr std::array<std::string_view, 4> SELF_WORDS{"me", "moi", "us", "nous"};
// "de 14h", "à 9h", "at 5pm".
inline constexpr std::array<std::string_view, 3> TIME_LEADS{"de", "a", "at"};
// "14h à 16h", "2pm to 4pm".
inline constexpr std::array<std::string_view, 4> RANGE_CONNECTORS{"a", "to", "till", "until"};
// "une semaine sur deux".
inline constexpr std::array<std::string_view, 2> ALTERNATE_ONE{"un", "une"};
inline constexpr std::string_view ALTERNATE_OUT_OF = "sur";
inline constexpr std::string_view OTHER = "other";
// "le 12", "du 3".
inline constexpr std::array<std::string_view, 2> DAY_NUMBER_LEADS{"le", "du"};

template <size_t N>
bool isOneOf(std::string_view word, const std::array<std::string_view, N>& words) {
  for (std::string_view w : words) {
    if (w == word) return true;
  }
  return false;
}

// "deux" 2, "trois" 3, "quatre" 4; nullopt for any other word.
std::optional<int> numberWord(std::string_view word);

struct ClockTime {
  int hour = 0, minute = 0;
  bool operator==(const ClockTime&) const = default;
};

struct NumericDate {
  int day = 1, month = 1;
  std::optional<int> year;
  bool operator==(const NumericDate&) const = default;
};

// `s` without any of `edges` at either end.
std::string_view trimmed(std::string_view s, std::string_view edges);

// Diacritics folded, lower-cased, only letters and digits kept: "Aujourd'hui" → "aujourdhui",
// "après-midi" → "apresmidi".
std::string norm(std::string_view s);

// Diacritics folded, lower-cased, trimmed of " ,.;:)(" at both ends: "(14h30)," → "14h30".
std::string cleanTime(std::string_view s);

// A typed token read once for every recogniser: both forms (folded once for both), what the
// tables say about its word, and the weekday it names.
struct Reading {
  std::string word;                      // norm: what the tables are looked up with
  std::string clean;                     // cleanTime: what numbers and clock times are read from
  const WordMeaning* meaning = nullptr;  // never null once read
  std::optional<int> weekday;            // plurals included
};
// Reads `typed` into a fresh `token`, in place: a line's tokens are read where they are kept.
void readToken(std::string_view typed, Reading& token);

// A value of at most nine ASCII digits and nothing else; nullopt otherwise (so no amount can
// overflow).
std::optional<int> digits(std::string_view s);

// "14h", "14h30", "9h05": hours 0…23 before the "h", nothing or one or two digits of minutes
// (below 60) after it.
std::optional<ClockTime> parseClock(std::string_view s);

// Clock times as people type them: "midi", "noon", "minuit", "midnight", "2pm", "11:30am",
// "12am" (0:00), parseClock's "14h30", and "14:30". Minutes after ":" or "." take two digits.
// A bare number is not a time.
std::optional<ClockTime> parseTime(std::string_view s);

// "15min", "30mn", "45minutes": the number before the first of "minutes", "minute", "mins",
// "min", "mn" that ends the word.
std::optional<int> parseMinSuffix(std::string_view s);

// "14", "1st", "22nd", "3rd", "14th"; the caller checks the 1…31 range.
std::optional<int> dayNumber(std::string_view s);

// "12/03", "12-03-2025", "1.4.26" (two-digit years are this century's), trimmed of " ,;)(".
std::optional<NumericDate> numericDate(std::string_view s);

// A weekday word, plurals included ("lundis", "mondays").
std::optional<int> weekday(std::string_view word);

// "jusqu'au…" (normalised "jusquau"), "until", "till".
bool isUntil(std::string_view word);

// Whether a typed token ends a list of names or of place words: a place preposition, a day word,
// a weekday, a clock time, a minute amount, a part of the day, an "in" word, a reminder word, an
// "every" word or an "and" word.
bool isStop(std::string_view typed);
bool isStop(const Reading& token);

}  // namespace talewick::QuickParse
