#include "ui/invitation_answer.hpp"

#include "pipeline/google_calendar_cache.hpp"
#include "support/loc.hpp"

namespace talewick::ui {
namespace {

// The occurrence id behind a quest ("quest_" + id); empty for any other quest id.
std::string eventID(const Quest& quest) {
  constexpr std::string_view prefix = "quest_";
  return quest.id.starts_with(prefix) ? quest.id.substr(prefix.size()) : "";
}

}  // namespace

const pipeline::Item* receivedInvitation(AppContext& app, const Quest& quest) {
  const std::string id = eventID(quest);
  if (!id.starts_with(GoogleCalendar::OCCURRENCE_PREFIX)) return nullptr;
  const pipeline::Item* item =
      app.integrationPipeline().itemForCalendarQuest(id, quest.rawTitle, quest.startDate);
  if (!item || item->provider != GoogleCalendar::PROVIDER || !item->calendarEvent ||
      !item->calendarEvent->myResponseStatus) {
    return nullptr;
  }
  return item;
}

std::string rsvpText(RSVPStatus status) {
  switch (status) {
    case RSVPStatus::accepted:
      return Loc::string("cli.invites.accepted", "accepte");
    case RSVPStatus::declined:
      return Loc::string("cli.invites.declined", "décline");
    case RSVPStatus::tentative:
      return Loc::string("cli.invites.tentative", "peut-être");
    case RSVPStatus::needsAction:
      break;
  }
  return Loc::string("cli.invites.pending", "pas encore répondu");
}

std::optional<std::string> unconfirmedAnswerLine(AppContext& app, const Quest& quest) {
  const pipeline::Item* item = receivedInvitation(app, quest);
  if (!item) return std::nullopt;
  const std::optional<std::string> sent =
      app.inviteRSVP().optimisticResponse(eventID(quest), quest.startDate);
  // Once a sync lists the same answer, Google's word is the one shown.
  if (!sent || sent == item->calendarEvent->myResponseStatus) return std::nullopt;
  return Loc::format(Loc::string("cli.answer.sent", "Réponse envoyée : %@"),
                     {rsvpText(rsvpStatus(*sent))});
}

}  // namespace talewick::ui
