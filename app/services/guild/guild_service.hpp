// The guild: everybody who proved an address of the same company domain. A member pushes one
// small daily aggregate of their play and reads back the weekly board; nothing of the calendar
// ever leaves (the body of a push is filtered through GuildContribution's allowed keys).
//
// Lives on the main loop: calls are made there and every completion runs there; the HTTP
// exchanges run on the "guild" serial queue. The member's key is the secret "guild.apiKey"; the
// rest of the membership is in the preferences. Failures are GuildFailure, whose message is the
// text the user is shown.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/clock.hpp"
#include "core/http_port.hpp"
#include "core/preferences.hpp"
#include "core/run_loop.hpp"
#include "core/secrets_port.hpp"
#include "services/backend/backend_connection.hpp"
#include "services/guild/daily_push_ledger.hpp"
#include "together/guild_wire.hpp"

namespace talewick::together {

using backend::Outcome;

struct GuildFailure : std::runtime_error {
  explicit GuildFailure(GuildWire::Err e)
      : std::runtime_error(GuildWire::description(e)), err(std::move(e)) {}
  GuildWire::Err err;
};

struct GuildMembership {
  std::string memberId, email, domain, name;
  std::optional<std::string> emblem;
};

// What the hero gives the day's push.
struct GuildDailyStats {
  std::string heroName;
  std::string mode;  // the narrative mode's raw value
  std::optional<std::string> vocation;
  std::optional<std::string> avatar;
  int64_t totalXp = 0;
  int64_t level = 1;
  int64_t streak = 0;
  int64_t questsDoneToday = 0;
};

class GuildService {
 public:
  static constexpr const char* API_KEY_ITEM = "guild.apiKey";  // secret
  static constexpr const char* MEMBER_ID_KEY = "guild.memberId";
  static constexpr const char* EMAIL_KEY = "guild.email";  // also the address a code was sent to
  static constexpr const char* DOMAIN_KEY = "guild.domain";
  static constexpr const char* NAME_KEY = "guild.name";
  static constexpr const char* EMBLEM_KEY = "guild.emblem";
  static constexpr const char* SHARE_IDENTITY_KEY = "guild.shareIdentity";
  static constexpr std::chrono::seconds CALL_TIMEOUT{15};
  static constexpr double SEASON_STALE_SECONDS = 1800;
  static constexpr const char* QUEUE = "guild";

  // `identityEmails` gives the user's own addresses, read when a push shares them.
  GuildService(backend::BackendConnection& backend, HttpClient& http, Preferences& preferences,
               SecretsStore& secrets, RunLoop& loop, Clock clock,
               std::function<std::vector<std::string>()> identityEmails);

  bool isMember() const { return apiKey().has_value(); }
  std::optional<GuildMembership> membership() const;
  bool sharesIdentity() const;
  void setShareIdentity(bool on);

  const std::optional<GuildWire::Board>& latestBoard() const { return latestBoard_; }
  const std::optional<GuildWire::Season>& currentSeason() const { return currentSeason_; }

  // Asks for a code at `email` (kept for verify).
  void join(const std::string& email, std::function<void(Outcome<bool>)> done);
  // Proves the address of the last join with the e-mailed code; stores the membership.
  void verify(const std::string& code, std::function<void(Outcome<GuildMembership>)> done);
  void fetchBoard(std::function<void(Outcome<GuildWire::Board>)> done);
  // Fetches the board when the last fetch is SEASON_STALE_SECONDS old or more (members only);
  // true when it fetched.
  void refreshSeasonIfStale(std::function<void(Outcome<bool>)> done);
  // Sends today's aggregate unless today's experience was pushed already; true when it sent.
  // Not a member: false, nothing sent.
  void pushDailyStatsIfNeeded(const GuildDailyStats& stats,
                              std::function<void(Outcome<bool>)> done);
  // Leaves the guild; the membership is forgotten once the backend agreed.
  void leave(std::function<void(Outcome<bool>)> done);
  // Renames the guild (its founder only); hands back the name the backend kept.
  void rename(const std::string& name, std::function<void(Outcome<std::string>)> done);

  // The identity keys a push shares: the user's addresses of the guild's domain, trimmed and
  // lower-cased, without repeats. Other addresses (a personal one) never leave.
  std::vector<std::string> identityKeys() const;

 private:
  std::optional<std::string> apiKey() const;
  // Sends a call; 2xx hands back the body, anything else fails with the mapped GuildFailure.
  void call(const std::string& method, const std::string& path, const std::optional<Json>& body,
            bool withSignup, std::function<void(Outcome<std::string>)> done);
  void forgetMembership();

  backend::BackendConnection& backend_;
  HttpClient& http_;
  Preferences& preferences_;
  SecretsStore& secrets_;
  RunLoop& loop_;
  Clock clock_;
  std::function<std::vector<std::string>()> identityEmails_;
  DailyPushLedger ledger_;
  mutable std::optional<std::string> apiKey_;
  std::optional<GuildWire::Board> latestBoard_;
  std::optional<GuildWire::Season> currentSeason_;
  std::optional<Date> fetchedAt_;
};

}  // namespace talewick::together
