#include "services/backend/provider_connection_store.hpp"

#include <utility>

#include "services/backend/backend_error.hpp"

namespace talewick::backend {

ProviderConnectionStore::ProviderConnectionStore(const BackendProvider& provider,
                                                 BackendConnection& backend,
                                                 Preferences& preferences, SerialQueue& queue,
                                                 std::chrono::milliseconds timeout)
    : provider_(provider),
      backend_(backend),
      preferences_(preferences),
      queue_(queue),
      timeout_(timeout) {}

bool ProviderConnectionStore::oauthConnected() const {
  const std::optional<Json> value = preferences_.value(provider_.connectedFlagKey());
  return value && value->is_boolean() && value->get<bool>();
}

void ProviderConnectionStore::setFlag(bool connected) {
  try {
    if (connected) {
      preferences_.set(provider_.connectedFlagKey(), true);
    } else {
      preferences_.remove(provider_.connectedFlagKey());
    }
  } catch (const std::exception&) {
    // The flag only remembers the last round trip; the backend's status stays the truth.
  }
}

void ProviderConnectionStore::showFailure(const std::exception_ptr& failure, bool statusFetch) {
  failed_ = true;
  statusLine_ = lines::failed(provider_, failureText(failure), statusFetch);
}

bool ProviderConnectionStore::call(const char* method, const std::string& path, bool statusFetch,
                                   std::function<void(const std::string& body)> apply) {
  if (!backend_.configured()) {
    failed_ = true;
    statusLine_ = lines::notConfigured(provider_);
    return false;
  }
  if (statusFetch) ++refreshesUnderWay_;
  backend_.perform(BackendCall{method, "api/" + provider_.segment + "/" + path, "", timeout_},
                   queue_,
                   [this, statusFetch, apply = std::move(apply)](Outcome<std::string> outcome) {
                     if (statusFetch) --refreshesUnderWay_;
                     try {
                       apply(outcome.get());
                       failed_ = false;
                     } catch (...) {
                       showFailure(std::current_exception(), statusFetch);
                     }
                   });
  return true;
}

void ProviderConnectionStore::refresh(bool force) {
  if (refreshesUnderWay_ > 0 && !force) return;
  call("GET", "connections", true, [this](const std::string& body) {
    // Decoded whole before anything changes: a garbage answer keeps the previous state.
    ProviderStatus status = decodeProviderStatus(body, provider_.workspaceList);
    const bool announce = std::exchange(announceConnection_, false);
    if (!status.connected()) {
      statusLine_ = lines::notConnected(provider_);
    } else if (announce) {
      statusLine_ = lines::oauthConnected(provider_);
    } else {
      statusLine_ =
          lines::connected(provider_, status.connection ? status.connection->label() : "");
    }
    status_ = std::move(status);
  });
}

void ProviderConnectionStore::beginOAuth(std::function<void(const std::string& url)> open) {
  call("POST", "oauth/start", false, [this, open = std::move(open)](const std::string& body) {
    const std::string url = decodeAuthorizationURL(body);
    open(url);
    // Only Google's configuration tells whether its application is still in test access.
    const bool testAccess = status_ && status_->config && status_->config->publicEnabled == false;
    statusLine_ = lines::oauthOpened(provider_, testAccess);
  });
}

void ProviderConnectionStore::disconnect() {
  call("DELETE", "connections", false, [this](const std::string&) {
    setFlag(false);
    if (status_) {
      status_->connection.reset();
      status_->workspaces.clear();
      if (status_->answer.is_array()) status_->answer = Json::array();
      if (status_->answer.is_object()) status_->answer["connection"] = nullptr;
    }
    statusLine_ = lines::disconnected(provider_);
  });
}

void ProviderConnectionStore::handleOAuthCallback(const OAuthCallback& callback) {
  if (!callback.connected) {
    failed_ = true;
    statusLine_ = lines::oauthRefused(provider_, callback.error);
    return;
  }
  setFlag(true);
  statusLine_ = lines::oauthConnected(provider_);
  announceConnection_ = true;
  refresh(true);
}

}  // namespace talewick::backend
