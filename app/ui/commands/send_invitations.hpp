// After `add` or `move` wrote an event with guests: its invitation goes out through the relay.
#pragma once

#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "ui/context.hpp"

namespace talewick::ui {

// Sends the invitation of `event` (as written, the quest `questID`) and returns the status lines
// to show; none for an event without guests. Waits for the relay's answer. The event stays as
// written whatever the relay says.
std::vector<std::string> sendInvitations(AppContext& app, const CalendarEvent& event,
                                         const std::string& questID);

}  // namespace talewick::ui
