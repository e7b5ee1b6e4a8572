#include "services/google/invite_rsvp_service.hpp"

#include "core/uuid.hpp"

namespace talewick::google {

InviteRSVPService::InviteRSVPService(GoogleCalendarStore& google, Preferences& preferences)
    : google_(google), preferences_(preferences) {
  const std::optional<Json> saved = preferences_.value(RESPONDED_KEY);
  if (!saved || !saved->is_object()) return;
  for (const auto& [key, value] : saved->items()) {
    if (value.is_string() && GoogleCalendar::isRSVP(value.get<std::string>())) {
      responded_[key] = value.get<std::string>();
    }
  }
}

void InviteRSVPService::save() { preferences_.set(RESPONDED_KEY, Json(responded_)); }

void InviteRSVPService::respond(const std::string& rsvp,
                                const std::optional<std::string>& externalIdentifier,
                                const std::optional<Date>& startDate,
                                std::function<void(bool, const std::string&)> done) {
  const std::optional<GoogleCalendar::EventTarget> target =
      google_.cache() && externalIdentifier && startDate
          ? GoogleCalendar::target(google_.cache()->events, *externalIdentifier, *startDate)
          : std::nullopt;
  if (!target) return done(false, "");
  respond(rsvp, *target, GoogleCalendar::occurrenceKey(externalIdentifier, startDate),
          std::move(done));
}

void InviteRSVPService::respond(const std::string& rsvp, const GoogleCalendar::EventTarget& target,
                                const std::string& occurrenceKey,
                                std::function<void(bool, const std::string&)> done) {
  const std::string request = randomUUID();
  sendChain_[occurrenceKey] = request;
  google_.respond(target, rsvp,
                  [this, rsvp, occurrenceKey, request, done = std::move(done)](
                      bool ok, const std::string& failure) {
                    const auto latest = sendChain_.find(occurrenceKey);
                    const bool isLatest = latest != sendChain_.end() && latest->second == request;
                    if (isLatest) sendChain_.erase(latest);
                    // An answer overtaken by a newer one leaves the newer one in place.
                    if (ok && isLatest) {
                      responded_[occurrenceKey] = rsvp;
                      save();
                    }
                    done(ok, failure);
                  });
}

std::optional<std::string> InviteRSVPService::optimisticResponse(
    const std::optional<std::string>& externalIdentifier,
    const std::optional<Date>& startDate) const {
  const auto found = responded_.find(GoogleCalendar::occurrenceKey(externalIdentifier, startDate));
  if (found == responded_.end()) return std::nullopt;
  return found->second;
}

void InviteRSVPService::warmUpIfNeeded(std::function<void()> done) {
  if (google_.cache()) return done();
  google_.refresh(std::move(done));
}

}  // namespace talewick::google
