#include "services/openings/booking_request.hpp"

#include <algorithm>
#include <array>

namespace talewick::openings {
using json_coding::Field;

static const auto kPublishedFields =
    std::tuple{Field{"id", &PublishedOpening::id}, Field{"title", &PublishedOpening::title},
               Field{"durationMin", &PublishedOpening::durationMin}};
TALEWICK_JSON_CODING(PublishedOpening, kPublishedFields)

static const auto kBackendBookingFields =
    std::tuple{Field{"id", &BackendBooking::id},
               Field{"slot", &BackendBooking::slot},
               Field{"name", &BackendBooking::name},
               Field{"email", &BackendBooking::email},
               Field{"note", &BackendBooking::note},
               Field{"status", &BackendBooking::status},
               Field{"createdAt", &BackendBooking::createdAt}};
TALEWICK_JSON_CODING(BackendBooking, kBackendBookingFields)

static const auto kRequestFields = std::tuple{Field{"id", &BookingRequest::id},
                                              Field{"openingID", &BookingRequest::openingID},
                                              Field{"openingTitle", &BookingRequest::openingTitle},
                                              Field{"durationMin", &BookingRequest::durationMin},
                                              Field{"slot", &BookingRequest::slot},
                                              Field{"name", &BookingRequest::name},
                                              Field{"email", &BookingRequest::email},
                                              Field{"note", &BookingRequest::note},
                                              Field{"status", &BookingRequest::status},
                                              Field{"createdAt", &BookingRequest::createdAt}};
TALEWICK_JSON_CODING(BookingRequest, kRequestFields)

std::optional<std::vector<BackendBooking>> decodeBookings(const std::string& body) {
  const Json answer = Json::parse(body, nullptr, false);
  if (!answer.is_object() || !answer.contains("bookings")) return std::nullopt;
  try {
    std::vector<BackendBooking> bookings;
    json_coding::decode(answer["bookings"], bookings);
    return bookings;
  } catch (const DecodeError&) {
    return std::nullopt;
  }
}

BookingRequest requestOf(const PublishedOpening& opening, const BackendBooking& booking,
                         bool imported) {
  return {booking.id,
          opening.id,
          opening.title,
          opening.durationMin,
          booking.slot,
          booking.name,
          booking.email,
          booking.note,
          imported && booking.status == "confirmed" ? "imported" : booking.status,
          booking.createdAt};
}

void sortByStatus(std::vector<BookingRequest>& requests) {
  const auto rank = [](const BookingRequest& request) {
    static const std::array<std::string_view, 4> order = {"pending", "confirmed", "imported",
                                                          "declined"};
    return std::find(order.begin(), order.end(), request.status) - order.begin();
  };
  std::stable_sort(
      requests.begin(), requests.end(),
      [&](const BookingRequest& a, const BookingRequest& b) { return rank(a) < rank(b); });
}

}  // namespace talewick::openings
