// One user's account at a provider, ready for calls: its sealed tokens opened, the access token
// renewed when it has expired (or the provider refuses it once), the renewed tokens sealed again
// and saved with the connection. The tokens never leave the session: calls take a request and
// give back the provider's JSON.
#pragma once

#include <cstdint>
#include <functional>
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

  // The bytes of a file the provider hosts at `baseURL` (an origin of its own beside its API,
  // such as an upload host), under the same token and renewal; `request.path` is the file's
  // absolute URL on that origin. Throws ProviderFailure as call() does, and for a body longer than
  // `maxBytes`.
  ProviderBytes fetch(const std::string& baseURL, const ProviderRequest& request,
                      std::size_t maxBytes);

  const Provider& provider() const { return provider_; }
  const ProviderConnection& connection() const { return connection_; }
  std::int64_t now() const { return context_.now(); }

 private:
  // `send` under the account's access token, renewed before when expired and once after a 401.
  void authorized(const std::function<void(const std::string& accessToken)>& send);
  void renew();

  const SessionContext& context_;
  const Provider& provider_;
  std::string userId_;
  ProviderConnection connection_;
  ProviderTokens tokens_;
  ProviderHttp http_;
};

}  // namespace talewick::server
