// The stores of the six providers, and the hand-off of "talewick://" addresses to them (the
// browser's return from OAuth).
#pragma once

#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/backend/provider_connection_store.hpp"

namespace talewick::backend {

class ProviderConnections {
 public:
  // Each provider's calls run on a serial queue of its own ("backend.<segment>"), so that the
  // six can be asked at once.
  ProviderConnections(BackendConnection& backend, Preferences& preferences, RunLoop& loop,
                      std::chrono::milliseconds timeout = ProviderConnectionStore::CALL_TIMEOUT);

  // In the order of backendProviders().
  const std::vector<std::unique_ptr<ProviderConnectionStore>>& all() const { return stores_; }
  // The store of the provider of `segment`; nullptr for any other text.
  ProviderConnectionStore* find(std::string_view segment) const;

  // Hands `url` to the store of the provider it names and returns that store. Throws
  // UnhandledURL for an address this program does not handle; nothing changes then.
  ProviderConnectionStore& handleURL(std::string_view url);

 private:
  std::vector<std::unique_ptr<ProviderConnectionStore>> stores_;
};

}  // namespace talewick::backend
