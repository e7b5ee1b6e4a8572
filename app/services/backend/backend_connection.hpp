// The program's session with the backend: where it is (preference "openings.baseURL"), who this
// device is to it (the API key from the first registration) and how one call goes.
//
// Lives on the main loop: every public function is called there and every completion runs
// there. Only the HTTP exchanges themselves run on the worker pool, on the serial queue the
// caller names, so the preferences and the secrets are never touched from two threads. Settle
// the run loop before destroying it: a pending completion refers to it.
#pragma once

#include <asio/io_context.hpp>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/http_port.hpp"
#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"

namespace talewick::backend {

// A value or the failure that took its place.
template <class T>
struct Outcome {
  std::optional<T> value;
  std::exception_ptr failure;

  bool ok() const { return !failure; }
  // The value; rethrows the failure.
  const T& get() const {
    if (failure) std::rethrow_exception(failure);
    return *value;
  }
};

struct BackendAuth {
  std::string root;    // the base URL, trimmed, without its final "/"
  std::string apiKey;  // sent as "authorization: Bearer KEY"
};

struct BackendCall {
  std::string method;  // GET, POST, PATCH, DELETE
  std::string path;    // relative to the root: "api/asana/connections"
  std::string body;    // JSON text, or empty
  std::chrono::milliseconds timeout;
};

class BackendConnection {
 public:
  static constexpr const char* BASE_URL_KEY = "openings.baseURL";  // preference
  static constexpr const char* USER_ID_KEY = "openings.userId";    // preference
  static constexpr const char* API_KEY_ITEM = "openings.apiKey";   // secret (else preference)
  static constexpr const char* SIGNUP_SECRET_ITEM = "openings.signupSecret";  // secret
  static constexpr std::chrono::seconds REGISTRATION_TIMEOUT{60};
  static constexpr const char* REGISTRATION_QUEUE = "backend.register";

  BackendConnection(Preferences& preferences, SecretsStore& secrets, HttpClient& http,
                    RunLoop& loop);

  // The base URL as stored ("" when none) and the root it gives (nullopt: not configured).
  std::string baseURL() const;
  std::optional<std::string> root() const;
  bool configured() const { return root().has_value(); }
  // Stores a new base URL. One that leads elsewhere forgets the API key and the user id: they
  // belong to the backend that gave them. Throws what the stores throw when they cannot write.
  void setBaseURL(const std::string& url);
  // Stores the deployment's sign-up secret (64 hexadecimal digits, checked by the caller).
  void setSignupSecret(const std::string& secret);
  bool hasSignupSecret() const;

  // The API key known without asking the backend: memory, then the secrets, then the
  // preferences. nullopt before the first registration.
  std::optional<std::string> knownAPIKey() const;
  std::optional<std::string> userId() const;

  // The root and the API key, registering this device first when no key is known. Calls made
  // while a registration is under way wait for it: one registration serves them all. Fails with
  // BackendError (not configured, no sign-up secret, refused registration) or
  // HttpTransportError.
  void backendAuth(std::function<void(Outcome<BackendAuth>)> done);

  // Sends `call` with the credentials on `queue` and hands back the body of a 2xx answer; any
  // other answer fails with BackendError::http.
  void perform(BackendCall call, SerialQueue& queue,
               std::function<void(Outcome<std::string>)> done);

 private:
  struct Registration {
    std::string userId, apiKey;
  };
  void finishRegistration(const std::string& root, Outcome<Registration> outcome);
  void forgetCredentials();
  // Runs `exchange` on `queue` and delivers its outcome on the main loop.
  template <class T>
  void offMainLoop(SerialQueue& queue, std::function<T()> exchange,
                   std::function<void(Outcome<T>)> done);

  Preferences& preferences_;
  SecretsStore& secrets_;
  HttpClient& http_;
  RunLoop& loop_;
  std::optional<std::string> apiKey_;  // memory cache
  std::vector<std::function<void(Outcome<BackendAuth>)>> waitingForRegistration_;
};

}  // namespace talewick::backend
