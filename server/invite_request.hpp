// What a desktop program asks the relay to mail: the invitation's calendar text, the texts of the
// mail's body and its guests, as posted to "api/send-invite".
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace talewick::server {

// The most guests one invitation may reach, and the largest calendar text mailed.
inline constexpr std::size_t MAX_GUESTS = 50;
inline constexpr std::size_t MAX_ICS_BYTES = 256 * 1024;

struct InviteGuest {
  std::string email;
  std::optional<std::string> name;
  bool operator==(const InviteGuest&) const = default;
};

struct InviteRequest {
  std::string organizerEmail;
  std::optional<std::string> organizerName;
  std::string subject;
  std::string ics;
  std::string uid;
  std::string token;
  std::string eventTitle;
  std::string whenLabel;
  std::optional<std::string> location;
  std::string lore;
  std::vector<InviteGuest> invitees;
  std::int64_t sequence = 0;  // read from the calendar text's SEQUENCE, 0 without one
  bool operator==(const InviteRequest&) const = default;
};

// The request `body` holds, or the French sentence naming its first fault: a missing or
// malformed key, an address that is not one, an empty or too large calendar text, a UID that
// could not stand in a link, a token not made like the ones clients draw, no guest or more than
// MAX_GUESTS.
std::variant<InviteRequest, std::string> readInviteRequest(const nlohmann::json& body);

// Whether `uid` may stand in an answer link's path: 1 to 255 letters, digits and "._@+-".
bool isLinkableUid(std::string_view uid);

}  // namespace talewick::server
