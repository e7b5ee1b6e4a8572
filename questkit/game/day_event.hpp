// What the game sees of the calendar: one occurrence (DayEvent), and the optional context and
// body reports that come with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick {

struct DayEvent {
  std::string id;  // unique within a day's list
  std::string title;
  std::optional<std::string> location;
  Date startDate;
  Date endDate;
  bool allDay = false;
  int64_t attendees = 0;
  std::vector<std::string> attendeeLabels;
  std::vector<std::string> attendeeEmails;
  bool needsResponse = false;
  std::optional<std::string> organizerLabel;
  std::optional<std::string> organizerEmail;
  std::optional<double> intensity;
  std::optional<std::string> notes;
  std::optional<std::string> url;
  std::optional<std::string> calendarID;
  std::optional<std::string> calendarColorHex;
  std::optional<std::string> externalIdentifier;
  std::optional<Date> occurrenceAnchor;  // start as the recurring series first placed it
  // The event's own alarms, in minutes before its start. Local to this machine's calendar: not
  // part of the record shared with the phone.
  std::vector<int> alarmMinutesBefore;
  bool operator==(const DayEvent&) const = default;
};

struct EventContext {
  std::optional<std::string> location;
  std::optional<bool> recurring;
  std::optional<int64_t> attendees;
  std::optional<double> intensity;
  bool operator==(const EventContext&) const = default;
};

// The body's report for the night before a replay.
struct PhysicalState {
  std::optional<double> sleepHours;
  std::optional<int64_t> steps;
  bool operator==(const PhysicalState&) const = default;
};

void to_json(Json& j, const DayEvent& v);
void from_json(const Json& j, DayEvent& v);
void to_json(Json& j, const EventContext& v);
void from_json(const Json& j, EventContext& v);
void to_json(Json& j, const PhysicalState& v);
void from_json(const Json& j, PhysicalState& v);

}  // namespace talewick
