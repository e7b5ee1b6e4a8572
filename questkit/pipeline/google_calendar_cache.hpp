// What the backend's Google Calendar sync answers, and the rules that find the remote event behind
// an invitation the user answers from the game: the occurrence key its answer is remembered
// under, and the synced event it targets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick::GoogleCalendar {

struct Connection {
  std::string id;
  std::optional<std::string> accountLabel;
  std::optional<Date> connectedAt;
  bool operator==(const Connection&) const = default;
};

struct RemoteCalendar {
  std::string id;
  std::string name;
  std::optional<bool> primary;
  std::optional<std::string> accessRole;
  bool operator==(const RemoteCalendar&) const = default;
};

struct RemoteEvent {
  std::string id;
  std::string calendarId;
  std::optional<std::string> iCalUID;
  Date start;
  std::optional<std::string> myResponseStatus;
  bool operator==(const RemoteEvent&) const = default;
};

struct Cache {
  Connection connection;
  std::vector<RemoteCalendar> calendars;
  std::vector<RemoteEvent> events;
  Date syncedAt;
  bool operator==(const Cache&) const = default;
};

// The remote event behind a quest.
struct EventTarget {
  std::string calendarId;
  std::string eventId;
  bool operator==(const EventTarget&) const = default;
};

// The provider the pipeline lists Google's events under, and what prefixes their ids among the
// calendar's occurrences ("integration:google-calendar:" + event id).
inline constexpr std::string_view PROVIDER = "google-calendar";
inline constexpr std::string_view OCCURRENCE_PREFIX = "integration:google-calendar:";

// The answers an invitation takes, as Google spells them.
bool isRSVP(std::string_view value);  // "accepted", "tentative", "declined"

// The key an answer is remembered under: the event's external identifier (empty when none),
// "|", then the start's whole seconds since 1970 (nothing when there is no start).
std::string occurrenceKey(const std::optional<std::string>& externalIdentifier,
                          const std::optional<Date>& startDate);

// The synced event an occurrence stands for: those whose id, occurrence id
// ("integration:google-calendar:" + id) or iCalUID is `externalIdentifier`, the one starting
// closest to `startDate`. nullopt when none matches.
std::optional<EventTarget> target(const std::vector<RemoteEvent>& events,
                                  const std::string& externalIdentifier, Date startDate);

void to_json(Json& j, const Connection& v);
void from_json(const Json& j, Connection& v);
void to_json(Json& j, const RemoteCalendar& v);
void from_json(const Json& j, RemoteCalendar& v);
void to_json(Json& j, const RemoteEvent& v);
void from_json(const Json& j, RemoteEvent& v);
void to_json(Json& j, const Cache& v);
void from_json(const Json& j, Cache& v);
void to_json(Json& j, const EventTarget& v);
void from_json(const Json& j, EventTarget& v);

}  // namespace talewick::GoogleCalendar
