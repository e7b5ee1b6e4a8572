// Answering an invitation received in a Google calendar, from the game: the occurrence's remote
// event is found among the synced Google events, the answer sent through the backend, and the
// answers given remembered per occurrence (preference "invite-rsvp.responded.v1") so that the
// game shows them at once.
//
// Lives on the main loop. Answers to one occurrence form a chain where the latest wins: an
// earlier answer finishing after a later one was asked for never overwrites it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/preferences.hpp"
#include "services/google/google_calendar_store.hpp"

namespace talewick::google {

class InviteRSVPService {
 public:
  static constexpr const char* RESPONDED_KEY = "invite-rsvp.responded.v1";

  // Loads the remembered answers; values that are not answers are dropped.
  InviteRSVPService(GoogleCalendarStore& google, Preferences& preferences);

  // Answers the occurrence of `externalIdentifier` starting at `startDate` with `rsvp`
  // ("accepted", "tentative", "declined"). `done` gets false when no synced event matches or the
  // backend refused, with the reason (empty when there was no target).
  void respond(const std::string& rsvp, const std::optional<std::string>& externalIdentifier,
               const std::optional<Date>& startDate,
               std::function<void(bool ok, const std::string& failure)> done);
  void respond(const std::string& rsvp, const GoogleCalendar::EventTarget& target,
               const std::string& occurrenceKey,
               std::function<void(bool ok, const std::string& failure)> done);
  // The answer remembered for the occurrence, if any.
  std::optional<std::string> optimisticResponse(
      const std::optional<std::string>& externalIdentifier,
      const std::optional<Date>& startDate) const;
  // Syncs the Google events once when none are known yet; `done` runs after.
  void warmUpIfNeeded(std::function<void()> done);
  const std::map<std::string, std::string>& responded() const { return responded_; }

 private:
  void save();

  GoogleCalendarStore& google_;
  Preferences& preferences_;
  std::map<std::string, std::string> responded_;
  std::map<std::string, std::string> sendChain_;  // occurrence key → id of the latest answer
};

}  // namespace talewick::google
