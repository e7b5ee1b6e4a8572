// What a connected service's store is wired to in its tests, as the program's context wires it:
// preferences and secrets in memory, a real libcurl client (for the loopback stand-ins the test
// starts), the run loop, the backend session over them and the store's diagnostics stream.
#pragma once

#include <functional>
#include <sstream>
#include <string>

#include "core/run_loop.hpp"
#include "platform/curl_http_client.hpp"
#include "services/backend/backend_connection.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_secrets.hpp"

namespace talewick::testing {

struct ServiceSession {
  ServiceSession() = default;
  // Already registered with the backend at `backendURL`.
  explicit ServiceSession(const std::string& backendURL) {
    preferences.values[backend::BackendConnection::BASE_URL_KEY] = backendURL;
    secrets.items[backend::BackendConnection::API_KEY_ITEM] = "la-cle";
  }
  // The backend session, as a store asks for it.
  std::function<backend::BackendConnection&()> backend() {
    return [this]() -> backend::BackendConnection& { return connection; };
  }

  MemoryPreferences preferences;
  MemorySecrets secrets;
  CurlHttpClient http;
  RunLoop loop;
  backend::BackendConnection connection{preferences, secrets, http, loop};
  std::ostringstream said;
};

}  // namespace talewick::testing
