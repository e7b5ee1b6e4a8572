#include "text/quick_parse.hpp"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "text/meeting_detector.hpp"

namespace talewick {

namespace QuickParse {
namespace {

using Kind = ParsedSpan::Kind;

// Beyond a century, "dans 999 semaines" is a typing accident, not a date.
constexpr int64_t MAX_DAY_OFFSET = 36'600;

// A leap year: a day written without its year exists if this one has it.
constexpr int SOME_LEAP_YEAR = 2000;

// Whether the month has that day: in `year` when known, else in some year (29 February is a day).
// A calendar would roll "31/04" over to 1 May; nobody who typed it meant that.
bool dayExists(int day, int month, std::optional<int> year) {
  return day >= 1 && month >= 1 && month <= 12 &&
         day <= daysInMonth(year.value_or(SOME_LEAP_YEAR), month);
}

// The year of a day written without one: this year, or the next once the day has passed, or for
// 29 February the first leap year from then. Local days follow one another: one starts before
// another exactly when its date comes first, so dates are compared without the calendar.
int yearFor(int day, int month, std::optional<int> year, const LocalCalendar::Fields& today) {
  if (year) return *year;
  int candidate = today.year;
  if (std::tie(month, day) < std::tie(today.month, today.day)) ++candidate;
  while (day > daysInMonth(candidate, month) && candidate < today.year + 8) ++candidate;
  return candidate;
}

// Seconds from 1970 (some 31,000 years) within which daysLater may skip the calendar; it clamps
// instants far beyond, its own way.
constexpr double PLAIN_ARITHMETIC_LIMIT = 1e12;

// The local fields `days` days after `now` (whose fields are `today`), as from
// LocalCalendar::addingDays. That one moves the instant by whole days and corrects it only if the
// wall-clock time came out different. Usually it comes out the same, and then the moved instant
// is the answer, read without the calendar's costly arithmetic.
LocalCalendar::Fields daysLater(Date now, const LocalCalendar::Fields& today, int days) {
  // In milliseconds, as the calendar counts, so that the instant is the same to the last bit.
  const double unixMillis = now.unix() * 1000.0 + static_cast<double>(days) * 86'400'000.0;
  if (std::fabs(unixMillis) < PLAIN_ARITHMETIC_LIMIT * 1000.0) {
    const LocalCalendar::Fields later = LocalCalendar::fields(Date::fromUnix(unixMillis / 1000.0));
    if (std::tie(later.hour, later.minute, later.second) ==
        std::tie(today.hour, today.minute, today.second)) {
      return later;
    }
  }
  return LocalCalendar::fields(LocalCalendar::addingDays(now, days));
}

std::optional<int> dayInMonthRange(std::string_view clean) {
  const auto day = dayNumber(clean);
  if (!day || *day < 1 || *day > 31) return std::nullopt;
  return day;
}

std::string join(const std::vector<std::string_view>& words) {
  std::string out;
  for (std::string_view word : words) {
    if (!out.empty()) out += ' ';
    out.append(word);
  }
  return out;
}

// "Paul, Marie & Léa et Jean" → Paul | Marie | Léa | Jean. The joining words are matched
// whatever their case, as the recogniser that kept them did.
std::vector<std::string> splitNames(const std::string& joined) {
  std::string lowered = joined;
  for (char& c : lowered) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  constexpr char CUT = '\x1f';
  std::string cut;
  for (size_t i = 0; i < joined.size();) {
    if (joined[i] == ',' || joined[i] == '&') {
      cut += CUT;
      ++i;
    } else if (lowered.compare(i, 4, " et ") == 0 || lowered.compare(i, 5, " and ") == 0) {
      cut += CUT;  // the space after the word stays, so "et et" splits twice
      i += lowered[i + 1] == 'e' ? 3 : 4;
    } else {
      cut += joined[i++];
    }
  }
  std::vector<std::string> names;
  size_t pos = 0;
  for (;;) {
    const size_t end = cut.find(CUT, pos);
    const auto piece =
        text::trim(std::string_view(cut).substr(pos, end == std::string::npos ? end : end - pos));
    if (!piece.empty()) names.emplace_back(piece);
    if (end == std::string::npos) return names;
    pos = end + 1;
  }
}

// A typed word and its reading (word, clean, meaning, weekday), made once for every step.
struct Token : Reading {
  std::string_view typed;  // within the parsed text, which outlives the parse
  TextRange range;
  bool used = false;
  std::optional<Kind> kind;
};

void addToken(std::vector<Token>& tokens, std::string_view typed, TextRange range) {
  Token& token = tokens.emplace_back();
  readToken(typed, token);
  token.typed = typed;
  token.range = range;
}

// UTF-16 code units of a typed word, counted while decoding it rather than by converting it. A
// malformed word is left to ICU, which decides how many replacement characters it holds.
int64_t utf16Units(std::string_view s) {
  int64_t units = 0;
  const auto length = static_cast<int32_t>(s.size());
  for (int32_t i = 0; i < length;) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++units;
      ++i;
      continue;
    }
    UChar32 cp;
    U8_NEXT(s.data(), i, length, cp);
    if (cp < 0) return text::utf16Length(s);
    units += U16_LENGTH(cp);
  }
  return units;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

size_t countTokens(std::string_view line) {
  size_t count = 0;
  bool inToken = false;
  for (char c : line) {
    if (!isBlank(c) && !inToken) ++count;
    inToken = !isBlank(c);
  }
  return count;
}

// Tokens of the first line; its offsets are those of the whole input, which starts with it.
std::vector<Token> tokenize(std::string_view line) {
  std::vector<Token> tokens;
  tokens.reserve(countTokens(line));  // tokens are large: growing the vector would move them
  int64_t offset = 0;
  for (size_t i = 0; i < line.size();) {
    if (isBlank(line[i])) {
      ++offset;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < line.size() && !isBlank(line[end])) ++end;
    const std::string_view typed = line.substr(i, end - i);
    addToken(tokens, typed, TextRange{offset, utf16Units(typed)});
    offset += tokens.back().range.length;
    i = end;
  }
  return tokens;
}

// A date written from `tokens[start]` on; see parseDateTokens.
std::optional<TokenDate> readDate(std::span<const Token> tokens, size_t start,
                                  const LocalCalendar::Fields& today) {
  if (start >= tokens.size()) return std::nullopt;
  if (auto numeric = numericDate(tokens[start].typed)) {
    if (!dayExists(numeric->day, numeric->month, numeric->year)) return std::nullopt;
    return TokenDate{yearFor(numeric->day, numeric->month, numeric->year, today), numeric->month,
                     numeric->day, 1};
  }
  auto dayAt = [&](size_t i) {
    return i < tokens.size() ? dayInMonthRange(tokens[i].clean) : std::nullopt;
  };
  auto monthAt = [&](size_t i) {
    return i < tokens.size() ? tokens[i].meaning->month : std::nullopt;
  };
  std::optional<int> day = dayAt(start), month = monthAt(start + 1);
  if (!day || !month) {
    month = monthAt(start);
    day = dayAt(start + 1);
  }
  if (!day || !month) return std::nullopt;
  std::optional<int> year;
  size_t length = 2;
  if (start + 2 < tokens.size()) {
    const std::string& clean = tokens[start + 2].clean;
    if (clean.size() == 4 && (year = digits(clean))) length = 3;
  }
  if (!dayExists(*day, *month, year)) return std::nullopt;
  return TokenDate{yearFor(*day, *month, year, today), *month, *day, length};
}

// One parse: the tokens, what the recognisers found so far, and the steps in the order they run.
// "Followed by" in a step means the very next token, which must still be free.
class Parser {
 public:
  Parser(std::vector<Token> tokens, Date now) : t_(std::move(tokens)), now_(now) {}

