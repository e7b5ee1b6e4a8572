#include "services/backend/provider_connections.hpp"

#include "services/backend/oauth_callback.hpp"

namespace talewick::backend {

ProviderConnections::ProviderConnections(BackendConnection& backend, Preferences& preferences,
                                         RunLoop& loop, std::chrono::milliseconds timeout) {
  for (const BackendProvider& provider : backendProviders()) {
    stores_.push_back(std::make_unique<ProviderConnectionStore>(
        provider, backend, preferences, loop.serialQueue("backend." + provider.segment), timeout));
  }
}

ProviderConnectionStore* ProviderConnections::find(std::string_view segment) const {
  for (const auto& store : stores_) {
    if (store->provider().segment == segment) return store.get();
  }
  return nullptr;
}

ProviderConnectionStore& ProviderConnections::handleURL(std::string_view url) {
  const OAuthCallback callback = parseOAuthCallback(url);
  ProviderConnectionStore& store = *find(callback.provider);
  store.handleOAuthCallback(callback);
  return store;
}

}  // namespace talewick::backend
