#include "server/google_calendar_routes.hpp"

#include "server/google_calendar_adapter.hpp"
#include "server/provider_json.hpp"
#include "server/provider_status.hpp"
#include "server/request_parts.hpp"
#include "server/responses.hpp"
#include "server/time_text.hpp"

namespace talewick::server {

namespace {

using Call = PipelineRoutes::Call;

const std::string KEPT_KEY = "google-calendar";

const Provider& google() { return *findProvider("google-calendar"); }

void notConnected(const Call& call) {
  sendError(call.response, 409, std::string(google().name) + " n'est pas connecté.");
}

std::optional<std::int64_t> instantField(const nlohmann::json& body, const char* key) {
  const std::optional<std::string> text = pjson::text(body, key);
  const std::optional<ParsedInstant> parsed = text ? parseIsoInstant(*text) : std::nullopt;
  if (!parsed) return std::nullopt;
  return parsed->unixSeconds;
}

// The event of the sync answer `cache` with `eventId` (on `calendarId` when one is named).
const nlohmann::json* listedEvent(const nlohmann::json& cache, const std::string& calendarId,
                                  const std::string& eventId) {
  for (const nlohmann::json& event : pjson::array(cache, "events")) {
    if (pjson::string(event, "id") != eventId) continue;
    if (!calendarId.empty() && pjson::string(event, "calendarId") != calendarId) continue;
    return &event;
  }
  return nullptr;
}

}  // namespace

void GoogleCalendarRoutes::mount(httplib::Server& server,
                                 const PipelineRoutes::Guard& authenticated) const {
  server.Post("/api/google-calendar/sync", authenticated([this](const Call& call) { sync(call); }));
  server.Post("/api/google-calendar/events",
              authenticated([this](const Call& call) { create(call); }));
  server.Patch(R"(/api/google-calendar/events/([^/]+)/([^/]+))",
               authenticated([this](const Call& call) {
                 update(call, call.request.matches[1].str(), call.request.matches[2].str());
               }));
  server.Patch(R"(/api/google-calendar/events/([^/]+))", authenticated([this](const Call& call) {
                 update(call, "", call.request.matches[1].str());
               }));
}

std::optional<nlohmann::json> GoogleCalendarRoutes::synced(const std::string& userId,
                                                           bool fresh) const {
  if (!fresh) {
    if (std::optional<nlohmann::json> kept = pipeline_.kept(userId, KEPT_KEY)) return kept;
  }
  nlohmann::json cache;
  if (!pipeline_.withSession(userId, google(), false, [&](ProviderSession& session) {
        const GoogleCalendarSnapshot snapshot = googleCalendarSnapshot(session);
        nlohmann::json events = nlohmann::json::array();
        for (const PipelineItem& item : snapshot.items) events.push_back(googleEventRecord(item));
        const nlohmann::json status =
            statusRecord(config_, session.provider(), {session.connection()});
        cache = {{"connection", status["connection"]},
                 {"calendars", snapshot.calendars},
                 {"events", std::move(events)},
                 {"syncedAt", isoSeconds(session.now())}};
      })) {
    return std::nullopt;
  }
  pipeline_.keep(userId, KEPT_KEY, cache);
  return cache;
}

void GoogleCalendarRoutes::sync(const Call& call) const {
  std::optional<nlohmann::json> cache;
  try {
    cache = synced(call.userId, true);
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  if (!cache) return notConnected(call);
  sendJson(call.response, 200, *cache);
}

void GoogleCalendarRoutes::create(const Call& call) const {
  const std::optional<nlohmann::json> body = jsonBody(call.request);
  GoogleMeetRequest request;
  const std::optional<std::int64_t> start = body ? instantField(*body, "start") : std::nullopt;
  const std::optional<std::int64_t> end = body ? instantField(*body, "end") : std::nullopt;
  const std::optional<std::string> title = body ? pjson::text(*body, "title") : std::nullopt;
  if (!title || !start || !end || *end < *start) {
    return sendError(call.response, 400,
                     "Il faut « title », « start » et « end » en ISO 8601, la fin après le début.");
  }
  request.title = *title;
  request.startsAt = *start;
  request.endsAt = *end;
  request.calendarId = pjson::text(*body, "calendarId").value_or("primary");
  request.timeZone = pjson::text(*body, "timeZone");
  request.location = pjson::text(*body, "location");
  request.notes = pjson::text(*body, "notes");
  request.attendees = pjson::strings(*body, "attendees");
  nlohmann::ordered_json created;
  try {
    if (!pipeline_.withSession(call.userId, google(), true, [&](ProviderSession& session) {
          created = createGoogleMeetEvent(session, request);
        })) {
      return notConnected(call);
    }
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  sendRecord(call.response, 200, {{"event", created}});
}

void GoogleCalendarRoutes::update(const Call& call, const std::string& calendarId,
                                  const std::string& eventId) const {
  const std::optional<nlohmann::json> body = jsonBody(call.request);
  const std::optional<std::string> response =
      body ? pjson::string(*body, "response") : std::nullopt;
  const std::optional<std::int64_t> start = body ? instantField(*body, "start") : std::nullopt;
  const std::optional<std::int64_t> end = body ? instantField(*body, "end") : std::nullopt;
  const bool answers =
      response && (*response == "accepted" || *response == "tentative" || *response == "declined");
  if (!answers && (!start || !end || *end < *start)) {
    return sendError(call.response, 400,
                     "Il faut « response » (accepted, tentative, declined) ou « start » et « end » "
                     "en ISO 8601, la fin après le début.");
  }
  std::string onCalendar = calendarId;
  if (onCalendar.empty() && body) onCalendar = pjson::text(*body, "calendarId").value_or("");
  nlohmann::json updated;
  try {
    const std::optional<nlohmann::json> cache = synced(call.userId, false);
    if (!cache) return notConnected(call);
    const nlohmann::json* listed = listedEvent(*cache, onCalendar, eventId);
    if (!listed) return sendError(call.response, 404, "Élément inconnu.");
    const std::string eventCalendar = pjson::string(*listed, "calendarId").value_or("");
    const bool connected =
        pipeline_.withSession(call.userId, google(), true, [&](ProviderSession& session) {
          const nlohmann::json event =
              answers ? answerGoogleEvent(session, eventCalendar, eventId, *response)
                      : moveGoogleEvent(session, eventCalendar, eventId, *start, *end);
          const std::optional<PipelineItem> item = googleEventItem(event, eventCalendar);
          if (!item) throw ProviderFailure("Google Calendar a répondu un événement illisible.");
          updated = googleEventRecord(*item);
        });
    if (!connected) return notConnected(call);
  } catch (const ProviderFailure& e) {
    return sendError(call.response, 502, e.what());
  }
  sendJson(call.response, 200, updated);
}

}  // namespace talewick::server
