#include "ui/commands/send_invitations.hpp"

namespace talewick::ui {

std::vector<std::string> sendInvitations(AppContext& app, const CalendarEvent& event,
                                         const std::string& questID) {
  if (event.attendees.empty()) return {};
  std::vector<std::string> lines;
  app.invitations().send(event, questID,
                         [&lines](std::vector<std::string> said) { lines = std::move(said); });
  app.runLoop().settle();
  return lines;
}

}  // namespace talewick::ui
