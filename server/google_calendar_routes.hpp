// Routes of the user's Google calendars, beside the pipeline and sharing its kept answers and its
// one-at-a-time rule per user:
// - POST "/api/google-calendar/sync": {"connection", "calendars": [{id, name, primary?,
//   accessRole?}], "events": [{id, calendarId, iCalUID?, start, myResponseStatus?}], "syncedAt"},
//   read afresh and kept IntegrationPipeline::CACHE_SECONDS for the routes below.
// - POST "/api/google-calendar/events" {calendarId?, title, start, end (ISO 8601), timeZone?,
//   location?, notes?, attendees: [e-mail]}: a new event with a Meet link, answered
//   {"event": {id, calendarId, title, start, end?, htmlLink?, meetLink?}}.
// - PATCH "/api/google-calendar/events/<eventId>" and ".../<calendarId>/<eventId>", with either
//   {"response": "accepted" | "tentative" | "declined"} (the user's answer to the invitation) or
//   {"start", "end" (ISO 8601), "calendarId"?} (the event moved): the updated event as an entry of
//   the sync answer. Only an event of the user's own last sync is reached: 404 "Élément inconnu."
//   otherwise, without calling Google.
// 409 when Google Calendar is not connected, 400 for a body that says nothing usable, 502 with
// Google's reason.
#pragma once

#include "server/config.hpp"
#include "server/integration_pipeline.hpp"
#include "server/pipeline_routes.hpp"

namespace talewick::server {

class GoogleCalendarRoutes {
 public:
  GoogleCalendarRoutes(const Config& config, IntegrationPipeline& pipeline)
      : config_(config), pipeline_(pipeline) {}

  // Installs the routes; mount before any catch-all route under "/api/".
  void mount(httplib::Server& server, const PipelineRoutes::Guard& authenticated) const;

 private:
  void sync(const PipelineRoutes::Call& call) const;
  void create(const PipelineRoutes::Call& call) const;
  void update(const PipelineRoutes::Call& call, const std::string& calendarId,
              const std::string& eventId) const;
  // The user's sync answer, the kept one unless `fresh` (read afresh when none is kept); nullopt
  // when not connected.
  std::optional<nlohmann::json> synced(const std::string& userId, bool fresh) const;

  const Config& config_;
  IntegrationPipeline& pipeline_;
};

}  // namespace talewick::server
