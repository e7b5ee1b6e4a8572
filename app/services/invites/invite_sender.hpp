// Posting an invitation to the relay that mails it: where the relay is, the body it is given,
// the date line guests read, and the exact errors shown when it refuses.
#pragma once

#include <optional>
#include <string>

#include "core/http_port.hpp"
#include "core/preferences.hpp"
#include "support/date.hpp"
#include "support/json.hpp"
#include "text/calendar_invite.hpp"

namespace talewick::invites {

struct InviteConfig {
  static constexpr const char* ENDPOINT_KEY = "invite.endpoint";
  static constexpr const char* ORGANIZER_EMAIL_KEY = "invite.organizerEmail";
  static constexpr const char* ORGANIZER_NAME_KEY = "invite.organizerName";
  // The relay's path on the backend, used when "invite.endpoint" says nothing.
  static constexpr const char* DEFAULT_PATH = "api/send-invite";

  // Where invitations are posted; nullopt when neither "invite.endpoint" nor a backend says.
  std::optional<std::string> endpoint;
  std::optional<std::string> organizerEmail;
  std::optional<std::string> organizerName;

  // Read afresh each time: each value trimmed of white space, an empty one counting as absent.
  // `backendRoot` (the backend's root URL, when one is configured) gives the default endpoint.
  static InviteConfig read(const Preferences& preferences,
                           const std::optional<std::string>& backendRoot);
};

// Where the answers of `endpoint`'s invitations are read: the endpoint without its last path
// component, plus "rsvp" (".../api/send-invite" → ".../api/rsvp").
std::string rsvpReadEndpoint(const std::string& endpoint);

// The mail's texts besides the calendar request.
struct InviteTexts {
  std::string token;
  std::string ics;
  std::string whenLabel;
};

// The body posted to the relay, keys in the relay's order: organizerEmail, organizerName (left
// out when absent), subject, ics, uid, token, eventTitle, whenLabel, location (left out when
// absent), lore, invitees.
Json sendPayload(const CalendarInvite& invite, const InviteTexts& texts,
                 const std::string& organizerEmail,
                 const std::optional<std::string>& organizerName);

// The event's day and times as guests read them ("jeudi 12 mars 2026, 12:00 → 13:30
// (UTC+01:00)"; English days and months with an English interface): the day alone for an all-day
// event; the end's day too when it differs from the start's. Local time, its offset from UTC in
// the parentheses so that a guest elsewhere can tell.
std::string frenchWhen(Date start, Date end, bool isAllDay);

// Posts `payload` to `url` (20-second timeout), with "authorization: Bearer KEY" when `apiKey`
// is given. nullopt on any 2xx answer; else the error shown to the user: "HTTP 500 — boom"
// (status and the first 200 characters of the body, nothing when it is not UTF-8), or the
// transport's own message. Blocks: call it off the main loop.
std::optional<std::string> postInvite(HttpClient& http, const std::string& url, const Json& payload,
                                      const std::optional<std::string>& apiKey);

}  // namespace talewick::invites
