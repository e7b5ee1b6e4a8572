// Moving a quest that is an event of a remote calendar: the new times go to the event's own
// calendar through the backend (Google Calendar, Outlook), never to the local calendar, which
// would then hold a copy of it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "pipeline/integration_items.hpp"
#include "services/backend/backend_connection.hpp"

namespace talewick::pipeline {

// Whether the item is an event the backend can move.
bool isMovableRemoteEvent(const IntegrationWire::Item& item);

// Moves the item's event to [start, end). `done` gets nullopt on success, else the status line
// ("Échec du déplacement Google Calendar" or "… Outlook Calendar") followed by the reason.
void moveRemoteEvent(backend::BackendConnection& backend, SerialQueue& queue,
                     const IntegrationWire::Item& item, Date start, Date end,
                     std::function<void(std::optional<std::string> failure)> done);

}  // namespace talewick::pipeline
