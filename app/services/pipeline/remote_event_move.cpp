#include "services/pipeline/remote_event_move.hpp"

#include "services/backend/backend_error.hpp"
#include "services/backend/backend_url.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::pipeline {

namespace {

constexpr std::chrono::seconds GOOGLE_TIMEOUT{30};
constexpr std::chrono::seconds MICROSOFT_TIMEOUT{25};

bool isGoogle(const IntegrationWire::Item& item) { return item.provider == "google-calendar"; }

}  // namespace

bool isMovableRemoteEvent(const IntegrationWire::Item& item) {
  return IntegrationPipeline::isCalendarItem(item) && item.calendarEvent &&
         (isGoogle(item) || item.provider == "microsoft-calendar");
}

void moveRemoteEvent(backend::BackendConnection& backend, SerialQueue& queue,
                     const IntegrationWire::Item& item, Date start, Date end,
                     std::function<void(std::optional<std::string>)> done) {
  const std::string failureLine = isGoogle(item) ? "Échec du déplacement Google Calendar"
                                                 : "Échec du déplacement Outlook Calendar";
  if (!isMovableRemoteEvent(item) || !backend.configured()) {
    return done(failureLine + " : " + backend::BackendError::notConfigured().what());
  }
  const IntegrationWire::CalendarEvent& event = *item.calendarEvent;
  backend::BackendCall call;
  if (isGoogle(item)) {
    call = {"PATCH",
            "api/google-calendar/events/" + percentEncoded(event.calendarId) + "/" +
                percentEncoded(event.eventId),
            Json{{"start", iso8601::format(start, 0)}, {"end", iso8601::format(end, 0)}}.dump(),
            GOOGLE_TIMEOUT};
  } else {
    call = {
        "PATCH", "api/microsoft/calendar/events/" + percentEncoded(event.eventId),
        Json{{"startsAt", iso8601::format(start, 0)}, {"endsAt", iso8601::format(end, 0)}}.dump(),
        MICROSOFT_TIMEOUT};
  }
  backend.perform(std::move(call), queue,
                  [failureLine, done = std::move(done)](backend::Outcome<std::string> outcome) {
                    if (outcome.ok()) return done(std::nullopt);
                    done(failureLine + " : " + backend::failureText(outcome.failure));
                  });
}

}  // namespace talewick::pipeline
