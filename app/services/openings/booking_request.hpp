// The records of the booking links on this side: an opening this user published, a booking as
// the backend sends it, and the request the user reads and answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/json.hpp"

namespace talewick::openings {

// Kept in the preferences under "openings.published" (JSON keys = field names).
struct PublishedOpening {
  std::string id;
  std::string title;
  int64_t durationMin = 0;
  bool operator==(const PublishedOpening&) const = default;
};
// Strict: a missing key or a wrong type throws DecodeError.
void to_json(Json& j, const PublishedOpening& v);
void from_json(const Json& j, PublishedOpening& v);

// A booking as the backend lists it: every key required, every value a string.
struct BackendBooking {
  std::string id, slot, name, email, note, status, createdAt;
  bool operator==(const BackendBooking&) const = default;
};
void to_json(Json& j, const BackendBooking& v);
void from_json(const Json& j, BackendBooking& v);
// The bookings of a list answer ({"bookings": […]}); nullopt when the answer is not one.
std::optional<std::vector<BackendBooking>> decodeBookings(const std::string& body);

struct BookingRequest {
  std::string id;
  std::string openingID;
  std::string openingTitle;
  int64_t durationMin = 0;
  std::string slot;  // ISO 8601 start
  std::string name, email, note;
  // "pending", "confirmed", "declined", or "imported" once written to the calendar.
  std::string status;
  std::string createdAt;  // ISO 8601
  bool operator==(const BookingRequest&) const = default;
};
void to_json(Json& j, const BookingRequest& v);
void from_json(const Json& j, BookingRequest& v);

// The request for `booking` of `opening`: a confirmed booking already written to the calendar
// shows as "imported".
BookingRequest requestOf(const PublishedOpening& opening, const BackendBooking& booking,
                         bool imported);

// Sorts by status, pending first, then confirmed, imported, declined (any other status last);
// the order within a status is kept.
void sortByStatus(std::vector<BookingRequest>& requests);

}  // namespace talewick::openings
