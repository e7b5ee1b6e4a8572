// Calls of a provider's REST API on a user's behalf: one request with the account's bearer token,
// JSON both ways, 20 seconds at most per leg. A provider that asks to slow down (429) is waited for
// when it asks for 5 seconds or less, and given up on otherwise: the user's answer must not hang
// on one provider.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace talewick::server {

// A provider call that did not give what was asked; the message is French, shown to the user.
struct ProviderFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// The provider refused the token (401): it may take a renewed one.
struct ProviderUnauthorized : ProviderFailure {
  using ProviderFailure::ProviderFailure;
};

struct ProviderRequest {
  std::string method = "GET";
  // Under the API's root ("/api/v1/tasks"), or an absolute URL on the root's own origin (a next
  // page link the provider handed out).
  std::string path;
  std::vector<std::pair<std::string, std::string>> query;  // appended, percent-encoded
  std::optional<nlohmann::json> body;                      // sent as application/json
  std::vector<std::pair<std::string, std::string>> headers;
};

// A provider's answer as it came: its body and the type it declared.
struct ProviderBytes {
  std::string body;
  std::string contentType;
};

// Waits `seconds` before a call is tried again; tests may count instead of sleeping.
using RetryWait = std::function<void(int seconds)>;
void sleepSeconds(int seconds);

// The longest wait a provider may ask for before the call is given up.
inline constexpr int MAX_RETRY_AFTER_SECONDS = 5;

class ProviderHttp {
 public:
  // `name` names the provider in messages; `baseURL` is the API's root, with or without a path.
  ProviderHttp(std::string name, std::string baseURL, RetryWait wait = sleepSeconds);

  // The answer's JSON (null for an empty body). Throws ProviderUnauthorized for a 401 and
  // ProviderFailure for any other refusal, a transport error or a body that is not JSON.
  nlohmann::json send(const std::string& accessToken, const ProviderRequest& request) const;

  // The answer's bytes as they are (a file the provider hosts), refused the same ways; a body
  // longer than `maxBytes` is given up on as it arrives.
  ProviderBytes fetch(const std::string& accessToken, const ProviderRequest& request,
                      std::size_t maxBytes) const;

 private:
  ProviderBytes exchange(const std::string& accessToken, const ProviderRequest& request,
                         std::size_t maxBytes) const;

  std::string name_, origin_, prefix_;
  RetryWait wait_;
};

}  // namespace talewick::server
