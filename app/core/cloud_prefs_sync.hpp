// Mirrors a fixed list of plain preferences between this machine's preferences and the cloud
// store, so that settings such as the calendar title mode follow the user from machine to machine.
// Each value is stored in the cloud as its JSON text.
//
// Runs where the stores announce their changes (the main loop in the program). Its own writes to
// the preferences, made while applying the cloud's values, are not echoed back to the cloud.
#pragma once

#include <asio/io_context.hpp>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/cloud_store_port.hpp"
#include "core/observers.hpp"
#include "core/preferences.hpp"

namespace talewick {

namespace TimeTravelKeys {
std::vector<std::string> synced();
// Older single-zone settings: read, never mirrored.
inline constexpr const char* legacyTZ = "timeTravel.secondaryTZ";
inline constexpr const char* legacyLabel = "timeTravel.label";
}  // namespace TimeTravelKeys

namespace HouseholdKeys {
std::vector<std::string> synced();
}  // namespace HouseholdKeys

namespace SharedPrefKeys {
// Time travel, "appearance.mode", household, "calendar.titleMode", in that order.
std::vector<std::string> synced();
}  // namespace SharedPrefKeys

class CloudPrefsSync {
 public:
  static constexpr const char* didApplyRemoteChange = "CloudPrefsSync.didApplyRemoteChange";

  // Announcements of applied cloud changes are posted on `main`. A side that cannot be written
  // is reported on `diagnostics` (once per problem) and tried again at the next change.
  CloudPrefsSync(Preferences& defaults, KeyValueCloudStore& store, asio::io_context& main,
                 std::ostream& diagnostics = std::cerr);
  ~CloudPrefsSync();
  CloudPrefsSync(const CloudPrefsSync&) = delete;
  CloudPrefsSync& operator=(const CloudPrefsSync&) = delete;

  // Once: listens to both stores, synchronises the cloud, pulls every key, then pushes. Later calls
  // do nothing. Returns what the first round moved.
  struct Round {
    std::vector<std::string> pulled;  // written into the preferences
    std::vector<std::string> pushed;  // set or removed in the cloud
  };
  Round start(std::vector<std::string> keys);
  bool started() const { return started_; }
  // What the first round (the one start() ran) moved.
  const Round& firstRound() const { return firstRound_; }

  // `observer` hears didApplyRemoteChange: cloud values were written into the preferences.
  int observeRemoteChange(std::function<void()> observer);
  void unobserveRemoteChange(int token);

  // Writes into the preferences each of `keys` that the cloud holds with another value; returns
  // them. A key absent from the cloud is left alone.
  std::vector<std::string> pull(const std::vector<std::string>& keys);
  // Brings the cloud in line with the preferences for every mirrored key; returns the keys set or
  // removed in the cloud.
  std::vector<std::string> push();

 private:
  void cloudChanged(const std::vector<std::string>& changedKeys);
  void localChanged();
  void report(const std::string& line);

  Preferences& defaults_;
  KeyValueCloudStore& store_;
  asio::io_context& main_;
  std::ostream& diagnostics_;
  std::string lastReport_;
  std::vector<std::string> keys_;
  Round firstRound_;
  bool applyingRemote_ = false;
  bool started_ = false;
  int cloudToken_ = 0;
  int localToken_ = 0;
  ObserverList<> remoteChange_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talewick
