// The user's Google Calendar through the backend: the connection, the last synced cache (kept on
// disk so that every command finds the events without a call), and the calls that answer an
// invitation and create an event with a Meet link. The events themselves become quests through
// the integration pipeline; this store serves what needs Google's own ids.
//
// Lives on the main loop: calls are made there and their results applied there; only the HTTP
// exchanges run on the worker pool. A failure shows on the status line and never costs the last
// cache.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "core/state_file.hpp"
#include "pipeline/google_calendar_cache.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/backend/connection_status.hpp"

namespace talewick::google {

// A new event with a Meet link, as quick add drafts it.
struct MeetEventRequest {
  std::optional<std::string> calendarId;
  std::string title;
  Date start, end;
  std::optional<std::string> timeZone, location, notes;
  std::vector<std::string> attendees;  // e-mail addresses
};

// The event the backend created.
struct MeetEvent {
  std::string id, calendarId, title;
  Date start;
  std::optional<Date> end;
  std::optional<std::string> htmlLink, meetLink;
  bool operator==(const MeetEvent&) const = default;
};

class GoogleCalendarStore {
 public:
  static constexpr const char* FILE_NAME = "google-calendar-v1.json";
  static constexpr const char* QUEUE = "backend.google-calendar";
  static constexpr const char* CONNECTED_FLAG = "google-calendar.backend.oauth.connected";
  static constexpr std::chrono::seconds STATUS_TIMEOUT{20};
  static constexpr std::chrono::seconds CALL_TIMEOUT{30};

  GoogleCalendarStore(FilePort& files, std::filesystem::path file,
                      std::function<backend::BackendConnection&()> backend,
                      Preferences& preferences, RunLoop& loop, std::ostream& diagnostics);

  const std::optional<GoogleCalendar::Cache>& cache() const { return cache_; }
  const std::optional<backend::ProviderStatus>& status() const { return status_; }
  const std::string& statusLine() const { return statusLine_; }
  bool isLoading() const { return loading_; }
  bool isConnected() const { return status_ && status_->connection.has_value(); }
  // Whether the last refresh that finished failed.
  bool failed() const { return failed_; }

  // The connection status, then, when connected, the cache (POST api/google-calendar/sync).
  // Skipped while one is under way; `done` runs once it is applied.
  void refresh(std::function<void()> done = {});
  // Sends the user's answer ("accepted", "tentative", "declined") to the event; true on success.
  // The failure's text goes to `failure` when given.
  void respond(const GoogleCalendar::EventTarget& target, const std::string& response,
               std::function<void(bool ok, const std::string& failure)> done);
  // Creates the event; the status line tells the link, the OAuth wait or the failure.
  void createMeetEvent(const MeetEventRequest& request,
                       std::function<void(std::optional<MeetEvent>)> done);

 private:
  void finish(bool failed, std::string line);

  StateFile file_;
  std::function<backend::BackendConnection&()> backend_;
  Preferences& preferences_;
  RunLoop& loop_;
  std::optional<GoogleCalendar::Cache> cache_;
  std::optional<backend::ProviderStatus> status_;
  std::string statusLine_;
  bool loading_ = false;
  bool failed_ = false;
  std::vector<std::function<void()>> waiting_;
};

// The JSON body of a Meet creation.
Json meetRequestBody(const MeetEventRequest& request);
// The created event of the answer {"event": …}. Throws DecodeError.
MeetEvent decodeMeetEvent(std::string_view body);

}  // namespace talewick::google
