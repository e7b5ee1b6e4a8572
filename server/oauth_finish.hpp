// The second leg of a provider's OAuth round trip. The provider sends the user's browser back to
// callbackUrl() with a one-time "code" and the "state" of the first leg; the server exchanges the
// code, with the PKCE verifier only it knows, for the account's tokens at the provider's token
// URL, keeps them sealed with the connection, and sends the browser on to the desktop program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "server/config.hpp"
#include "server/providers.hpp"
#include "server/storage.hpp"

namespace talewick::server {

// A round trip older than this is refused: the user left the page open and came back later.
inline constexpr std::int64_t OAUTH_STATE_LIFETIME_SECONDS = 15 * 60;

// What a provider's token URL answered; `failure` names a transport error (nothing answered).
struct FormAnswer {
  int status = 0;
  std::string body;
  std::string failure;
};
// Posts an application/x-www-form-urlencoded body to a URL.
using FormPoster = std::function<FormAnswer(
    const std::string& url, const std::vector<std::pair<std::string, std::string>>& form)>;

// Over HTTPS (or HTTP, for a provider on loopback), 20 seconds at most.
FormAnswer postForm(const std::string& url,
                    const std::vector<std::pair<std::string, std::string>>& form);

// The connection the code of `state` grants, its tokens sealed under the configuration's key, or
// the message (French, shown to the user) saying why there is none: an expired round trip, a
// refused or garbled exchange.
std::variant<ProviderConnection, std::string> finishAuthorization(
    const Config& config, const Provider& provider, const OAuthState& state,
    const std::string& code, std::int64_t now, const FormPoster& post);

// Where the browser goes once the round trip ends: "talewick://<segment>/backend/callback" with
// "connected=1", or with "error=" and the message.
std::string desktopCallbackUrl(const Provider& provider, const std::string& error);

}  // namespace talewick::server
