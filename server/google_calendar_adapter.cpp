#include "server/google_calendar_adapter.hpp"

#include <set>

#include "server/crypto.hpp"
#include "server/provider_json.hpp"
#include "server/time_text.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::server {

namespace {

const std::string CALENDAR_ROOT = "/calendar/v3";

std::string eventsPath(const std::string& calendarId) {
  return CALENDAR_ROOT + "/calendars/" + percentEncoded(calendarId) + "/events";
}

std::string eventPath(const std::string& calendarId, const std::string& eventId) {
  return eventsPath(calendarId) + "/" + percentEncoded(eventId);
}

// Every entry of a Google list, following "nextPageToken".
std::vector<nlohmann::json> allPages(ProviderSession& session, ProviderRequest request) {
  std::vector<nlohmann::json> entries;
  std::set<std::string> seen;
  const std::size_t baseQuery = request.query.size();
  while (true) {
    const nlohmann::json page = session.call(request);
    const nlohmann::json* items = pjson::at(page, "items");
    if (!page.is_object() || (items && !items->is_array())) {
      throw ProviderFailure("Google Calendar a répondu une liste illisible.");
    }
    if (items) entries.insert(entries.end(), items->begin(), items->end());
    const std::optional<std::string> next = pjson::text(page, "nextPageToken");
    if (!next || !seen.insert(*next).second) break;
    request.query.resize(baseQuery);
    request.query.emplace_back("pageToken", *next);
  }
  return entries;
}

// {"dateTime": "2026-12-08T10:00:00+01:00"} or {"date": "2026-12-08"} for a whole day.
std::optional<ParsedInstant> googleTime(const nlohmann::json& event, std::string_view key) {
  const nlohmann::json* holder = pjson::at(event, key);
  if (!holder) return std::nullopt;
  if (const std::optional<std::string> at = pjson::text(*holder, "dateTime")) {
    std::optional<ParsedInstant> parsed = parseIsoInstant(*at);
    if (parsed && parsed->dateOnly) return std::nullopt;
    return parsed;
  }
  if (const std::optional<std::string> day = pjson::text(*holder, "date")) {
    std::optional<ParsedInstant> parsed = parseIsoInstant(*day);
    if (parsed && !parsed->dateOnly) return std::nullopt;
    return parsed;
  }
  return std::nullopt;
}

// The answer of the attendee Google marks as the user; none when the user was not invited
// (an event of the user's own).
std::optional<std::string> myResponseStatus(const nlohmann::json& event) {
  for (const nlohmann::json& attendee : pjson::array(event, "attendees")) {
    if (pjson::flag(attendee, "self")) return pjson::text(attendee, "responseStatus");
  }
  return std::nullopt;
}

std::optional<std::string> meetLink(const nlohmann::json& event) {
  if (const nlohmann::json* conference = pjson::at(event, "conferenceData")) {
    for (const nlohmann::json& entry : pjson::array(*conference, "entryPoints")) {
      if (pjson::string(entry, "entryPointType") == "video") return pjson::text(entry, "uri");
    }
  }
  return pjson::text(event, "hangoutLink");
}

nlohmann::json googleDateTime(std::int64_t instant) { return {{"dateTime", isoSeconds(instant)}}; }

}  // namespace

std::optional<PipelineItem> googleEventItem(const nlohmann::json& event,
                                            const std::string& calendarId) {
  const std::optional<std::string> id = pjson::text(event, "id");
  const std::optional<ParsedInstant> start = googleTime(event, "start");
  const std::optional<ParsedInstant> end = googleTime(event, "end");
  if (!id || !start || (end && end->unixSeconds < start->unixSeconds) ||
      pjson::string(event, "status") == "cancelled") {
    return std::nullopt;
  }
  PipelineItem item;
  item.segment = item.provider = "google-calendar";
  item.providerItemId = *id;
  item.kind = "calendar";
  item.title = pjson::text(event, "summary").value_or("(Sans titre)");
  item.notes = pjson::text(event, "description");
  item.url = pjson::text(event, "htmlLink");
  item.status = "scheduled";
  item.startsAt = start->unixSeconds;
  item.allDay = start->dateOnly;
  if (end) {
    item.endsAt = end->unixSeconds;
    if (!item.allDay) item.durationMin = (end->unixSeconds - start->unixSeconds) / 60;
  }
  item.updatedAt = pjson::instant(event, "updated");
  item.sourceLabel = "Google Calendar";
  std::optional<std::string> originalStart;
  if (const nlohmann::json* original = pjson::at(event, "originalStartTime")) {
    originalStart = pjson::text(*original, "dateTime");
    if (!originalStart) originalStart = pjson::text(*original, "date");
  }
  item.calendarEvent = PipelineCalendarEvent{calendarId,
                                             *id,
                                             pjson::text(event, "iCalUID"),
                                             myResponseStatus(event),
                                             pjson::text(event, "recurringEventId"),
                                             originalStart};
  return item;
}

nlohmann::json googleEventRecord(const PipelineItem& item) {
  nlohmann::json record = {{"id", item.providerItemId}};
  const PipelineCalendarEvent reference = item.calendarEvent.value_or(PipelineCalendarEvent{});
  record["calendarId"] = reference.calendarId;
  if (reference.iCalUID) record["iCalUID"] = *reference.iCalUID;
  const std::string start = isoSeconds(item.startsAt.value_or(0));
  record["start"] = item.allDay ? start.substr(0, 10) : start;
  if (reference.myResponseStatus) record["myResponseStatus"] = *reference.myResponseStatus;
  return record;
}

