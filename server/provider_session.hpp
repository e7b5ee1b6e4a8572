// One user's account at a provider, ready for calls: its sealed tokens opened, the access token
// renewed when it has expired (or the provider refuses it once), the renewed tokens sealed again
// and saved with the connection. The tokens never leave the session: calls take a request and
// give back the provider's JSON.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "server/clock.hpp"
#include "server/config.hpp"
#include "server/oauth_finish.hpp"
#include "server/provider_http.hpp"
#include "server/providers.hpp"
#include "server/storage.hpp"

namespace talewick::server {

// What the server keeps of a provider's tokens for one account.
struct ProviderTokens {
  std::string accessToken, refreshToken;
  std::optional<std::int64_t> expiresAt;  // seconds since 1970; none: no known expiry
};

// What a session needs from the server; the references outlive it.
struct SessionContext {
  const Config& config;
  Storage& storage;
  FormPoster post;
  Clock now;
  RetryWait wait = sleepSeconds;
};

class ProviderSession {
 public:
  // Throws ProviderFailure when the connection's tokens cannot be opened.
  ProviderSession(const SessionContext& context, const Provider& provider, std::string userId,
                  ProviderConnection connection);

  // The provider's answer to `request` under the account's token. A token past its expiry is
  // renewed before the call, and a 401 renews it once and tries again. Throws ProviderFailure
  // (French message) when the call or the renewal fails.
  nlohmann::json call(const ProviderRequest& request);

  const Provider& provider() const { return provider_; }
  const ProviderConnection& connection() const { return connection_; }
  std::int64_t now() const { return context_.now(); }

 private:
  void renew();

  const SessionContext& context_;
  const Provider& provider_;
  std::string userId_;
  ProviderConnection connection_;
  ProviderTokens tokens_;
  ProviderHttp http_;
};

}  // namespace talewick::server
