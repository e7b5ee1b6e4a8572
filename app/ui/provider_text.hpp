// What the commands of the connected providers share: reading a provider's name from the
// command line and showing a provider's store.
#pragma once

#include <iosfwd>
#include <string>

#include "services/backend/provider_connection_store.hpp"
#include "support/json.hpp"

namespace talewick::ui {

// The provider called `name`: its segment ("google-calendar") or its name ("Google Calendar"),
// in any case. Throws UsageError listing the segments.
const backend::BackendProvider& providerArgument(const std::string& name);

// {"provider", "name", "connected", "oauthConnected", "statusLine", "status"}: "status" is the
// backend's last answer (null before one).
Json providerJson(const backend::ProviderConnectionStore& store);

// Prints the store's status line. A store whose last call failed throws it instead
// (std::runtime_error): the command then fails with that line.
void printOutcome(std::ostream& out, const backend::ProviderConnectionStore& store);

}  // namespace talewick::ui
