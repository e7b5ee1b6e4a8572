#include "core/cloud_prefs_sync.hpp"

#include <algorithm>
#include <asio/post.hpp>
#include <system_error>

namespace talewick {

std::vector<std::string> TimeTravelKeys::synced() {
  return {"timeTravel.enabled", "timeTravel.zones", "timeTravel.scrubber", "timeTravel.workStart",
          "timeTravel.workEnd"};
}

std::vector<std::string> HouseholdKeys::synced() { return {"household.kids", "household.partner"}; }

std::vector<std::string> SharedPrefKeys::synced() {
  std::vector<std::string> keys = TimeTravelKeys::synced();
  keys.push_back("appearance.mode");
  for (std::string& key : HouseholdKeys::synced()) keys.push_back(std::move(key));
  keys.push_back("calendar.titleMode");
  return keys;
}

namespace {

// A cloud value that is not JSON text counts as absent: the next push replaces it.
std::optional<Json> cloudValue(const KeyValueCloudStore& store, const std::string& key) {
  const std::optional<std::string> bytes = store.data(key);
  if (!bytes) return std::nullopt;
  try {
    return Json::parse(*bytes);
  } catch (const nlohmann::json::parse_error&) {
    return std::nullopt;
  }
}

}  // namespace

CloudPrefsSync::CloudPrefsSync(Preferences& defaults, KeyValueCloudStore& store,
                               asio::io_context& main, std::ostream& diagnostics)
    : defaults_(defaults), store_(store), main_(main), diagnostics_(diagnostics) {}

void CloudPrefsSync::report(const std::string& line) {
  // A lasting problem (a damaged defaults.json, a read-only cloud folder) is said once.
  if (line == lastReport_) return;
  lastReport_ = line;
  diagnostics_ << "talewick : " << line << '\n';
}

CloudPrefsSync::~CloudPrefsSync() {
  alive_.reset();
  if (cloudToken_ != 0) store_.unobserve(cloudToken_);
  if (localToken_ != 0) defaults_.unobserve(localToken_);
}

CloudPrefsSync::Round CloudPrefsSync::start(std::vector<std::string> keys) {
  if (started_) return {};
  started_ = true;
  keys_ = std::move(keys);
  cloudToken_ = store_.observeExternalChanges(
      [this](const std::vector<std::string>& changed) { cloudChanged(changed); });
  localToken_ = defaults_.observe([this](const std::vector<std::string>&) { localChanged(); });
  store_.synchronize();
  firstRound_.pulled = pull(keys_);
  firstRound_.pushed = push();
  return firstRound_;
}

int CloudPrefsSync::observeRemoteChange(std::function<void()> observer) {
  return remoteChange_.add(std::move(observer));
}

void CloudPrefsSync::unobserveRemoteChange(int token) { remoteChange_.remove(token); }

std::vector<std::string> CloudPrefsSync::pull(const std::vector<std::string>& keys) {
  std::vector<std::string> applied;
  applyingRemote_ = true;
  for (const std::string& key : keys) {
    std::optional<Json> remote = cloudValue(store_, key);
    if (!remote || defaults_.value(key) == remote) continue;
    try {
      defaults_.set(key, std::move(*remote));
      applied.push_back(key);
    } catch (const std::system_error& e) {
      // The next pull tries again.
      report(e.what());
    }
  }
  applyingRemote_ = false;
  return applied;
}

std::vector<std::string> CloudPrefsSync::push() {
  std::vector<std::string> written;
  for (const std::string& key : keys_) {
    const std::optional<Json> local = defaults_.value(key);
    const bool inCloud = store_.data(key).has_value();
    try {
      if (!local) {
        if (!inCloud) continue;
        store_.remove(key);
      } else {
        if (cloudValue(store_, key) == local) continue;
        store_.setData(key, local->dump(-1, ' ', false, Json::error_handler_t::replace));
      }
      written.push_back(key);
    } catch (const std::system_error& e) {
      // The next local change pushes again.
      report(e.what());
    }
  }
  if (!written.empty()) store_.synchronize();
  return written;
}

void CloudPrefsSync::localChanged() {
  if (applyingRemote_) return;
  push();
}

void CloudPrefsSync::cloudChanged(const std::vector<std::string>& changedKeys) {
  std::vector<std::string> keys;
  if (changedKeys.empty()) {
    keys = keys_;
  } else {
    for (const std::string& key : changedKeys) {
      if (std::find(keys_.begin(), keys_.end(), key) != keys_.end()) keys.push_back(key);
    }
  }
  if (keys.empty()) return;
  pull(keys);
  std::weak_ptr<bool> alive = alive_;
  asio::post(main_, [this, alive] {
    if (alive.lock()) remoteChange_.notify();
  });
}

}  // namespace talewick
