#include "services/invites/rsvp_service.hpp"

#include <chrono>

#include "services/backend/backend_url.hpp"
#include "support/json.hpp"
#include "support/percent_encoding.hpp"

namespace talewick::invites {

namespace {

constexpr std::chrono::seconds FETCH_TIMEOUT{15};

std::optional<std::string> optionalText(const Json& entry, const char* key) {
  const auto found = entry.find(key);
  if (found == entry.end() || found->is_null()) return std::nullopt;
  if (!found->is_string()) throw std::invalid_argument(key);
  return found->get<std::string>();
}

}  // namespace

std::optional<RSVPRecord> decodeAnswerDocument(std::string_view body, const std::string& askedUid) {
  const Json document = Json::parse(body, nullptr, false);
  if (!document.is_object()) return std::nullopt;
  try {
    RSVPRecord record;
    record.uid = optionalText(document, "uid").value_or(askedUid);
    if (const auto sequence = document.find("sequence");
        sequence != document.end() && !sequence->is_null()) {
      if (!sequence->is_number_integer()) return std::nullopt;
      record.sequence = sequence->get<int64_t>();
    }
    const auto invitees = document.find("invitees");
    if (invitees == document.end() || !invitees->is_array()) return std::nullopt;
    for (const Json& entry : *invitees) {
      if (!entry.is_object()) return std::nullopt;
      const std::optional<std::string> email = optionalText(entry, "email");
      const std::optional<std::string> status = optionalText(entry, "status");
      if (!email || !status) return std::nullopt;
      RSVPEntry read;
      read.email = *email;
      read.name = optionalText(entry, "name");
      read.status = *status == "accepted"    ? RSVPStatus::accepted
                    : *status == "declined"  ? RSVPStatus::declined
                    : *status == "tentative" ? RSVPStatus::tentative
                                             : RSVPStatus::needsAction;
      if (const std::optional<std::string> at = optionalText(entry, "respondedAt")) {
        const std::optional<iso8601::Parsed> parsed = iso8601::parse(*at);
        // RFC 3339 dates carry their offset.
        if (!parsed || !parsed->offsetSeconds || at->size() < 20) return std::nullopt;
        read.respondedAt = iso8601::instant(parsed->civil, *parsed->offsetSeconds);
      }
      read.comment = optionalText(entry, "comment");
      record.invitees.push_back(std::move(read));
    }
    return record;
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

std::optional<RSVPRecord> fetchAnswers(HttpClient& http, const std::string& readEndpoint,
                                       const std::string& uid, const std::string& token) {
  HttpRequest request;
  request.url = readEndpoint + "?uid=" + percentEncoded(uid) + "&token=" + percentEncoded(token);
  request.timeout = FETCH_TIMEOUT;
  try {
    const HttpResponse response = http.send(request);
    if (response.status < 200 || response.status > 299) return std::nullopt;
    return decodeAnswerDocument(response.body, uid);
  } catch (const HttpTransportError&) {
    return std::nullopt;
  }
}

bool dueForRefresh(const std::optional<Date>& lastFetched, Date now, bool force) {
  return force || !lastFetched || now - *lastFetched >= REFRESH_INTERVAL_SECONDS ||
         now < *lastFetched;
}

}  // namespace talewick::invites
