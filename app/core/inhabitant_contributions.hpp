// Who the user met, read from the calendar: the people of each meeting that has ended become
// encounters of the inhabitants book, one shared meeting each.
#pragma once

#include <string>
#include <vector>

#include "core/preferences.hpp"
#include "game/day_event.hpp"
#include "kingdom/inhabitant_book.hpp"

namespace talewick::InhabitantContributions {

// The user's own addresses: the preference "identity.emails", a list of texts or one text of
// addresses separated by commas (spaces dropped). Empty when absent.
std::vector<std::string> ownAddresses(const Preferences& preferences);

// Every attendee and the organiser of each occurrence that has ended at `now`, the user's own
// addresses left out; an occurrence where nobody else is left is no meeting. A person is keyed by
// address, and by name when the calendar names them; a colleague when the address's domain is
// one of the user's own (a public mail provider's domain aside), else external. One encounter
// per occurrence and person, dated by the occurrence's end, with the contribution id
// "meeting:<event id>@<start, ISO-8601 UTC>:<address>".
//
// The calendar lists the attendees' names apart from the addresses it found (the user's own
// and the organiser's among them): the names are paired with the other addresses in order.
// When an attendee named by its address does not sit where that pairing expects it, the pairing
// is not trusted for that occurrence: its people are then the attendees named by their address
// and the organiser.
std::vector<InhabitantBook::Encounter> fromEvents(const std::vector<DayEvent>& events, Date now,
                                                  const std::vector<std::string>& ownAddresses);

}  // namespace talewick::InhabitantContributions
