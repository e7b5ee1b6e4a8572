// The answers to one sent invitation: who was invited, what each person answered and when, as
// kept in the invitation registry and shown beside the quest.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/date.hpp"
#include "support/json.hpp"
#include "text/rsvp.hpp"

namespace talewick {

// One invited person; people are told apart by e-mail, in any case.
struct RSVPEntry {
  std::string email;
  std::optional<std::string> name;
  RSVPStatus status = RSVPStatus::needsAction;
  std::optional<Date> respondedAt;
  std::optional<std::string> comment;
  bool operator==(const RSVPEntry&) const = default;
};

struct RSVPRecord {
  std::string uid;  // the invitation's UID
  int64_t sequence = 0;
  std::vector<RSVPEntry> invitees;

  // How many invitees have answered (anything but needsAction).
  int64_t respondedCount() const;

  // "2/3 ont répondu"; "Personne n'a encore répondu" when nobody answered; "Aucun invité" when
  // `totalInvited` is 0 (or less).
  std::string summary(int64_t totalInvited) const;

  // The record's people with what the platform calendar (`withEventKit`) and the relay
  // (`responses`, by e-mail) know of them, each person once, under the first spelling of the
  // address met. The sources are read in that order, the record's own answers first, and a later
  // source's answer replaces an earlier one unless both are dated and the later one is older;
  // no answer never hides one. An answer without a date or comment keeps those of the same
  // answer already known. Answered people come first, then by e-mail ignoring case.
  RSVPRecord merged(const std::vector<RSVPEntry>& withEventKit,
                    const std::map<std::string, RSVPStatus>& responses) const;

  bool operator==(const RSVPRecord&) const = default;
};

void to_json(Json& j, const RSVPEntry& v);
void from_json(const Json& j, RSVPEntry& v);
void to_json(Json& j, const RSVPRecord& v);
void from_json(const Json& j, RSVPRecord& v);

}  // namespace talewick
