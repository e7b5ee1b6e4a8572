// Google Calendar API v3: the events of every calendar in the user's list (calendarList, then
// each calendar's events.list with singleEvents=true, orderBy=startTime, timeMin/timeMax over the
// coming 14 days, "nextPageToken" pages) as calendar items of "google-calendar". Cancelled events
// are left out; the user's answer is the one of the attendee marked "self"; an all-day event is
// its first day. Events are answered, moved and created here, never completed or deleted.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "server/microsoft_adapter.hpp"
#include "server/pipeline_adapter.hpp"

namespace talewick::server {

// Both calendars are read over the same window, so that the game sees them alike.
inline constexpr std::int64_t GOOGLE_CALENDAR_DAYS = MICROSOFT_CALENDAR_DAYS;

// The user's calendars and their events as read in one pass.
struct GoogleCalendarSnapshot {
  nlohmann::json calendars = nlohmann::json::array();  // {id, name, primary?, accessRole?}
  std::vector<PipelineItem> items;
};

class GoogleCalendarAdapter : public PipelineAdapter {
 public:
  std::vector<PipelineItem> openItems(ProviderSession& session,
                                      const PipelineFetch& fetch) const override;
  // Refused: an event is answered or moved, not closed.
  void complete(ProviderSession& session, const PipelineItem& item) const override;
  void remove(ProviderSession& session, const PipelineItem& item) const override;
};

GoogleCalendarSnapshot googleCalendarSnapshot(ProviderSession& session);

// A Google event as a calendar item of `calendarId`; nullopt for a malformed or cancelled one.
std::optional<PipelineItem> googleEventItem(const nlohmann::json& event,
                                            const std::string& calendarId);

// The event's entry of the sync answer: {id, calendarId, iCalUID, start, myResponseStatus}.
nlohmann::json googleEventRecord(const PipelineItem& item);

// Sets the responseStatus ("accepted", "tentative", "declined") of the attendee marked "self",
// keeping every other attendee as Google holds them; the updated event. Throws ProviderFailure
// when the user is not among the attendees.
nlohmann::json answerGoogleEvent(ProviderSession& session, const std::string& calendarId,
                                 const std::string& eventId, const std::string& response);

// Moves the event to [startsAt, endsAt) (seconds since 1970); the updated event.
nlohmann::json moveGoogleEvent(ProviderSession& session, const std::string& calendarId,
                               const std::string& eventId, std::int64_t startsAt,
                               std::int64_t endsAt);

// What the user asks for a new event with a Meet link.
struct GoogleMeetRequest {
  std::string calendarId = "primary";
  std::string title;
  std::int64_t startsAt = 0, endsAt = 0;
  std::optional<std::string> timeZone, location, notes;
  std::vector<std::string> attendees;  // e-mail addresses
};

// Creates the event with a Meet conference; the created event as {id, calendarId, title, start,
// end, htmlLink, meetLink}.
nlohmann::ordered_json createGoogleMeetEvent(ProviderSession& session,
                                             const GoogleMeetRequest& request);

}  // namespace talewick::server
