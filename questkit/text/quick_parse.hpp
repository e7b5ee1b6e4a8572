// Quick-add: one line typed by the user, in French or English or both ("Réunion demain 14h30
// avec Paul à la mairie"), read into an event draft, with the range of every recognised word so
// the field can colour them as the user types.
//
// The line is cut into whitespace-separated tokens; a fixed sequence of recognisers runs over
// them, each one taking only tokens no earlier recogniser took. Whatever is left is the title.
// Lines after the first one are notes. The parser reads nothing but its arguments, its word
// tables (quick_parse_words.hpp) and the local calendar of the process time zone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/date.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"
#include "text/quick_parse_words.hpp"

namespace talewick {

// How the quick-add field colours a recognised word.
enum class SpanColorRole {
  temporal,
  duration,
  location,
  person,
  reminder,
  recurrence,
  calendar,
  meeting,
  note
};

// A range of the whole input, counted in UTF-16 code units (what text fields index by).
struct TextRange {
  int64_t location = 0;
  int64_t length = 0;
  bool operator==(const TextRange&) const = default;
};

struct ParsedSpan {
  enum class Kind {
    date,
    time,
    duration,
    location,
    person,
    reminder,
    recurrence,
    calendar,
    meeting,
    note
  };
  TextRange range;
  Kind kind = Kind::date;

  // Dates and times are both temporal; every other kind has the role of the same name.
  SpanColorRole colorRole() const;
  bool operator==(const ParsedSpan&) const = default;
};

struct ParsedRecurrence {
  enum class Frequency { daily, weekly, monthly, yearly };
  Frequency frequency = Frequency::daily;
  int64_t interval = 1;           // at least 1
  std::vector<int64_t> weekdays;  // 1 Sunday … 7 Saturday
  std::optional<int64_t> count;   // never set by the parser
  std::optional<Date> until;      // the last day, at 23:59:59

  // "Tous les jours", "Toutes les 2 semaines"…: frequency and interval only.
  std::string humanLabelFR() const;
  bool operator==(const ParsedRecurrence&) const = default;
};

struct ParsedEvent {
  std::string title;
  Date start;
  int64_t durationMin = 60;
  std::optional<std::string> location;
  std::optional<std::string> notes;
  bool isAllDay = false;
  std::optional<std::string> meetingURL;
  std::vector<std::string> attendees;
  std::optional<int64_t> reminderMinutes;
  std::optional<std::string> calendarHint;
  std::optional<ParsedRecurrence> recurrence;
  std::vector<ParsedSpan> spans;  // in token order
  // The words of a day that does not exist ("30 février", "31/04") or of a repetition that cannot
  // be ("toutes les 0 semaines"), as typed, the first of each. No date or repetition comes from
  // them: they stay in the title, and an event written from the draft would not be what was meant.
  std::optional<std::string> impossibleDate;
  std::optional<std::string> impossibleRecurrence;
  bool operator==(const ParsedEvent&) const = default;
};

// Raw values are the case names.
template <>
struct EnumTraits<SpanColorRole> {
  static constexpr std::array<std::string_view, 9> names{"temporal", "duration", "location",
                                                         "person",   "reminder", "recurrence",
                                                         "calendar", "meeting",  "note"};
};
template <>
struct EnumTraits<ParsedSpan::Kind> {
  static constexpr std::array<std::string_view, 10> names{
      "date",     "time",       "duration", "location", "person",
      "reminder", "recurrence", "calendar", "meeting",  "note"};
};
template <>
struct EnumTraits<ParsedRecurrence::Frequency> {
  static constexpr std::array<std::string_view, 4> names{"daily", "weekly", "monthly", "yearly"};
};

// JSON keys are the field names; a range is {"location": …, "length": …}.
void to_json(Json& j, const TextRange& v);
void from_json(const Json& j, TextRange& v);
void to_json(Json& j, const ParsedSpan& v);
void from_json(const Json& j, ParsedSpan& v);
void to_json(Json& j, const ParsedRecurrence& v);
void from_json(const Json& j, ParsedRecurrence& v);
void to_json(Json& j, const ParsedEvent& v);
void from_json(const Json& j, ParsedEvent& v);

namespace QuickParse {

// The draft of `text` said at `now`. Nothing for a text without any token, and nothing for a
// text without any date or time cue (no date, no day word or relative day, no weekday, no clock
// time, no part of the day): a to-do without a time is not an event.
std::optional<ParsedEvent> parse(std::string_view text, Date now);

struct TokenDate {
  int year = 0, month = 0, day = 0;
  size_t length = 0;  // tokens read
  bool operator==(const TokenDate&) const = default;
};

// A date written from `typed[start]` on: a numeric date ("30/06"), or a day number and a month
// name in either order ("30 juin", "june 30th") with an optional four-digit year after them.
// Without a year, the first such day from `now`'s day on (this year, or next year once passed;
// 29 February, the next leap year's). nullopt for a day its month does not have ("31/04").
std::optional<TokenDate> parseDateTokens(std::span<const std::string> typed, size_t start,
                                         Date now);

}  // namespace QuickParse
}  // namespace talewick

template <>
struct std::hash<talewick::ParsedSpan> {
  size_t operator()(const talewick::ParsedSpan& span) const noexcept {
    const auto mix = [](size_t seed, size_t value) {
      return seed ^ (value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
    };
    size_t seed = std::hash<int64_t>{}(span.range.location);
    seed = mix(seed, std::hash<int64_t>{}(span.range.length));
    return mix(seed, static_cast<size_t>(span.kind));
  }
};
