#include "services/openings/openings_service.hpp"

#include <algorithm>
#include <cmath>

#include "core/calendar_access.hpp"
#include "services/backend/backend_error.hpp"
#include "services/backend/backend_url.hpp"
#include "support/date.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"

namespace talewick::openings {
namespace {

using backend::BackendCall;
using backend::BackendConnection;

template <class T>
Outcome<T> failed(std::exception_ptr failure) {
  return {std::nullopt, std::move(failure)};
}

std::string bookingsPath(const std::string& openingID) {
  return "api/openings/" + openingID + "/bookings";
}

// A slot as the backend keeps it: the local start with its UTC offset, so that the page shows
// the owner's own hours.
std::string slotText(Date start) {
  return iso8601::format(start, LocalCalendar::utcOffsetSeconds(start));
}

}  // namespace

OpeningsService::OpeningsService(BackendConnection& backend, Preferences& preferences,
                                 SecretsStore& secrets, CalendarEventStorePort& calendar,
                                 QuestStore& quests, RunLoop& loop, Clock clock)
    : backend_(backend),
      preferences_(preferences),
      secrets_(secrets),
      calendar_(calendar),
      quests_(quests),
      loop_(loop),
      clock_(std::move(clock)) {}

int OpeningsService::pendingBookingCount() const {
  return static_cast<int>(
      std::count_if(bookingRequests_.begin(), bookingRequests_.end(),
                    [](const BookingRequest& r) { return r.status == "pending"; }));
}

std::vector<PublishedOpening> OpeningsService::publishedOpenings() const {
  std::vector<PublishedOpening> openings;
  const std::optional<Json> stored = preferences_.value(PUBLISHED_KEY);
  if (!stored || !stored->is_array()) return openings;
  for (const Json& entry : *stored) {
    try {
      openings.push_back(entry.get<PublishedOpening>());
    } catch (const DecodeError&) {
    }
  }
  return openings;
}

std::vector<std::string> OpeningsService::importedIDs() const {
  return preferences_.stringList(IMPORTED_KEY);
}

void OpeningsService::adoptKeyLeftInPreferences() {
  const std::optional<std::string> left = preferences_.string(BackendConnection::API_KEY_ITEM);
  if (!left) return;
  try {
    const std::optional<std::string> kept = secrets_.get(BackendConnection::API_KEY_ITEM);
    if (!kept || kept->empty()) secrets_.set(BackendConnection::API_KEY_ITEM, *left);
    preferences_.remove(BackendConnection::API_KEY_ITEM);
  } catch (const std::exception&) {
    // The secrets store cannot be written: the key stays where it is, still usable.
  }
}

void OpeningsService::publish(const std::string& title, int64_t durationMin,
                              const std::string& approval, AvailabilityConfig config,
                              std::function<void(Outcome<std::string>)> done) {
  adoptKeyLeftInPreferences();
  if (!backend_.configured()) {
    return done(failed<std::string>(std::make_exception_ptr(OpeningsError::notConfigured())));
  }
  config.slotMinutes = durationMin;
  const Date now = clock_();
  std::vector<DateInterval> busy;
  try {
    if (!calendar_.requestFullAccess()) {
      throw OpeningsError::calendarAccess(
          Loc::string("status.noAccess", "pas d'accès au calendrier"));
    }
    const Date horizonEnd = LocalCalendar::startOfDay(
        LocalCalendar::addingDays(now, static_cast<int>(config.horizonDays)));
    // Every calendar counts, shown or hidden: a hidden meeting still takes the time.
    for (const CalendarEvent& event :
         calendar_.events(calendar_.predicateForEvents(now, horizonEnd, std::nullopt))) {
      busy.push_back({event.start, event.end});
    }
  } catch (const OpeningsError&) {
    return done(failed<std::string>(std::current_exception()));
  } catch (const std::exception& e) {
    return done(
        failed<std::string>(std::make_exception_ptr(OpeningsError::calendarAccess(e.what()))));
  }
  const std::vector<DateInterval> slots = Availability::openSlots(busy, now, config);
  if (slots.empty()) {
    return done(failed<std::string>(std::make_exception_ptr(OpeningsError::noSlots())));
  }
  Json starts = Json::array();
  for (const DateInterval& slot : slots) starts.push_back(slotText(slot.start));
  const Json body{{"title", title},
                  {"durationMin", durationMin},
                  {"approval", approval},
                  // No conference room is offered yet: the owner says where in the title.
                  {"conference", ""},
                  {"slots", std::move(starts)}};
  backend_.perform(
      BackendCall{"POST", "api/openings", body.dump(), CALL_TIMEOUT}, loop_.serialQueue(QUEUE),
      [this, title, durationMin, done = std::move(done)](Outcome<std::string> answer) {
        if (!answer.ok())
          return done(failed<std::string>(OpeningsError::fromBackend(answer.failure)));
        const Json published = Json::parse(*answer.value, nullptr, false);
        const bool readable = published.is_object() && published.contains("id") &&
                              published["id"].is_string() && published.contains("url") &&
                              published["url"].is_string() &&
                              backend::isHttpURL(published["url"].get<std::string>());
        if (!readable) {
          return done(failed<std::string>(std::make_exception_ptr(
              OpeningsError::server(backend::BackendError::unreadableAnswer().what()))));
        }
        Json list = Json::array();
        for (const PublishedOpening& opening : publishedOpenings()) list.push_back(opening);
        list.push_back(PublishedOpening{published["id"].get<std::string>(), title, durationMin});
        try {
          preferences_.set(PUBLISHED_KEY, std::move(list));
        } catch (const std::exception&) {
          return done(failed<std::string>(std::current_exception()));
        }
        done({published["url"].get<std::string>(), nullptr});
      });
}

void OpeningsService::listAll(std::function<void(Outcome<Listing>)> done) {
  adoptKeyLeftInPreferences();
  listFrom(publishedOpenings(), {}, std::move(done));
}

void OpeningsService::listFrom(std::vector<PublishedOpening> openings, Listing listed,
                               std::function<void(Outcome<Listing>)> done) {
  if (listed.size() == openings.size()) return done({std::move(listed), nullptr});
  const std::string path = bookingsPath(openings[listed.size()].id);
  backend_.perform(
      BackendCall{"GET", path, "", CALL_TIMEOUT}, loop_.serialQueue(QUEUE),
      [this, openings = std::move(openings), listed = std::move(listed),
       done = std::move(done)](Outcome<std::string> answer) mutable {
        if (!answer.ok()) {
          return done(failed<Listing>(OpeningsError::fromBackend(answer.failure)));
        }
        std::optional<std::vector<BackendBooking>> bookings = decodeBookings(*answer.value);
        if (!bookings) {
          return done(failed<Listing>(std::make_exception_ptr(
              OpeningsError::server(backend::BackendError::unreadableAnswer().what()))));
        }
        const PublishedOpening& opening = openings[listed.size()];
        listed.push_back({opening, std::move(*bookings)});
        listFrom(std::move(openings), std::move(listed), std::move(done));
      });
}

void OpeningsService::refreshBookingRequests(std::function<void()> done) {
  refreshing_ = true;
  observers_.notify();
  listAll([this, done = std::move(done)](Outcome<Listing> listing) {
    refreshing_ = false;
    if (!listing.ok()) {
      bookingsError_ =
          Loc::string("openings.refreshFailed", "Impossible de récupérer les réservations.");
    } else {
      const std::vector<std::string> imported = importedIDs();
      std::vector<BookingRequest> requests;
      for (const OpeningBookings& listed : *listing.value) {
        for (const BackendBooking& booking : listed.bookings) {
          const bool written =
              std::find(imported.begin(), imported.end(), booking.id) != imported.end();
          requests.push_back(requestOf(listed.opening, booking, written));
        }
      }
      sortByStatus(requests);
      bookingRequests_ = std::move(requests);
      bookingsError_.reset();
    }
    observers_.notify();
    if (done) done();
  });
}

void OpeningsService::importBooking(const PublishedOpening& opening,
                                    const BackendBooking& booking) {
  const std::optional<iso8601::Parsed> slot = iso8601::parse(booking.slot);
  if (!slot || !slot->offsetSeconds) {
    throw OpeningsError::server(backend::BackendError::unreadableAnswer().what());
  }
  const std::optional<CalendarInfo> place = CalendarAccess::calendarForHint(calendar_, "");
  if (!place) {
    throw OpeningsError::calendarAccess(Loc::string(
        "cli.add.noWritable",
        "aucun agenda où écrire : le dossier des calendriers n'en a aucun de modifiable"));
  }
  CalendarEvent event;
  event.calendarID = place->identifier;
  event.title = opening.title;
  event.start = iso8601::instant(slot->civil, *slot->offsetSeconds);
  event.end = event.start.adding(static_cast<double>(opening.durationMin) * 60);
  event.attendees.push_back(Participant{booking.name, "mailto:" + booking.email,
                                        ParticipantStatus::accepted, ParticipantRole::required,
                                        false});
  event.notes = "Contact : " + booking.name + " <" + booking.email + ">\n" + IMPORT_MARK;
  try {
    if (!quests_.createEvent(std::move(event))) {
      throw OpeningsError::calendarAccess(quests_.statusLine());
    }
  } catch (const CalendarStoreError& e) {
    throw OpeningsError::calendarAccess(e.what());
  }
  std::vector<std::string> imported = importedIDs();
  imported.push_back(booking.id);
  preferences_.set(IMPORTED_KEY, Json(imported));
}

void OpeningsService::pollAndImport(std::function<void(Outcome<int>)> done) {
  listAll([this, done = std::move(done)](Outcome<Listing> listing) {
    lastImported_.clear();
    if (!listing.ok()) return done(failed<int>(listing.failure));
    int written = 0;
    try {
      for (const OpeningBookings& listed : *listing.value) {
        for (const BackendBooking& booking : listed.bookings) {
          const std::vector<std::string> imported = importedIDs();
          if (booking.status != "confirmed" ||
              std::find(imported.begin(), imported.end(), booking.id) != imported.end()) {
            continue;
          }
          importBooking(listed.opening, booking);
          lastImported_.push_back(requestOf(listed.opening, booking, true));
          setRequestStatus(booking.id, "imported");
          ++written;
        }
      }
    } catch (const std::exception&) {
      // What was written stays recorded; the rest waits for the next poll.
      if (written > 0) observers_.notify();
      return done(failed<int>(std::current_exception()));
    }
    if (written > 0) observers_.notify();
    done({written, nullptr});
  });
}

void OpeningsService::setStatus(const BookingRequest& request, const std::string& status,
                                std::function<void(Outcome<bool>)> done) {
  adoptKeyLeftInPreferences();
  const Json body{{"bookingId", request.id}, {"status", status}};
  backend_.perform(
      BackendCall{"PATCH", bookingsPath(request.openingID), body.dump(), CALL_TIMEOUT},
      loop_.serialQueue(QUEUE),
      [this, request, status, done = std::move(done)](Outcome<std::string> answer) {
        if (!answer.ok()) return done(failed<bool>(OpeningsError::fromBackend(answer.failure)));
        setRequestStatus(request.id, status);
        if (status != "confirmed") {
          observers_.notify();
          return done({false, nullptr});
        }
        const std::vector<std::string> imported = importedIDs();
        if (std::find(imported.begin(), imported.end(), request.id) != imported.end()) {
          setRequestStatus(request.id, "imported");
          observers_.notify();
          return done({false, nullptr});
        }
        try {
          importBooking(
              PublishedOpening{request.openingID, request.openingTitle, request.durationMin},
              BackendBooking{request.id, request.slot, request.name, request.email, request.note,
                             status, request.createdAt});
        } catch (const std::exception&) {
          observers_.notify();
          return done(failed<bool>(std::current_exception()));
        }
        setRequestStatus(request.id, "imported");
        observers_.notify();
        done({true, nullptr});
      });
}

void OpeningsService::approve(const BookingRequest& request,
                              std::function<void(Outcome<bool>)> done) {
  setStatus(request, "confirmed", std::move(done));
}

void OpeningsService::decline(const BookingRequest& request,
                              std::function<void(Outcome<bool>)> done) {
  setStatus(request, "declined", std::move(done));
}

void OpeningsService::setRequestStatus(const std::string& id, const std::string& status) {
  for (BookingRequest& request : bookingRequests_) {
    if (request.id == id) request.status = status;
  }
  sortByStatus(bookingRequests_);
}

}  // namespace talewick::openings
