#include "services/google/google_calendar_store.hpp"

#include <utility>

#include "services/backend/backend_error.hpp"
#include "services/backend/backend_url.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::google {

namespace {

const std::string NAME = "Google Calendar";

std::string isoText(Date date) { return iso8601::format(date, 0); }

}  // namespace

Json meetRequestBody(const MeetEventRequest& request) {
  Json body = {{"title", request.title},
               {"start", isoText(request.start)},
               {"end", isoText(request.end)},
               {"attendees", request.attendees}};
  if (request.calendarId) body["calendarId"] = *request.calendarId;
  if (request.timeZone) body["timeZone"] = *request.timeZone;
  if (request.location) body["location"] = *request.location;
  if (request.notes) body["notes"] = *request.notes;
  return body;
}

MeetEvent decodeMeetEvent(std::string_view body) {
  const Json answer = Json::parse(body, nullptr, false);
  const auto found = answer.is_object() ? answer.find("event") : answer.end();
  if (!answer.is_object() || found == answer.end() || !found->is_object()) {
    throw DecodeError("event", json_coding::reasonExpected("object"));
  }
  const Json& event = *found;
  MeetEvent out;
  json_coding::decode(event.at("id"), out.id);
  json_coding::decode(event.value("calendarId", Json("")), out.calendarId);
  json_coding::decode(event.value("title", Json("")), out.title);
  json_coding::decode(event.at("start"), out.start);
  if (event.contains("end")) {
    Date end;
    json_coding::decode(event["end"], end);
    out.end = end;
  }
  for (const auto& [key, field] :
       {std::pair{"htmlLink", &out.htmlLink}, {"meetLink", &out.meetLink}}) {
    if (event.contains(key) && event[key].is_string()) *field = event[key].get<std::string>();
  }
  return out;
}

GoogleCalendarStore::GoogleCalendarStore(FilePort& files, std::filesystem::path file,
                                         std::function<backend::BackendConnection&()> backend,
                                         Preferences& preferences, RunLoop& loop,
                                         std::ostream& diagnostics)
    : file_(files, std::move(file), diagnostics),
      backend_(std::move(backend)),
      preferences_(preferences),
      loop_(loop) {
  cache_ = file_.load<GoogleCalendar::Cache>();
}

void GoogleCalendarStore::finish(bool failed, std::string line) {
  loading_ = false;
  failed_ = failed;
  statusLine_ = std::move(line);
  for (auto& waiting : std::exchange(waiting_, {})) waiting();
}

void GoogleCalendarStore::refresh(std::function<void()> done) {
  if (done) waiting_.push_back(std::move(done));
  if (loading_) return;
  backend::BackendConnection& backend = backend_();
  const auto failure = [this](const std::exception_ptr& e) {
    finish(true, NAME + " impossible : " + backend::failureText(e));
  };
  if (!backend.configured()) {
    return failure(std::make_exception_ptr(backend::BackendError::notConfigured()));
  }
  loading_ = true;
  backend.perform(
      {"GET", "api/google-calendar/connections", "", STATUS_TIMEOUT}, loop_.serialQueue(QUEUE),
      [this, &backend, failure](backend::Outcome<std::string> outcome) {
        try {
          status_ = backend::decodeProviderStatus(outcome.get(), false);
        } catch (...) {
          return failure(std::current_exception());
        }
        if (!status_->connection) {
          const bool awaitingOAuth = preferences_.value(CONNECTED_FLAG) == Json(true);
          return finish(false, awaitingOAuth
                                   ? NAME + " prêt, en attente de validation OAuth Google."
                                   : NAME + " non connecté");
        }
        backend.perform(
            {"POST", "api/google-calendar/sync", "", CALL_TIMEOUT}, loop_.serialQueue(QUEUE),
            [this, failure](backend::Outcome<std::string> synced) {
              try {
                GoogleCalendar::Cache next = decodeJsonText<GoogleCalendar::Cache>(synced.get());
                // Saved first: a refused write keeps the previous cache.
                if (next != cache_) file_.save(next);
                cache_ = std::move(next);
              } catch (const DecodeError&) {
                return failure(std::make_exception_ptr(backend::BackendError::unreadableAnswer()));
              } catch (...) {
                return failure(std::current_exception());
              }
              finish(false, NAME + " synchronisé : " + std::to_string(cache_->events.size()));
            });
      });
}

void GoogleCalendarStore::respond(const GoogleCalendar::EventTarget& target,
                                  const std::string& response,
                                  std::function<void(bool, const std::string&)> done) {
  backend::BackendConnection& backend = backend_();
  if (!backend.configured()) return done(false, backend::BackendError::notConfigured().what());
  const std::string path = "api/google-calendar/events/" + percentEncoded(target.calendarId) + "/" +
                           percentEncoded(target.eventId);
  backend.perform({"PATCH", path, Json{{"response", response}}.dump(), CALL_TIMEOUT},
                  loop_.serialQueue(QUEUE),
                  [done = std::move(done)](backend::Outcome<std::string> outcome) {
                    if (outcome.ok()) return done(true, "");
                    done(false, backend::failureText(outcome.failure));
                  });
}

void GoogleCalendarStore::createMeetEvent(const MeetEventRequest& request,
                                          std::function<void(std::optional<MeetEvent>)> done) {
  if (!isConnected()) {
    statusLine_ = "Google Meet est en attente de validation OAuth Google.";
    return done(std::nullopt);
  }
  backend::BackendConnection& backend = backend_();
  backend.perform(
      {"POST", "api/google-calendar/events", meetRequestBody(request).dump(), CALL_TIMEOUT},
      loop_.serialQueue(QUEUE),
      [this, done = std::move(done)](backend::Outcome<std::string> outcome) {
        try {
          MeetEvent event = decodeMeetEvent(outcome.get());
          statusLine_ = event.meetLink ? "Google Meet créé : " + *event.meetLink
                                       : "Événement Google Calendar créé.";
          return done(std::move(event));
        } catch (const DecodeError&) {
          statusLine_ = std::string("Échec Google Meet : ") +
                        backend::BackendError::unreadableAnswer().what();
        } catch (...) {
          statusLine_ = "Échec Google Meet : " + backend::failureText(std::current_exception());
        }
        done(std::nullopt);
      });
}

}  // namespace talewick::google