  std::optional<ParsedEvent> run(std::string_view text, std::string_view trailingNote) {
    takeMeetingLink(text);
    takeInlineNote(trailingNote);
    takeCalendarHint();
    takeReminder();
    takeRepetitionEnd();
    takeNumericDate();
    if (!day_) takeMonthNameDate();
    if (day_) {
      takeDateLead();
    } else {
      takeDayNumber();
    }
    takeClockTime();
    takeDuration();
    takeEvery();
    if (!recurrence_) takeAlternatePeriod();
    takeRelativeDay();
    takeThisPartOfDay();
    takeDayWords();
    takePartOfDay();
    takeNotePhrase();
    takeAttendees();
    takePlace();
    if (!day_ && !dayOffset_ && !weekday_ && !clock_ && !partHour_) return std::nullopt;
    takeLinkingWords();
    return draft();
  }

 private:
  bool isFree(size_t i) const { return i < t_.size() && !t_[i].used; }
  bool in(size_t i, WordList list) const { return t_[i].meaning->in(list); }
  bool freeIn(size_t i, WordList list) const { return isFree(i) && in(i, list); }
  bool freeIs(size_t i, std::string_view word) const { return isFree(i) && t_[i].word == word; }

  void mark(size_t i, Kind kind) {
    t_[i].used = true;
    t_[i].kind = kind;
  }
  void mark(size_t first, size_t last, Kind kind) {
    for (size_t i = first; i <= last; ++i) mark(i, kind);
  }

