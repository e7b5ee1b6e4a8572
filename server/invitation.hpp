// An invitation the relay mailed for one of its users, and what each guest answered: what the
// storage keeps so that answers arriving by mail or through the answer links can be checked and
// read back by the user's devices.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talewick::server {

struct InvitedGuest {
  std::string email;  // as the organizer wrote it; guests are told apart ignoring case
  std::optional<std::string> name;
  // "accepted", "declined", "tentative", or "needsAction" until the guest answers.
  std::string status = "needsAction";
  std::optional<std::int64_t> respondedAt;  // seconds since 1970 (UTC)
  std::optional<std::string> comment;
  bool operator==(const InvitedGuest&) const = default;
};

struct Invitation {
  std::string uid;    // the calendar event's UID, known to every guest
  std::string token;  // the secret of the answer address and links, known to guests only
  std::string ownerId;
  std::int64_t sequence = 0;
  std::string title;                 // the event's title, shown on the answer page
  std::vector<InvitedGuest> guests;  // in the order the organizer listed them
  bool operator==(const Invitation&) const = default;
};

// `email` in lower case (ASCII): the key guests are told apart by.
std::string guestKey(const std::string& email);

}  // namespace talewick::server
