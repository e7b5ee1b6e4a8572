// The world boss: one weekly monster shared by every player who raised a banner. An enlisted
// player pushes one capped daily aggregate of play (WorldBossContribution's keys, nothing else)
// and reads back the board; the week after a victory, the board's previous result pays gold once.
//
// Lives on the main loop; the HTTP exchanges run on the "worldboss" serial queue. The raider's
// key is the secret "worldboss.apiKey"; the enrolment is also kept in the cloud store
// ("worldboss.enroll.v1") so that the user's other machines fight as the same raider instead of
// enlisting again. Failures are WorldBossFailure, whose message is the text the user is shown.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/clock.hpp"
#include "core/cloud_store_port.hpp"
#include "core/hero_store.hpp"
#include "core/http_port.hpp"
#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/guild/daily_push_ledger.hpp"
#include "together/world_boss_wire.hpp"

namespace talewick::together {

using backend::Outcome;

struct WorldBossFailure : std::runtime_error {
  explicit WorldBossFailure(WorldBossWire::Err e)
      : std::runtime_error(WorldBossWire::description(e)), err(std::move(e)) {}
  WorldBossWire::Err err;
};

// What the hero gives the day's push and the enlistment.
struct WorldBossDailyStats {
  std::string heroName;
  std::string avatar;
  std::optional<std::string> vocation;
  int64_t totalXp = 0;
  int64_t streak = 0;
  int64_t questsDoneToday = 0;
};

class WorldBossService {
 public:
  static constexpr const char* API_KEY_ITEM = "worldboss.apiKey";  // secret
  static constexpr const char* RAIDER_ID_KEY = "worldboss.raiderId";
  static constexpr const char* BANNER_NAME_KEY = "worldboss.bannerName";
  static constexpr const char* DEALT_DAY_KEY = "worldboss.dealtDay";
  static constexpr const char* DEALT_TODAY_KEY = "worldboss.dealtToday";
  static constexpr const char* PUSHED_QUESTS_KEY = "worldboss.pushedQuests";
  static constexpr std::chrono::seconds CALL_TIMEOUT{15};
  static constexpr double BOARD_STALE_SECONDS = 300;
  static constexpr const char* QUEUE = "worldboss";

  WorldBossService(backend::BackendConnection& backend, HttpClient& http, Preferences& preferences,
                   SecretsStore& secrets, KeyValueCloudStore& cloud, HeroStore& hero, RunLoop& loop,
                   Clock clock);

  // Adopts the enrolment another machine published when this one has none. True when enlisted.
  bool isEnlisted();
  // The damage pushed today from here (0 when the last push was of another day).
  int64_t myDealtToday() const;
  const std::optional<WorldBossWire::Board>& latestBoard() const { return latestBoard_; }
  // The gold the last board paid (a victory credited now), 0 when none.
  int64_t lastVictoryGold() const { return lastVictoryGold_; }

  // Raises a banner under `pseudo` (at least 2 characters, checked before anything is sent).
  // Hands back the banner's name.
  void enlist(const std::string& pseudo, const WorldBossDailyStats& hero,
              std::function<void(Outcome<std::string>)> done);
  // The board; a victory of the previous week is credited to the hero once.
  void fetchBoard(std::function<void(Outcome<WorldBossWire::Board>)> done);
  // Fetches the board when the last fetch is BOARD_STALE_SECONDS old or more; true when it did.
  void refreshBoardIfStale(std::function<void(Outcome<bool>)> done);
  // Sends today's aggregate unless what it holds was pushed already; true when sent. Not
  // enlisted: false, nothing sent.
  void pushDailyStatsIfNeeded(const WorldBossDailyStats& stats,
                              std::function<void(Outcome<bool>)> done);
  // Writes the enrolment to the cloud store when it lacks it; true when written.
  bool publishEnrollmentIfNeeded();

 private:
  std::optional<std::string> apiKey();
  void call(const std::string& method, const std::string& path, const std::optional<Json>& body,
            bool withSignup, std::function<void(Outcome<std::string>)> done);
  void creditVictory(const WorldBossWire::Board& board);

  backend::BackendConnection& backend_;
  HttpClient& http_;
  Preferences& preferences_;
  SecretsStore& secrets_;
  KeyValueCloudStore& cloud_;
  HeroStore& hero_;
  RunLoop& loop_;
  Clock clock_;
  DailyPushLedger ledger_;
  std::optional<WorldBossWire::Board> latestBoard_;
  std::optional<Date> fetchedAt_;
  int64_t lastVictoryGold_ = 0;
};

}  // namespace talewick::together
