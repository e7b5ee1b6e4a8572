#include "game/day_event.hpp"

namespace talewick {

using json_coding::Field;

static const auto kDayEventFields =
    std::tuple{Field{"id", &DayEvent::id},
               Field{"title", &DayEvent::title},
               Field{"location", &DayEvent::location},
               Field{"startDate", &DayEvent::startDate},
               Field{"endDate", &DayEvent::endDate},
               Field{"allDay", &DayEvent::allDay},
               Field{"attendees", &DayEvent::attendees},
               Field{"attendeeLabels", &DayEvent::attendeeLabels},
               Field{"attendeeEmails", &DayEvent::attendeeEmails},
               Field{"needsResponse", &DayEvent::needsResponse},
               Field{"organizerLabel", &DayEvent::organizerLabel},
               Field{"organizerEmail", &DayEvent::organizerEmail},
               Field{"intensity", &DayEvent::intensity},
               Field{"notes", &DayEvent::notes},
               Field{"url", &DayEvent::url},
               Field{"calendarID", &DayEvent::calendarID},
               Field{"calendarColorHex", &DayEvent::calendarColorHex},
               Field{"externalIdentifier", &DayEvent::externalIdentifier},
               Field{"occurrenceAnchor", &DayEvent::occurrenceAnchor}};
TALEWICK_JSON_CODING(DayEvent, kDayEventFields)

static const auto kEventContextFields = std::tuple{
    Field{"location", &EventContext::location}, Field{"recurring", &EventContext::recurring},
    Field{"attendees", &EventContext::attendees}, Field{"intensity", &EventContext::intensity}};
TALEWICK_JSON_CODING(EventContext, kEventContextFields)

static const auto kPhysicalStateFields = std::tuple{Field{"sleepHours", &PhysicalState::sleepHours},
                                                    Field{"steps", &PhysicalState::steps}};
TALEWICK_JSON_CODING(PhysicalState, kPhysicalStateFields)

}  // namespace talewick
