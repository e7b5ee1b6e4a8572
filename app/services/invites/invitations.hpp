// The invitations of the events the user writes: sent through the relay after an event with
// guests is created or moved, remembered in the registry, and their answers read back.
//
// Lives on the main loop like the backend session it uses: the HTTP exchanges run on the
// "invites.relay" serial queue and every completion comes back to the main loop.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "core/clock.hpp"
#include "core/http_port.hpp"
#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/invites/invite_registry.hpp"
#include "text/rsvp.hpp"

namespace talewick::invites {

// A guest's answer that arrived with the last refresh.
struct AnswerNews {
  std::string guest;  // the name, else the address
  RSVPStatus status = RSVPStatus::needsAction;
  std::string title;  // the event's
  std::string key;    // one per invitation and guest: UID "|" address in lower case
  bool operator==(const AnswerNews&) const = default;
};

class Invitations {
 public:
  static constexpr const char* QUEUE = "invites.relay";
  // The relay's mail domain when it is not the endpoint's host (preference).
  static constexpr const char* MAIL_DOMAIN_KEY = "invite.mailDomain";
  static constexpr int TOKEN_LENGTH = 10;

  Invitations(Preferences& preferences, backend::BackendConnection& backend, HttpClient& http,
              RunLoop& loop, InviteRegistry& registry, Clock clock);

  // Sends the invitation of `event`, just written as the quest `questID`, to its guests that
  // have an address; an event already invited keeps its UID and token and goes out as the next
  // revision. `done` gets the status lines: none for an event without guests; "Invitation
  // envoyée à …" / "Invitations envoyées à N personnes." or "Échec de l'envoi de l'invitation :
  // …"; and "E-mail invalide — les invitations ne partiront pas." when guests had no address.
  // A failure leaves the event as written and the registry as it was.
  void send(const CalendarEvent& event, const std::string& questID,
            std::function<void(std::vector<std::string>)> done);

  // Reads the answers of every sent invitation due for it (see dueForRefresh; all when
  // `force`), one request at a time per invitation, and stores them. `done` gets the answers
  // that are new since the last read.
  void refreshAll(bool force, std::function<void(std::vector<AnswerNews>)> done);

  // The answers to show for `record`: its guests, each once, with what the relay said.
  static RSVPRecord answersOf(const InviteRecord& record);

 private:
  void post(const std::string& endpoint, Json payload, bool withKey,
            std::function<void(std::optional<std::string>)> done);

  Preferences& preferences_;
  backend::BackendConnection& backend_;
  HttpClient& http_;
  RunLoop& loop_;
  InviteRegistry& registry_;
  Clock clock_;
  std::set<std::string> fetching_;  // UIDs whose answers are being read
};

}  // namespace talewick::invites