  std::optional<size_t> nextFree(size_t after) const {
    for (size_t i = after + 1; i < t_.size(); ++i) {
      if (!t_[i].used) return i;
    }
    return std::nullopt;
  }

  void setDayOffset(int64_t days) {
    if (!dayOffset_) dayOffset_ = days;
  }
  void setPartHour(int hour) {
    if (!partHour_) partHour_ = hour;
  }

  // Read once, and only by a sentence that needs today's date before its start.
  const LocalCalendar::Fields& today() const {
    if (!today_) today_ = LocalCalendar::fields(now_);
    return *today_;
  }

  // Impossible words are rare: what notes them stays out of the way of the usual path.
  [[gnu::cold]] std::string typedWords(size_t first, size_t last) const {
    std::vector<std::string_view> words;
    for (size_t i = first; i <= last; ++i) words.push_back(t_[i].typed);
    return join(words);
  }
  [[gnu::cold]] void noteImpossibleDate(size_t first, size_t last) {
    if (!impossibleDate_) impossibleDate_ = typedWords(first, last);
  }

  void takeMeetingLink(std::string_view text) {
    if (auto link = MeetingDetector::detect(text)) meetingURL_ = link->url;
    for (size_t i = 0; i < t_.size(); ++i) {
      // Lower-casing changes no ":" or "/": only words with "://" are worth lower-casing.
      if (!isFree(i) || t_[i].typed.find("://") == std::string_view::npos) continue;
      const std::string lowered = text::lower(t_[i].typed);
      const bool host = std::any_of(
          MEETING_HOST_FRAGMENTS.begin(), MEETING_HOST_FRAGMENTS.end(),
          [&](std::string_view fragment) { return lowered.find(fragment) != std::string::npos; });
      if (host || lowered.starts_with(MEETING_PREFIX)) mark(i, Kind::meeting);
    }
  }

