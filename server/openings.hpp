// Booking links as the server checks and shows them: the opening a publish body describes, the
// slots as instants, the booking record the owner's calls answer with, and the visitor's form.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "server/storage.hpp"

namespace talewick::server::openings {

inline constexpr std::size_t MAX_TITLE_BYTES = 200;
inline constexpr std::int64_t MIN_DURATION_MIN = 5;
inline constexpr std::int64_t MAX_DURATION_MIN = 480;
inline constexpr std::size_t MAX_SLOTS = 2000;
inline constexpr std::size_t MAX_CONFERENCE_BYTES = 500;
inline constexpr std::size_t MAX_NAME_BYTES = 200;
inline constexpr std::size_t MAX_EMAIL_BYTES = 254;
inline constexpr std::size_t MAX_NOTE_BYTES = 2000;

// What a publish body asks for, checked; the French refusal otherwise. The ids, the owner and
// the date are the caller's to fill in. Slots are kept as written (each once, in the order
// sent).
struct OpeningRequest {
  std::string title;
  std::int64_t durationMin = 0;
  std::string approval;
  std::string conference;
  std::vector<std::string> slots;
};
std::variant<OpeningRequest, std::string> readOpeningRequest(const nlohmann::json& body);

// Seconds since 1970 of a slot: an ISO 8601 date and time that carries its UTC offset ("Z",
// "+01:00"); nullopt for anything else.
std::optional<std::int64_t> slotInstant(std::string_view slot);

// The slots of `opening` a visitor may still ask for: starting after `now`, and held by no
// booking that is not declined; earliest first.
std::vector<std::string> freeSlots(const Opening& opening, const std::vector<Booking>& bookings,
                                   std::int64_t now);

// The record of a booking in the owner's calls (createdAt as ISO 8601 text in UTC).
nlohmann::json bookingRecord(const Booking& booking);

// What a visitor typed in the form.
struct BookingForm {
  std::string slot, name, email, note;
};
// The fields of an "application/x-www-form-urlencoded" body ("+" is a space, "%XX" a byte); a
// field given twice keeps its first value, unknown fields are ignored. The name and the e-mail
// are trimmed of surrounding white space.
BookingForm readBookingForm(std::string_view body);

// The French reason the form cannot be sent as it is (missing name or e-mail, a malformed
// e-mail, a field too long, control characters or text that is not UTF-8); nullopt when it can.
// Whether the slot is still free is the storage's to say.
std::optional<std::string> formProblem(const BookingForm& form);

// Whether `text` is UTF-8 without control characters (line breaks and tabs allowed when
// `multiline`).
bool cleanText(std::string_view text, bool multiline);

}  // namespace talewick::server::openings
