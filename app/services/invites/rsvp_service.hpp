// Reading the answers the relay collected for one invitation.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/http_port.hpp"
#include "support/date.hpp"
#include "text/rsvp_record.hpp"

namespace talewick::invites {

// Answers are read again only after this long, unless the user asks.
inline constexpr double REFRESH_INTERVAL_SECONDS = 60;

// The relay's answer document: {"uid"?, "sequence"?, "invitees": [{"email", "name"?, "status",
// "respondedAt"? (RFC 3339 text), "comment"?}]}. A status other than accepted, declined or
// tentative is needsAction; the UID defaults to `askedUid`, the sequence to 0. nullopt when the
// text is not such a document (a date that does not read is a fault).
std::optional<RSVPRecord> decodeAnswerDocument(std::string_view body, const std::string& askedUid);

// GET `readEndpoint`?uid=…&token=… (15-second timeout): the record of a 2xx answer whose body
// decodes; nullopt for anything else (no answer, another status, another body). Blocks: call it
// off the main loop.
std::optional<RSVPRecord> fetchAnswers(HttpClient& http, const std::string& readEndpoint,
                                       const std::string& uid, const std::string& token);

// Whether answers last read at `lastFetched` are read again at `now`: when forced, never read,
// or read REFRESH_INTERVAL_SECONDS ago or more.
bool dueForRefresh(const std::optional<Date>& lastFetched, Date now, bool force);

}  // namespace talewick::invites
