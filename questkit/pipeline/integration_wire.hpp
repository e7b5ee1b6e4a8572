// What the backend's integration pipeline answers: every open item of every connected work
// tracker and remote calendar, normalised, with the game data the backend computed for it and
// the actions the program may run on it. The backend writes its answer with these same records,
// so both sides agree on every key.
//
// JSON keys are the field names and dates ISO 8601. Decoding an answer is strict at the top and
// forgiving per item: one item that does not decode is left out (and counted) rather than costing
// the user every other item.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick::IntegrationWire {

struct ProviderStatus {
  std::string id;     // the provider's segment: "todoist"
  std::string label;  // its name: "Todoist"
  std::string kind;   // "tasks", "issues" or "calendar"
  bool connected = false;
  std::optional<std::string> accountLabel;
  std::optional<int64_t> connectionCount;
  std::optional<Date> syncedAt;
  bool operator==(const ProviderStatus&) const = default;
};

struct PipelineError {
  std::string provider;
  std::string error;
  bool operator==(const PipelineError&) const = default;
};

struct Summary {
  int64_t total = 0;
  int64_t open = 0;
  int64_t dueSoon = 0;
  int64_t overdue = 0;
  int64_t highThreat = 0;
  bool operator==(const Summary&) const = default;
};

struct MacOSSupport {
  bool nativePipeline = false;
  bool sideQuestList = false;
  bool canCompleteInTalewick = false;
  bool canTimeBlockToCalendar = false;
  bool operator==(const MacOSSupport&) const = default;
};

struct IOSSupport {
  bool nativePipeline = false;
  bool sideQuestList = false;
  bool canCompleteInTalewick = false;
  bool visibleViaCalendarTimeBlock = false;
  std::optional<std::string> requires_;  // "requires" on the wire
  bool operator==(const IOSSupport&) const = default;
};

struct PlatformSupport {
  MacOSSupport macOS;
  IOSSupport iOS;
  bool operator==(const PlatformSupport&) const = default;
};

struct RPG {
  std::string realm;   // a kingdom realm's raw value: "tickets", "deadlines"…
  std::string sprite;  // an emoji
  std::string threat;  // "low", "medium", "high", "deadly"
  int64_t xp = 0;
  int64_t gold = 0;
  bool operator==(const RPG&) const = default;
};

struct Action {
  std::string kind;  // "complete", "delete"
  std::optional<std::string> method;
  std::optional<std::string> href;  // relative to the backend's root, or absolute
  std::string label;
  bool operator==(const Action&) const = default;
};

struct CalendarEvent {
  std::string calendarId;
  std::string eventId;
  std::optional<std::string> iCalUID;
  std::optional<std::string> myResponseStatus;  // "needsAction", "tentative", "accepted"…
  std::optional<std::string> recurringEventId;
  std::optional<std::string> originalStartTime;
  bool operator==(const CalendarEvent&) const = default;
};

struct Item {
  std::string id;  // pipeline-wide
  std::string provider;
  std::string providerItemId;
  std::string kind;  // "calendar" for remote events; "task", "issue"… otherwise
  std::string title;
  std::optional<std::string> notes;
  std::optional<std::string> url;
  std::string status;  // "open", "scheduled"…
  int64_t priority = 0;
  std::optional<Date> dueAt;
  std::optional<Date> startsAt;
  std::optional<Date> endsAt;
  std::optional<int64_t> durationMin;
  std::optional<std::string> projectName;
  std::optional<std::string> sectionName;
  std::optional<std::string> teamName;
  std::optional<std::string> assigneeName;
  std::vector<std::string> labels;
  std::optional<Date> updatedAt;
  std::string sourceLabel;
  int64_t automationScore = 0;
  std::vector<std::string> placements;
  std::optional<PlatformSupport> platformSupport;
  RPG rpg;
  std::vector<Action> actions;
  std::optional<CalendarEvent> calendarEvent;
  bool operator==(const Item&) const = default;
};

struct Response {
  std::vector<ProviderStatus> providers;
  std::vector<Item> items;
  std::vector<PipelineError> errors;
  Summary summary;
  Date syncedAt;
  bool operator==(const Response&) const = default;
};

void to_json(Json& j, const ProviderStatus& v);
void from_json(const Json& j, ProviderStatus& v);
void to_json(Json& j, const PipelineError& v);
void from_json(const Json& j, PipelineError& v);
void to_json(Json& j, const Summary& v);
void from_json(const Json& j, Summary& v);
void to_json(Json& j, const MacOSSupport& v);
void from_json(const Json& j, MacOSSupport& v);
void to_json(Json& j, const IOSSupport& v);
void from_json(const Json& j, IOSSupport& v);
void to_json(Json& j, const PlatformSupport& v);
void from_json(const Json& j, PlatformSupport& v);
void to_json(Json& j, const RPG& v);
void from_json(const Json& j, RPG& v);
void to_json(Json& j, const Action& v);
void from_json(const Json& j, Action& v);
void to_json(Json& j, const CalendarEvent& v);
void from_json(const Json& j, CalendarEvent& v);
void to_json(Json& j, const Item& v);
void from_json(const Json& j, Item& v);
void to_json(Json& j, const Response& v);
void from_json(const Json& j, Response& v);

// An answer read from the wire, and how many of its items did not decode.
struct Decoded {
  Response response;
  int64_t skippedItems = 0;
};

// Reads `body` (dates in either ISO 8601 or stored seconds). Throws DecodeError when the body is
// not JSON or its top level (providers, errors, summary, syncedAt) does not decode.
Decoded decodeResponse(std::string_view body);

// The answer as the backend sends it (ISO 8601 dates in UTC).
std::string encodeResponse(const Response& response);

}  // namespace talewick::IntegrationWire
