#include "services/backend/backend_connection.hpp"

#include <asio/post.hpp>

#include "services/backend/backend_error.hpp"
#include "services/backend/backend_url.hpp"
#include "support/json.hpp"

namespace talewick::backend {
namespace {

constexpr const char* JSON_TYPE = "application/json";

// The body of a 2xx answer; BackendError::http for any other.
std::string bodyOf(HttpResponse response) {
  if (response.status < 200 || response.status > 299) {
    throw BackendError::http(response.status, response.body);
  }
  return std::move(response.body);
}

std::optional<std::string> nonEmptyText(const Json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string() || found->get<std::string>().empty()) {
    return std::nullopt;
  }
  return found->get<std::string>();
}

}  // namespace

BackendConnection::BackendConnection(Preferences& preferences, SecretsStore& secrets,
                                     HttpClient& http, RunLoop& loop)
    : preferences_(preferences), secrets_(secrets), http_(http), loop_(loop) {}

std::string BackendConnection::baseURL() const {
  return preferences_.string(BASE_URL_KEY).value_or("");
}

std::optional<std::string> BackendConnection::root() const { return backendRoot(baseURL()); }

void BackendConnection::setBaseURL(const std::string& url) {
  if (backendRoot(url) != root()) forgetCredentials();
  preferences_.set(BASE_URL_KEY, url);
}

void BackendConnection::forgetCredentials() {
  apiKey_.reset();
  secrets_.remove(API_KEY_ITEM);
  preferences_.remove(API_KEY_ITEM);
  preferences_.remove(USER_ID_KEY);
}

void BackendConnection::setSignupSecret(const std::string& secret) {
  secrets_.set(SIGNUP_SECRET_ITEM, secret);
}

bool BackendConnection::hasSignupSecret() const {
  return secrets_.get(SIGNUP_SECRET_ITEM).has_value();
}

std::optional<std::string> BackendConnection::knownAPIKey() const {
  if (apiKey_) return apiKey_;
  if (auto key = secrets_.get(API_KEY_ITEM); key && !key->empty()) return key;
  if (auto key = preferences_.string(API_KEY_ITEM); key && !key->empty()) return key;
  return std::nullopt;
}

std::optional<std::string> BackendConnection::userId() const {
  return preferences_.string(USER_ID_KEY);
}

template <class T>
void BackendConnection::offMainLoop(SerialQueue& queue, std::function<T()> exchange,
                                    std::function<void(Outcome<T>)> done) {
  asio::io_context& main = loop_.main();
  queue.async([&main, exchange = std::move(exchange), done = std::move(done)]() mutable {
    Outcome<T> outcome;
    try {
      outcome.value = exchange();
    } catch (...) {
      outcome.failure = std::current_exception();
    }
    asio::post(main, [done = std::move(done), outcome = std::move(outcome)] { done(outcome); });
  });
}

void BackendConnection::backendAuth(std::function<void(Outcome<BackendAuth>)> done) {
  const std::optional<std::string> root = this->root();
  if (!root) return done({std::nullopt, std::make_exception_ptr(BackendError::notConfigured())});
  if (std::optional<std::string> key = knownAPIKey()) {
    apiKey_ = key;
    return done({BackendAuth{*root, *key}, nullptr});
  }
  waitingForRegistration_.push_back(std::move(done));
  if (waitingForRegistration_.size() > 1) return;  // the registration under way serves it too

  const std::optional<std::string> secret = secrets_.get(SIGNUP_SECRET_ITEM);
  if (!secret) {
    return finishRegistration(
        *root, {std::nullopt, std::make_exception_ptr(BackendError::noSignupSecret())});
  }
  HttpRequest request{"POST",
                      callURL(*root, "api/register"),
                      {{"x-signup-secret", *secret}, {"content-type", JSON_TYPE}},
                      "",
                      REGISTRATION_TIMEOUT};
  offMainLoop<Registration>(
      loop_.serialQueue(REGISTRATION_QUEUE),
      [&http = http_, request] {
        const Json answer = Json::parse(bodyOf(http.send(request)), nullptr, false);
        if (!answer.is_object()) throw BackendError::unreadableAnswer();
        const auto userId = nonEmptyText(answer, "userId");
        const auto apiKey = nonEmptyText(answer, "apiKey");
        if (!userId || !apiKey) throw BackendError::unreadableAnswer();
        return Registration{*userId, *apiKey};
      },
      [this, root = *root](Outcome<Registration> outcome) {
        finishRegistration(root, std::move(outcome));
      });
}

void BackendConnection::finishRegistration(const std::string& root, Outcome<Registration> outcome) {
  std::vector<std::function<void(Outcome<BackendAuth>)>> waiting;
  waiting.swap(waitingForRegistration_);
  Outcome<BackendAuth> auth;
  if (!outcome.ok()) {
    auth.failure = outcome.failure;
  } else if (std::optional<std::string> stored = knownAPIKey()) {
    // Another process registered this device meanwhile: its key, stored first, is the one kept.
    auth.value = BackendAuth{root, *stored};
  } else {
    const Registration& registration = *outcome.value;
    apiKey_ = registration.apiKey;
    try {
      secrets_.set(API_KEY_ITEM, registration.apiKey);
    } catch (const std::exception&) {
      // Without a usable secrets file the preferences keep it; without either, memory does,
      // until this process ends.
      try {
        preferences_.set(API_KEY_ITEM, registration.apiKey);
      } catch (const std::exception&) {
      }
    }
    try {
      preferences_.set(USER_ID_KEY, registration.userId);
    } catch (const std::exception&) {
    }
    auth.value = BackendAuth{root, registration.apiKey};
  }
  for (auto& done : waiting) done(auth);
}

void BackendConnection::perform(BackendCall call, SerialQueue& queue,
                                std::function<void(Outcome<std::string>)> done) {
  backendAuth([this, call = std::move(call), &queue,
               done = std::move(done)](Outcome<BackendAuth> auth) mutable {
    if (!auth.ok()) return done({std::nullopt, auth.failure});
    HttpRequest request{
        call.method,
        callURL(auth.value->root, call.path),
        {{"authorization", "Bearer " + auth.value->apiKey}, {"content-type", JSON_TYPE}},
        std::move(call.body),
        call.timeout};
    offMainLoop<std::string>(
        queue, [&http = http_, request = std::move(request)] { return bodyOf(http.send(request)); },
        std::move(done));
  });
}

}  // namespace talewick::backend