  // "note" and every free word after it; the lines after the first one come after them.
  void takeInlineNote(std::string_view trailingNote) {
    std::vector<std::string_view> words;
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i) || !isOneOf(t_[i].word, NOTE_MARKERS)) continue;
      mark(i, Kind::note);
      for (auto j = nextFree(i); j; j = nextFree(*j)) {
        words.push_back(t_[*j].typed);
        mark(*j, Kind::note);
      }
      break;
    }
    notes_ = std::string(trimmed(join(words), " "));
    addNote(trailingNote);
  }

  void addNote(std::string_view note) {
    if (note.empty()) return;
    if (!notes_.empty()) notes_ += '\n';
    notes_.append(note);
  }

  void takeCalendarHint() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (isFree(i) && t_[i].typed.starts_with('/') && t_[i].typed.size() > 1) {
        calendarHint_ = std::string(t_[i].typed.substr(1));
        mark(i, Kind::calendar);
        return;
      }
    }
  }

  // "rappel 15 min avant", "rappel moi 1h avant", "alert 30min".
  void takeReminder() {
    size_t i = 0;
    while (i < t_.size() && !freeIn(i, WordList::reminder)) ++i;
    if (i == t_.size()) return;
    mark(i, Kind::reminder);
    auto j = nextFree(i);
    while (j && isOneOf(t_[*j].word, SELF_WORDS)) {
      mark(*j, Kind::reminder);
      j = nextFree(*j);
    }
    if (j) {
      const std::string& clean = t_[*j].clean;
      std::optional<int> amount = parseMinSuffix(clean);
      std::optional<size_t> unit;
      if (auto clock = parseClock(clean)) {
        amount = clock->hour * 60 + clock->minute;
      } else if (!amount && (amount = digits(clean))) {
        if (auto k = nextFree(*j); k && in(*k, WordList::minUnit)) unit = k;
      }
      if (amount) {
        mark(*j, Kind::reminder);
        if (unit) mark(*unit, Kind::reminder);
        reminderMinutes_ = *amount;
        j = nextFree(unit.value_or(*j));
      }
    }
    if (j && in(*j, WordList::before)) mark(*j, Kind::reminder);
  }

  // "jusqu'au 30/06", "until the 30th june 2026".
  void takeRepetitionEnd() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i) || !isUntil(t_[i].word)) continue;
      const size_t start = freeIn(i + 1, WordList::article) ? i + 2 : i + 1;
      const auto date = readDate(t_, start, today());
      if (!date) continue;
      const size_t last = start + date->length - 1;
      bool free = true;
      for (size_t k = start; k <= last; ++k) free = free && isFree(k);
      if (!free) continue;
      until_ = LocalCalendar::dateFrom(CivilTime{date->year, date->month, date->day, 23, 59, 59});
      mark(i, last, Kind::recurrence);
      return;
    }
  }

  void takeNumericDate() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i)) continue;
      if (auto date = numericDate(t_[i].typed)) {
        if (!dayExists(date->day, date->month, date->year)) {
          noteImpossibleDate(i, i);
          continue;
        }
        day_ = ExplicitDay{date->day, date->month, date->year};
        dayFirst_ = i;
        mark(i, Kind::date);
        return;
      }
    }
  }

  // "12 mars", "mars 12", "march 3rd 2026".
  void takeMonthNameDate() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i)) continue;
      const auto month = t_[i].meaning->month;
      if (!month) continue;
      auto dayAt = [&](size_t k) {
        return isFree(k) ? dayInMonthRange(t_[k].clean) : std::nullopt;
      };
      size_t dayIndex = i + 1;
      auto day = i > 0 ? dayAt(i - 1) : std::nullopt;
      if (day) {
        dayIndex = i - 1;
      } else if (!(day = dayAt(i + 1))) {
        continue;
      }
      const size_t first = std::min(i, dayIndex), yearIndex = std::max(i, dayIndex) + 1;
      std::optional<int> year;
      if (isFree(yearIndex) && t_[yearIndex].clean.size() == 4) year = digits(t_[yearIndex].clean);
      const size_t last = year ? yearIndex : yearIndex - 1;
      if (!dayExists(*day, *month, year)) {
        noteImpossibleDate(first, last);
        continue;
      }
      day_ = ExplicitDay{*day, *month, year};
      dayFirst_ = first;
      mark(first, last, Kind::date);
      return;
    }
  }

  // The "le" of "Dîner le 12 mars" belongs to the date the steps above found, not to the title.
  void takeDateLead() {
    const size_t lead = dayFirst_ - 1;
    if (dayFirst_ > 0 && isFree(lead) && isOneOf(t_[lead].word, DAY_NUMBER_LEADS)) {
      mark(lead, Kind::date);
    }
  }

  // "le 12", "du 3 mai".
  void takeDayNumber() {
    for (size_t i = 0; i + 1 < t_.size(); ++i) {
      if (!isFree(i) || !isOneOf(t_[i].word, DAY_NUMBER_LEADS) || !isFree(i + 1)) continue;
      const auto day = dayInMonthRange(t_[i + 1].clean);
      if (!day) continue;
      const auto month = isFree(i + 2) ? t_[i + 2].meaning->month : std::nullopt;
      // Without a month, the day is this month's.
      if (!dayExists(*day, month.value_or(today().month), std::nullopt)) {
        noteImpossibleDate(i, month ? i + 2 : i + 1);
        continue;
      }
      day_ = ExplicitDay{*day, month, std::nullopt};
      mark(i, month ? i + 2 : i + 1, Kind::date);
      return;
    }
  }

  // "14h", "9h30-10h15", "2 pm", "de 14h à 16h", "2pm to 4pm".
  void takeClockTime() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i)) continue;
      const std::string& clean = t_[i].clean;
      std::optional<ClockTime> start, end;
      size_t last = i;
      if (const size_t dash = clean.find('-'); dash != std::string::npos) {
        start = parseTime(std::string_view(clean).substr(0, dash));
        end = parseTime(std::string_view(clean).substr(dash + 1));
        if (!start || !end) start = end = std::nullopt;
      }
      if (!start) start = parseTime(clean);
      if (!start && (freeIs(i + 1, "am") || freeIs(i + 1, "pm"))) {
        if ((start = parseTime(clean + t_[i + 1].word))) last = i + 1;
      }
      if (!start) continue;
      mark(i, last, Kind::time);
      if (i > 0 && isFree(i - 1) && isOneOf(t_[i - 1].word, TIME_LEADS)) mark(i - 1, Kind::time);
      if (!end) {
        const auto connector = nextFree(last);
        if (connector && isOneOf(t_[*connector].word, RANGE_CONNECTORS) && isFree(*connector + 1)) {
          if ((end = parseTime(t_[*connector + 1].clean))) {
            mark(*connector, *connector + 1, Kind::time);
          }
        }
      }
      clock_ = start;
      end_ = end;
      return;
    }
  }

  // From the end time, else "45min", "1h30", "30 min"; an hour when nothing says.
  void takeDuration() {
    if (clock_ && end_) {
      int64_t minutes = (end_->hour * 60 + end_->minute) - (clock_->hour * 60 + clock_->minute);
      durationMin_ = minutes <= 0 ? minutes + 1440 : minutes;
      return;
    }
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i)) continue;
      const std::string& clean = t_[i].clean;
      std::optional<int> amount = parseMinSuffix(clean);
      size_t last = i;
      if (!amount) {
        if (auto clock = parseClock(clean)) amount = clock->hour * 60 + clock->minute;
      }
      if (!amount && freeIn(i + 1, WordList::minUnit)) {
        if ((amount = digits(clean))) last = i + 1;
      }
      if (!amount) continue;
      durationMin_ = *amount;
      mark(i, last, Kind::duration);
      return;
    }
  }

  // "tous les lundis et jeudis", "every other week", "chaque 2 mois".
  void takeEvery() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!freeIn(i, WordList::every)) continue;
      ParsedRecurrence rule;
      size_t j = i + 1;
      if (freeIn(j, WordList::article)) ++j;
      if (freeIs(j, OTHER)) {
        rule.interval = 2;
        ++j;
      }
      if (isFree(j)) {
        if (auto n = digits(t_[j].clean)) {
          rule.interval = *n;
          ++j;
        }
      }
      if (auto day = isFree(j) ? t_[j].weekday : std::nullopt) {
        rule.frequency = ParsedRecurrence::Frequency::weekly;
        rule.weekdays.push_back(*day);
        while (freeIn(j + 1, WordList::andWord) && isFree(j + 2) && t_[j + 2].weekday) {
          rule.weekdays.push_back(*t_[j + 2].weekday);
          j += 2;
        }
      } else if (auto frequency = unitFrequency(j)) {
        rule.frequency = *frequency;
      } else {
        continue;  // "tous ensemble": no repetition after all
      }
      if (rule.interval < 1) {  // "toutes les 0 semaines"
        noteImpossibleRecurrence(i, j);
        continue;
      }
      rule.until = until_;
      recurrence_ = rule;
      mark(i, j, Kind::recurrence);
      return;
    }
  }

  [[gnu::cold]] void noteImpossibleRecurrence(size_t first, size_t last) {
    if (!impossibleRecurrence_) impossibleRecurrence_ = typedWords(first, last);
  }

  std::optional<ParsedRecurrence::Frequency> unitFrequency(size_t i) const {
    using F = ParsedRecurrence::Frequency;
    if (freeIn(i, WordList::dayUnit)) return F::daily;
    if (freeIn(i, WordList::weekUnit)) return F::weekly;
    if (freeIn(i, WordList::monthUnit)) return F::monthly;
    if (freeIn(i, WordList::yearUnit)) return F::yearly;
    return std::nullopt;
  }

  // "une semaine sur deux", "un lundi sur 3".
  void takeAlternatePeriod() {
    using F = ParsedRecurrence::Frequency;
    for (size_t i = 0; i + 3 < t_.size(); ++i) {
      if (!isFree(i) || !isOneOf(t_[i].word, ALTERNATE_ONE) || !isFree(i + 1) ||
          !freeIs(i + 2, ALTERNATE_OUT_OF) || !isFree(i + 3)) {
        continue;
      }
      auto number = numberWord(t_[i + 3].word);
      if (!number) number = digits(t_[i + 3].clean);
      if (!number) continue;
      ParsedRecurrence rule;
      const std::string_view unit = t_[i + 1].word;
      if (unit == "jour" || unit == "jours") {
        rule.frequency = F::daily;
      } else if (unit == "semaine" || unit == "semaines") {
        rule.frequency = F::weekly;
      } else if (unit == "mois") {
        rule.frequency = F::monthly;
      } else if (auto day = t_[i + 1].weekday) {
        rule.frequency = F::weekly;
        rule.weekdays.push_back(*day);
      } else {
        continue;
      }
      if (*number < 1) {  // "une semaine sur 0"
        noteImpossibleRecurrence(i, i + 3);
        continue;
      }
      rule.interval = *number;
      rule.until = until_;
      recurrence_ = rule;
      mark(i, i + 3, Kind::recurrence);
      return;
    }
  }

  // "dans 3 jours", "in 2 weeks".
  void takeRelativeDay() {
    for (size_t i = 0; i + 2 < t_.size(); ++i) {
      if (!freeIn(i, WordList::inWord) || !isFree(i + 1)) continue;
      const auto n = digits(t_[i + 1].clean);
      if (!n) continue;
      int64_t days = 0;
      if (freeIn(i + 2, WordList::dayUnit)) {
        days = *n;
      } else if (freeIn(i + 2, WordList::weekUnit)) {
        days = 7 * static_cast<int64_t>(*n);
      } else {
        continue;
      }
      if (days > MAX_DAY_OFFSET) continue;
      setDayOffset(days);
      mark(i, i + 2, Kind::date);
      return;
    }
  }

  // "ce soir", "this morning".
  void takeThisPartOfDay() {
    for (size_t i = 0; i + 1 < t_.size(); ++i) {
      if (!freeIn(i, WordList::thisWord) || !isFree(i + 1)) continue;
      const auto partHour = t_[i + 1].meaning->dayPartHour;
      if (!partHour) continue;
      setDayOffset(0);
      setPartHour(*partHour);
      mark(i, i + 1, Kind::date);
      return;
    }
  }

  // Every day word and weekday left; the first of each kind counts.
  void takeDayWords() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i)) continue;
      const std::string_view word = t_[i].word;
      const WordMeaning& meaning = *t_[i].meaning;
      if (word == "apres" && freeIs(i + 1, "demain")) {
        setDayOffset(2);
        mark(i, i + 1, Kind::date);
      } else if (meaning.dayOffset) {
        setDayOffset(*meaning.dayOffset);
        // "tonight" is a day and a part of it: the evening, unless a clock time says better.
        if (meaning.dayPartHour) setPartHour(*meaning.dayPartHour);
        mark(i, Kind::date);
      } else if (const auto named = t_[i].weekday) {
        if (!weekday_) weekday_ = *named;
        mark(i, Kind::date);
      }
    }
  }

  void takePartOfDay() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i)) continue;
      if (const auto partHour = t_[i].meaning->dayPartHour) {
        setPartHour(*partHour);
        mark(i, Kind::date);
        return;
      }
    }
  }

  // "penser à …", "oublier …", "ne pas oublier …", "il faut …": the rest of the line is a note.
  void takeNotePhrase() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!isFree(i)) continue;
      // A view compares its length first: most words are turned down without a character read.
      const std::string_view word = t_[i].word;
      size_t length = 0;
      if ((word == "pense" || word == "penser" || word == "pensez") && freeIs(i + 1, "a")) {
        length = 2;
      } else if (word == "oublie" || word == "oublier" || word == "oubliez") {
        length = 1;
      } else if (word == "ne" && freeIs(i + 1, "pas") && freeIs(i + 2, "oublier")) {
        length = 3;
      } else if (word == "il" && freeIs(i + 1, "faut")) {
        length = 2;
      }
      if (length == 0) continue;
      const size_t last = i + length - 1;
      mark(i, last, Kind::note);
      std::vector<std::string_view> words;
      for (auto j = nextFree(last); j; j = nextFree(*j)) {
        words.push_back(t_[*j].typed);
        mark(*j, Kind::note);
      }
      addNote(trimmed(join(words), " "));
      return;
    }
  }

  // "avec Paul et Marie", "with Ana, Bo & Cy".
  void takeAttendees() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!freeIn(i, WordList::withWord)) continue;
      mark(i, Kind::person);
      std::vector<std::string_view> names;
      // A word an earlier step recognised ends the names as surely as a stop word: in "with
      // John tomorrow 3pm for 30 min", "for" is no part of John.
      for (size_t j = i + 1; isFree(j); ++j) {
        if (!in(j, WordList::andWord) && isStop(t_[j])) break;
        names.push_back(t_[j].typed);
        mark(j, Kind::person);
      }
      attendees_ = splitNames(join(names));
      return;
    }
  }

  // "à la mairie", "chez Mamie", "at the gym".
  void takePlace() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!freeIn(i, WordList::locPrep)) continue;
      std::vector<std::string_view> words;
      size_t j = i + 1;
      for (; isFree(j) && !isStop(t_[j]); ++j) words.push_back(t_[j].typed);
      if (words.empty()) continue;
      location_ = join(words);
      mark(i, j - 1, Kind::location);
      return;
    }
  }

  // "Call with Léa tomorrow 3pm for 30 min": once the recognisers have taken their words, "for"
  // links nothing in the title. A linking word goes with the recognised words right after it,
  // read from the end so that "for the" goes whole.
  void takeLinkingWords() {
    for (size_t i = t_.size() - 1; i-- > 0;) {
      if (isFree(i) && in(i, WordList::linking) && t_[i + 1].used) mark(i, *t_[i + 1].kind);
    }
  }

  std::string title() const {
    std::vector<std::string_view> words;
    for (const Token& token : t_) {
      if (!token.used) words.push_back(token.typed);
    }
    const std::string joined = join(words);
    const std::string_view title = trimmed(joined, " ,;-");
    if (title.empty()) return Loc::string("questDisplay.untitled", "Sans titre");
    return std::string(title);
  }

  // The day: an explicit date, else a day offset, else the next such weekday, else today.
  std::optional<Date> startDate() const {
    const LocalCalendar::Fields& today = this->today();
    int year = today.year, month = today.month, day = today.day;
    if (day_) {
      day = day_->day;
      month = day_->month.value_or(today.month);
      year = yearFor(day, month, day_->year, today);
    } else if (dayOffset_ || weekday_) {
      int64_t ahead = dayOffset_.value_or(0);
      if (!dayOffset_) {
        ahead = (*weekday_ - today.weekday + 7) % 7;
        if (ahead == 0) ahead = 7;  // a weekday name never means today
      }
      const auto target = daysLater(now_, today, static_cast<int>(ahead));
      year = target.year;
      month = target.month;
      day = target.day;
    }
    const ClockTime time = clock_ ? *clock_ : ClockTime{partHour_.value_or(0), 0};
    return LocalCalendar::dateFrom(CivilTime{year, month, day, time.hour, time.minute, 0});
  }

  std::optional<ParsedEvent> draft() const {
    const auto start = startDate();
    if (!start) return std::nullopt;
    ParsedEvent event;
    event.title = title();
    event.start = *start;
    event.durationMin = durationMin_;
    event.location = location_;
    if (!notes_.empty()) event.notes = notes_;
    event.isAllDay = !clock_ && !partHour_;
    event.meetingURL = meetingURL_;
    event.attendees = attendees_;
    event.reminderMinutes = reminderMinutes_;
    event.calendarHint = calendarHint_;
    event.recurrence = recurrence_;
    event.impossibleDate = impossibleDate_;
    event.impossibleRecurrence = impossibleRecurrence_;
    if (event.recurrence && event.recurrence->frequency == ParsedRecurrence::Frequency::weekly &&
        event.recurrence->weekdays.empty()) {
      event.recurrence->weekdays.push_back(LocalCalendar::fields(*start).weekday);
    }
    for (const Token& token : t_) {
      if (token.kind) event.spans.push_back(ParsedSpan{token.range, *token.kind});
    }
    return event;
  }

  struct ExplicitDay {
    int day;
    std::optional<int> month, year;
  };

  std::vector<Token> t_;
  Date now_;
  mutable std::optional<LocalCalendar::Fields> today_;
  std::optional<std::string> impossibleDate_, impossibleRecurrence_;
  std::optional<std::string> meetingURL_;
  std::string notes_;
  std::optional<std::string> calendarHint_;
  std::optional<int64_t> reminderMinutes_;
  std::optional<Date> until_;
  std::optional<ExplicitDay> day_;
  size_t dayFirst_ = 0;  // the first token of the explicit date
  std::optional<int64_t> dayOffset_;
  std::optional<int> weekday_;
  std::optional<ClockTime> clock_, end_;
  std::optional<int> partHour_;
  int64_t durationMin_ = 60;
  std::optional<ParsedRecurrence> recurrence_;
  std::vector<std::string> attendees_;
  std::optional<std::string> location_;
};

}  // namespace

std::optional<TokenDate> parseDateTokens(std::span<const std::string> typed, size_t start,
                                         Date now) {
  std::vector<Token> tokens;
  tokens.reserve(typed.size());
  for (const std::string& word : typed) addToken(tokens, word, TextRange{});
  return readDate(tokens, start, LocalCalendar::fields(now));
}

std::optional<ParsedEvent> parse(std::string_view text, Date now) {
  const auto lineEnd =
      std::find_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; });
  const size_t lineBreak =
      lineEnd == text.end() ? std::string_view::npos : static_cast<size_t>(lineEnd - text.begin());
  const std::string_view trailingNote = lineBreak == std::string_view::npos
                                            ? std::string_view{}
                                            : text::trim(text.substr(lineBreak + 1));
  std::vector<Token> tokens = tokenize(text.substr(0, lineBreak));
  if (tokens.empty()) return std::nullopt;
  return Parser(std::move(tokens), now).run(text, trailingNote);
}

}  // namespace QuickParse
}  // namespace talewick
