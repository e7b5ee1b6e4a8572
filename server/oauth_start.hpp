// The first leg of a provider's OAuth round trip: the address the user's browser opens to grant
// access, protected by a random state and a PKCE challenge (S256).
//
// The second leg belongs to the callback route, under callbackUrl(): it takes the stored
// OAuthState of the "state" the provider sends back (Storage::takeOAuthState), exchanges the code
// with its verifier at the provider's token URL, stores the connection and sends the browser to
// "talewick://<segment>/backend/callback".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/config.hpp"
#include "server/providers.hpp"
#include "server/storage.hpp"

namespace talewick::server {

// Where the provider sends the browser back once the user has answered.
std::string callbackUrl(const Config& config, const Provider& provider);

struct AuthorizationStart {
  std::string authorizationUrl;
  OAuthState state;  // to keep until the callback comes
};

// A new round trip for `userId`, with a fresh state and verifier. The provider must be configured
// (missingSettings() empty).
AuthorizationStart startAuthorization(const Config& config, const Provider& provider,
                                      const std::string& userId, std::int64_t now);

}  // namespace talewick::server
