// Linear's store over the program's ports, opened where it is needed — a command, the kingdom
// reading its tickets — each reading the issues kept in the data folder, so that nothing but a
// refresh or an action calls Linear or the backend.
#pragma once

#include <ostream>

#include "services/linear/linear_auth_store.hpp"
#include "ui/context.hpp"

namespace talewick::ui {

// The store of `app`'s preferences, keychain file, HTTP client, backend and loop; a damaged file
// is reported on `diagnostics`.
linear::LinearAuthStore openLinearStore(AppContext& app, std::ostream& diagnostics);

}  // namespace talewick::ui
