#include "services/openings/booking_request.hpp"

#include <gtest/gtest.h>

namespace talewick::openings {
namespace {

TEST(BookingRequests, SortPendingFirstThenConfirmedImportedAndDeclinedKeepingTheirOrder) {
  std::vector<BookingRequest> requests;
  for (const char* status :
       {"declined", "imported", "pending", "confirmed", "pending", "declined", "imported"}) {
    BookingRequest r;
    r.id = std::to_string(requests.size());
    r.status = status;
    requests.push_back(r);
  }
  sortByStatus(requests);
  std::vector<std::string> order;
  for (const BookingRequest& r : requests) order.push_back(r.status + ":" + r.id);
  EXPECT_EQ(order, (std::vector<std::string>{"pending:2", "pending:4", "confirmed:3", "imported:1",
                                             "imported:6", "declined:0", "declined:5"}));
}

TEST(BookingRequests, ShowAWrittenConfirmedBookingAsImported) {
  const PublishedOpening opening{"o1", "Café", 45};
  BackendBooking booking{"b1",        "2099-06-08T10:00:00+02:00", "Ana", "ana@example.org", "",
                         "confirmed", "2099-06-01T08:00:00Z"};
  EXPECT_EQ(requestOf(opening, booking, true),
            (BookingRequest{"b1", "o1", "Café", 45, "2099-06-08T10:00:00+02:00", "Ana",
                            "ana@example.org", "", "imported", "2099-06-01T08:00:00Z"}));
  EXPECT_EQ(requestOf(opening, booking, false).status, "confirmed");
  // Only a confirmed booking is ever written: a declined one stays declined.
  booking.status = "declined";
  EXPECT_EQ(requestOf(opening, booking, true).status, "declined");
}

TEST(BookingRequests, DecodeTheBackendsListStrictly) {
  const auto decoded = decodeBookings(
      R"({"bookings": [{"id": "b1", "slot": "s", "name": "n", "email": "e", "note": "",
          "status": "pending", "createdAt": "2099-06-01T08:00:00.125Z", "extra": 1}]})");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, (std::vector<BackendBooking>{
                          {"b1", "s", "n", "e", "", "pending", "2099-06-01T08:00:00.125Z"}}));
  EXPECT_EQ(decodeBookings(R"({"bookings": []})"), std::vector<BackendBooking>{});
  for (const char* bad :
       {"", "[]", R"({"booking": []})", R"({"bookings": {}})", R"({"bookings": [1]})",
        R"({"bookings": [{"id": "b1", "slot": "s", "name": "n", "email": "e", "note": "",
            "status": "pending"}]})",
        R"({"bookings": [{"id": 7, "slot": "s", "name": "n", "email": "e", "note": "",
            "status": "pending", "createdAt": "c"}]})"}) {
    EXPECT_EQ(decodeBookings(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace talewick::openings
