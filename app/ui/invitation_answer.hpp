// The answers to invitations received in Google Calendar, as the commands show them: which quest
// is such an invitation, and the answer given from the game that the last sync does not show yet
// (Google takes a while to list it).
#pragma once

#include <optional>
#include <string>

#include "game/quest.hpp"
#include "pipeline/integration_wire.hpp"
#include "text/rsvp.hpp"
#include "ui/context.hpp"

namespace talewick::ui {

// The Google event behind `quest`, when it is an invitation the user received; nullptr otherwise.
const pipeline::Item* receivedInvitation(AppContext& app, const Quest& quest);

// An answer as a guest's list says it ("accepte", "peut-être"…).
std::string rsvpText(RSVPStatus status);

// "Réponse envoyée : accepte" while the answer given from the game to the invitation behind
// `quest` differs from what the last sync says of it; nullopt otherwise.
std::optional<std::string> unconfirmedAnswerLine(AppContext& app, const Quest& quest);

}  // namespace talewick::ui
