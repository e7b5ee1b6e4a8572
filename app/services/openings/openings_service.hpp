// Booking links: publishing free slots of the calendar as a page visitors book from, following
// the requests that come in, answering them, and writing every confirmed booking into the
// calendar once.
//
// Lives on the main loop like every store: calls are made there and every completion runs there;
// only the HTTP exchanges run on the "openings" serial queue. The published openings
// ("openings.published") and the ids already written to the calendar ("openings.imported") are
// kept in the preferences and survive any failure.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "core/clock.hpp"
#include "core/observers.hpp"
#include "core/preferences.hpp"
#include "core/quest_store.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"
#include "kingdom/availability.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/openings/booking_request.hpp"
#include "services/openings/openings_error.hpp"

namespace talewick::openings {

using backend::Outcome;

class OpeningsService {
 public:
  static constexpr const char* PUBLISHED_KEY = "openings.published";  // preference
  static constexpr const char* IMPORTED_KEY = "openings.imported";    // preference
  static constexpr std::chrono::seconds CALL_TIMEOUT{15};
  static constexpr const char* QUEUE = "openings";
  // The notes of an imported booking end with this line.
  static constexpr const char* IMPORT_MARK = "Réservé via Doridozu.";

  // Busy time is read from `calendar`; bookings are written through `quests`, the way every new
  // event is.
  OpeningsService(backend::BackendConnection& backend, Preferences& preferences,
                  SecretsStore& secrets, CalendarEventStorePort& calendar, QuestStore& quests,
                  RunLoop& loop, Clock clock);

  // Published state, announced to the observers after each change.
  const std::vector<BookingRequest>& bookingRequests() const { return bookingRequests_; }
  bool isRefreshingBookings() const { return refreshing_; }
  const std::optional<std::string>& bookingsError() const { return bookingsError_; }
  std::string baseURL() const { return backend_.baseURL(); }
  int pendingBookingCount() const;
  int observe(std::function<void()> observer) { return observers_.add(std::move(observer)); }
  void unobserve(int token) { observers_.remove(token); }

  // The openings published from this machine, oldest first (a damaged entry is skipped).
  std::vector<PublishedOpening> publishedOpenings() const;
  std::vector<std::string> importedIDs() const;
  // The bookings the last pollAndImport wrote to the calendar.
  const std::vector<BookingRequest>& lastImported() const { return lastImported_; }

  // Publishes the free slots of `config` (its slot length is set to `durationMin`) found between
  // the calendar's occurrences from now to the end of the horizon, and hands back the page's
  // link. `approval` is "auto" or "manual". Fails with OpeningsError: notConfigured or noSlots
  // (nothing is sent), calendarAccess, server.
  void publish(const std::string& title, int64_t durationMin, const std::string& approval,
               AvailabilityConfig config, std::function<void(Outcome<std::string>)> done);

  // Gathers the bookings of every published opening into bookingRequests (sorted by status);
  // a failure keeps the previous list and sets bookingsError.
  void refreshBookingRequests(std::function<void()> done = {});

  // Confirms the request, then writes it to the calendar (unless written already): true when it
  // was written now.
  void approve(const BookingRequest& request, std::function<void(Outcome<bool>)> done);
  void decline(const BookingRequest& request, std::function<void(Outcome<bool>)> done);

  // Writes each confirmed booking not yet written to the calendar; hands back how many.
  void pollAndImport(std::function<void(Outcome<int>)> done);

 private:
  struct OpeningBookings {
    PublishedOpening opening;
    std::vector<BackendBooking> bookings;
  };
  using Listing = std::vector<OpeningBookings>;
  // The bookings of every published opening, asked one after the other.
  void listAll(std::function<void(Outcome<Listing>)> done);
  void listFrom(std::vector<PublishedOpening> openings, Listing listed,
                std::function<void(Outcome<Listing>)> done);
  void setStatus(const BookingRequest& request, const std::string& status,
                 std::function<void(Outcome<bool>)> done);
  // Writes the booking as a calendar event and records its id. Throws OpeningsError.
  void importBooking(const PublishedOpening& opening, const BackendBooking& booking);
  // A key left in the preferences by an older version goes to the secrets store.
  void adoptKeyLeftInPreferences();
  void setRequestStatus(const std::string& id, const std::string& status);

  backend::BackendConnection& backend_;
  Preferences& preferences_;
  SecretsStore& secrets_;
  CalendarEventStorePort& calendar_;
  QuestStore& quests_;
  RunLoop& loop_;
  Clock clock_;
  std::vector<BookingRequest> bookingRequests_;
  std::vector<BookingRequest> lastImported_;
  bool refreshing_ = false;
  std::optional<std::string> bookingsError_;
  ObserverList<> observers_;
};

}  // namespace talewick::openings
