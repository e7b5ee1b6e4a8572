// The records of a quick-add draft: their JSON and the words and colours they show with.
#include <iterator>
#include <tuple>

#include "text/quick_parse.hpp"

namespace talewick {

using json_coding::Field;
static const auto kTextRangeFields =
    std::tuple{Field{"location", &TextRange::location}, Field{"length", &TextRange::length}};
TALEWICK_JSON_CODING(TextRange, kTextRangeFields)
static const auto kParsedSpanFields =
    std::tuple{Field{"range", &ParsedSpan::range}, Field{"kind", &ParsedSpan::kind}};
TALEWICK_JSON_CODING(ParsedSpan, kParsedSpanFields)
static const auto kParsedRecurrenceFields = std::tuple{
    Field{"frequency", &ParsedRecurrence::frequency},
    Field{"interval", &ParsedRecurrence::interval}, Field{"weekdays", &ParsedRecurrence::weekdays},
    Field{"count", &ParsedRecurrence::count}, Field{"until", &ParsedRecurrence::until}};
TALEWICK_JSON_CODING(ParsedRecurrence, kParsedRecurrenceFields)
static const auto kParsedEventFields =
    std::tuple{Field{"title", &ParsedEvent::title},
               Field{"start", &ParsedEvent::start},
               Field{"durationMin", &ParsedEvent::durationMin},
               Field{"location", &ParsedEvent::location},
               Field{"notes", &ParsedEvent::notes},
               Field{"isAllDay", &ParsedEvent::isAllDay},
               Field{"meetingURL", &ParsedEvent::meetingURL},
               Field{"attendees", &ParsedEvent::attendees},
               Field{"reminderMinutes", &ParsedEvent::reminderMinutes},
               Field{"calendarHint", &ParsedEvent::calendarHint},
               Field{"recurrence", &ParsedEvent::recurrence},
               Field{"spans", &ParsedEvent::spans},
               Field{"impossibleDate", &ParsedEvent::impossibleDate},
               Field{"impossibleRecurrence", &ParsedEvent::impossibleRecurrence}};
TALEWICK_JSON_CODING(ParsedEvent, kParsedEventFields)

SpanColorRole ParsedSpan::colorRole() const {
  using R = SpanColorRole;
  // Indexed by Kind: dates and times share the temporal colour, the others have their own.
  static constexpr R roles[] = {R::temporal, R::temporal,   R::duration, R::location, R::person,
                                R::reminder, R::recurrence, R::calendar, R::meeting,  R::note};
  static_assert(std::size(roles) == EnumTraits<Kind>::names.size());
  return roles[static_cast<size_t>(kind)];
}

std::string ParsedRecurrence::humanLabelFR() const {
  struct Label {
    std::string_view once, before, unit;
  };
  static constexpr Label labels[] = {{"Tous les jours", "Tous les ", " jours"},
                                     {"Toutes les semaines", "Toutes les ", " semaines"},
                                     {"Tous les mois", "Tous les ", " mois"},
                                     {"Tous les ans", "Tous les ", " ans"}};
  const Label& label = labels[static_cast<size_t>(frequency)];
  if (interval < 2) return std::string(label.once);
  return std::string(label.before) + std::to_string(interval) + std::string(label.unit);
}

}  // namespace talewick
