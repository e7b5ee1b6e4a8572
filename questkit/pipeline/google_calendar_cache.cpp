#include "pipeline/google_calendar_cache.hpp"

#include <cmath>

namespace talewick::GoogleCalendar {

using json_coding::Field;
using json_coding::lenient;

static const auto kConnectionFields =
    std::tuple{Field{"id", &Connection::id}, Field{"accountLabel", &Connection::accountLabel},
               Field{"connectedAt", &Connection::connectedAt}};
TALEWICK_JSON_CODING(Connection, kConnectionFields)

static const auto kCalendarFields = std::tuple{
    Field{"id", &RemoteCalendar::id}, Field{"name", &RemoteCalendar::name, lenient},
    Field{"primary", &RemoteCalendar::primary}, Field{"accessRole", &RemoteCalendar::accessRole}};
TALEWICK_JSON_CODING(RemoteCalendar, kCalendarFields)

static const auto kEventFields =
    std::tuple{Field{"id", &RemoteEvent::id}, Field{"calendarId", &RemoteEvent::calendarId},
               Field{"iCalUID", &RemoteEvent::iCalUID}, Field{"start", &RemoteEvent::start},
               Field{"myResponseStatus", &RemoteEvent::myResponseStatus}};
TALEWICK_JSON_CODING(RemoteEvent, kEventFields)

static const auto kCacheFields = std::tuple{
    Field{"connection", &Cache::connection}, Field{"calendars", &Cache::calendars, lenient},
    Field{"events", &Cache::events, lenient}, Field{"syncedAt", &Cache::syncedAt}};
TALEWICK_JSON_CODING(Cache, kCacheFields)

static const auto kTargetFields = std::tuple{Field{"calendarId", &EventTarget::calendarId},
                                             Field{"eventId", &EventTarget::eventId}};
TALEWICK_JSON_CODING(EventTarget, kTargetFields)

bool isRSVP(std::string_view value) {
  return value == "accepted" || value == "tentative" || value == "declined";
}

std::string occurrenceKey(const std::optional<std::string>& externalIdentifier,
                          const std::optional<Date>& startDate) {
  std::string key = externalIdentifier.value_or("") + "|";
  if (startDate) {
    key += std::to_string(static_cast<int64_t>(std::floor(startDate->unix())));
  }
  return key;
}

std::optional<EventTarget> target(const std::vector<RemoteEvent>& events,
                                  const std::string& externalIdentifier, Date startDate) {
  const RemoteEvent* best = nullptr;
  for (const RemoteEvent& event : events) {
    const bool same = event.id == externalIdentifier ||
                      std::string(OCCURRENCE_PREFIX) + event.id == externalIdentifier ||
                      (event.iCalUID && *event.iCalUID == externalIdentifier);
    if (!same) continue;
    if (!best || std::abs(event.start - startDate) < std::abs(best->start - startDate)) {
      best = &event;
    }
  }
  if (!best) return std::nullopt;
  return EventTarget{best->calendarId, best->id};
}

}  // namespace talewick::GoogleCalendar
