// The "talewick://" addresses the backend sends the browser back to after a provider's OAuth:
// "talewick://PROVIDER/backend/callback?connected=1" or "…?error=MESSAGE".
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace talewick::backend {

// An address this program does not handle; the message names it, made safe for a terminal.
struct UnhandledURL : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct OAuthCallback {
  std::string provider;  // the segment of a known provider
  bool connected = false;
  // When not connected: the refusal's message, percent-decoded, without control characters.
  std::string error;
};

// A "talewick://HOST/PATH?QUERY#…" address in parts: the host lower-cased, the path as written
// ("" or starting with "/"), the query without its "?", the fragment dropped.
struct TalewickURL {
  std::string host;
  std::string path;
  std::string query;
};

// Throws UnhandledURL for another scheme.
TalewickURL splitTalewickURL(std::string_view url);

// The value of the first item called `name` in `query` ("+" a space, "%XX" a byte); "" for an
// item without "=", nullopt when absent.
std::optional<std::string> queryItem(std::string_view query, std::string_view name);

// Throws UnhandledURL for another scheme, an unknown provider, another path or a callback that
// says neither "connected" nor "error".
OAuthCallback parseOAuthCallback(std::string_view url);

}  // namespace talewick::backend