GoogleCalendarSnapshot googleCalendarSnapshot(ProviderSession& session) {
  GoogleCalendarSnapshot snapshot;
  const std::vector<nlohmann::json> calendars =
      allPages(session, {"GET", CALENDAR_ROOT + "/users/me/calendarList", {}, std::nullopt, {}});
  const std::int64_t now = session.now();
  for (const nlohmann::json& calendar : calendars) {
    const std::optional<std::string> calendarId = pjson::text(calendar, "id");
    if (!calendarId || pjson::flag(calendar, "deleted")) continue;
    nlohmann::json record = {
        {"id", *calendarId},
        {"name", pjson::text(calendar, "summaryOverride")
                     .value_or(pjson::text(calendar, "summary").value_or(*calendarId))}};
    if (pjson::flag(calendar, "primary")) record["primary"] = true;
    if (const auto role = pjson::text(calendar, "accessRole")) record["accessRole"] = *role;
    snapshot.calendars.push_back(std::move(record));
    const std::vector<nlohmann::json> events =
        allPages(session, {"GET",
                           eventsPath(*calendarId),
                           {{"singleEvents", "true"},
                            {"orderBy", "startTime"},
                            {"timeMin", isoSeconds(now)},
                            {"timeMax", isoSeconds(now + GOOGLE_CALENDAR_DAYS * 86400)},
                            {"maxResults", "250"}},
                           std::nullopt,
                           {}});
    for (const nlohmann::json& event : events) {
      if (std::optional<PipelineItem> item = googleEventItem(event, *calendarId)) {
        snapshot.items.push_back(std::move(*item));
      }
    }
  }
  return snapshot;
}

std::vector<PipelineItem> GoogleCalendarAdapter::openItems(ProviderSession& session,
                                                           const PipelineFetch&) const {
  return googleCalendarSnapshot(session).items;
}

void GoogleCalendarAdapter::complete(ProviderSession&, const PipelineItem&) const {
  throw ProviderFailure("Un événement Google se gère dans le calendrier, pas ici.");
}

void GoogleCalendarAdapter::remove(ProviderSession& session, const PipelineItem& item) const {
  complete(session, item);
}

nlohmann::json answerGoogleEvent(ProviderSession& session, const std::string& calendarId,
                                 const std::string& eventId, const std::string& response) {
  // Google replaces the whole attendee list on PATCH: the others are sent back as they are.
  const nlohmann::json event =
      session.call({"GET", eventPath(calendarId, eventId), {}, std::nullopt, {}});
  nlohmann::json attendees = pjson::array(event, "attendees");
  bool invited = false;
  for (nlohmann::json& attendee : attendees) {
    if (pjson::flag(attendee, "self")) {
      attendee["responseStatus"] = response;
      invited = true;
    }
  }
  if (!invited) throw ProviderFailure("Tu n'es pas invité à cet événement Google Calendar.");
  return session.call({"PATCH",
                       eventPath(calendarId, eventId),
                       {{"sendUpdates", "all"}},
                       nlohmann::json{{"attendees", attendees}},
                       {}});
}

nlohmann::json moveGoogleEvent(ProviderSession& session, const std::string& calendarId,
                               const std::string& eventId, std::int64_t startsAt,
                               std::int64_t endsAt) {
  return session.call(
      {"PATCH",
       eventPath(calendarId, eventId),
       {{"sendUpdates", "all"}},
       nlohmann::json{{"start", googleDateTime(startsAt)}, {"end", googleDateTime(endsAt)}},
       {}});
}

nlohmann::ordered_json createGoogleMeetEvent(ProviderSession& session,
                                             const GoogleMeetRequest& request) {
  nlohmann::json start = googleDateTime(request.startsAt);
  nlohmann::json end = googleDateTime(request.endsAt);
  if (request.timeZone) start["timeZone"] = end["timeZone"] = *request.timeZone;
  nlohmann::json body = {{"summary", request.title},
                         {"start", start},
                         {"end", end},
                         {"conferenceData",
                          {{"createRequest",
                            {{"requestId", crypto::randomUuid()},
                             {"conferenceSolutionKey", {{"type", "hangoutsMeet"}}}}}}}};
  if (request.location) body["location"] = *request.location;
  if (request.notes) body["description"] = *request.notes;
  if (!request.attendees.empty()) {
    body["attendees"] = nlohmann::json::array();
    for (const std::string& email : request.attendees)
      body["attendees"].push_back({{"email", email}});
  }
  const nlohmann::json created =
      session.call({"POST",
                    eventsPath(request.calendarId),
                    {{"conferenceDataVersion", "1"}, {"sendUpdates", "all"}},
                    body,
                    {}});
  const std::optional<std::string> id = pjson::text(created, "id");
  const std::optional<ParsedInstant> createdStart = googleTime(created, "start");
  if (!id || !createdStart)
    throw ProviderFailure("Google Calendar a répondu un événement illisible.");
  nlohmann::ordered_json answer = {
      {"id", *id},
      {"calendarId", request.calendarId},
      {"title", pjson::text(created, "summary").value_or(request.title)},
      {"start", isoSeconds(createdStart->unixSeconds)}};
  if (const std::optional<ParsedInstant> createdEnd = googleTime(created, "end")) {
    answer["end"] = isoSeconds(createdEnd->unixSeconds);
  }
  if (const auto link = pjson::text(created, "htmlLink")) answer["htmlLink"] = *link;
  if (const auto link = meetLink(created)) answer["meetLink"] = *link;
  return answer;
}

}  // namespace talewick::server
